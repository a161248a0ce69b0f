// A reader of Windows registry hive files (the "regf" format of NTUSER.DAT), for tests that
// plant real users' registry data: keys with their values, names and string data as UTF-16.
// It reads the hive as stored, without replaying transaction logs, and refuses what does not
// hold together (offsets outside the file, cycles) rather than guessing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake::test {

struct HiveValue {
    std::u16string name; // empty for the default value
    std::uint32_t type = 0;
    std::string data; // the bytes as stored
};

struct HiveKey {
    std::u16string path; // below the hive's root key, "" for the root
    std::vector<HiveValue> values;
};

// Every key of the hive whose path lies at or below `below` ("" for all, else e.g. u"Software"),
// parents before their subkeys; nothing when the file is no hive or is broken.
std::optional<std::vector<HiveKey>> ReadHive(std::string_view bytes, std::u16string_view below);

} // namespace mendrake::test

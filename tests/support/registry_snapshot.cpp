#include "tests/support/registry_snapshot.h"

#include <sstream>
#include <vector>

namespace mendrake::test {

namespace {

constexpr std::uint32_t kKeyRead = 0x20019;

void Take(platform::Hkey key, const std::string& path, Snapshot& snapshot) {
    platform::Platform& os = platform::Os();
    auto& values = snapshot[path];
    std::string name;
    for (std::uint32_t i = 0; os.EnumValue(key, i, name) == platform::kSuccess; ++i) {
        platform::RegValue value;
        if (os.QueryValue(key, name, value) == platform::kSuccess) {
            values[name] = value;
        }
    }
    std::vector<std::string> subkeys;
    for (std::uint32_t i = 0; os.EnumKey(key, i, name) == platform::kSuccess; ++i) {
        subkeys.push_back(name);
    }
    for (const std::string& subkey : subkeys) {
        platform::Hkey child = 0;
        if (os.OpenKey(key, subkey, kKeyRead, child) == platform::kSuccess) {
            Take(child, path.empty() ? subkey : path + "\\" + subkey, snapshot);
            os.CloseKey(child);
        }
    }
}

// A plain string is written up to its first NUL and imported with one terminator.
bool CutAtFirstNul(const platform::RegValue& before, const platform::RegValue& after) {
    return before.type == platform::kRegSz && after.type == platform::kRegSz &&
           after.data == before.data.substr(0, before.data.find('\0')) + '\0';
}

} // namespace

void AddToSnapshot(platform::Hkey root, const std::string& path, Snapshot& snapshot) {
    platform::Platform& os = platform::Os();
    platform::Hkey key = 0;
    if (os.OpenKey(root, path, kKeyRead, key) == platform::kSuccess) {
        Take(key, path, snapshot);
        os.CloseKey(key);
    }
}

Snapshot TakeSnapshot(platform::Hkey root, const std::string& path) {
    Snapshot snapshot;
    AddToSnapshot(root, path, snapshot);
    return snapshot;
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
        text += ' ';
    }
    return text;
}

std::string Differences(const Snapshot& before, const Snapshot& after, std::size_t* cutStrings) {
    std::ostringstream out;
    int count = 0;
    auto note = [&](const std::string& line) {
        if (++count <= 20) {
            out << line << "\n";
        }
    };
    for (const auto& [key, values] : before) {
        const auto found = after.find(key);
        if (found == after.end()) {
            note("missing key " + key);
            continue;
        }
        for (const auto& [name, value] : values) {
            const auto other = found->second.find(name);
            if (other == found->second.end()) {
                note("missing value " + key + " \"" + name + "\"");
            } else if (other->second.type == value.type && other->second.data == value.data) {
                continue;
            } else if (cutStrings != nullptr && CutAtFirstNul(value, other->second)) {
                ++*cutStrings;
            } else {
                note(key + " \"" + name + "\": type " + std::to_string(value.type) + " " +
                     Hex(value.data) + "came back as type " + std::to_string(other->second.type) +
                     " " + Hex(other->second.data));
            }
        }
        for (const auto& [name, value] : found->second) {
            if (values.count(name) == 0) {
                note("extra value " + key + " \"" + name + "\"");
            }
        }
    }
    for (const auto& [key, values] : after) {
        if (before.count(key) == 0) {
            note("extra key " + key);
        }
    }
    if (count > 20) {
        out << "... " << count << " differences\n";
    }
    return out.str();
}

} // namespace mendrake::test

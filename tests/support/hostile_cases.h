// Legal but hostile registry contents, one stale class each: what a program using the wide
// registry functions can store, with what a fix followed by the import of its backup must do
// with it: give it back exactly, or leave the class untouched because the backup could not.
// Planted on the memory platform (which models the ANSI conversion) and on Wine's registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::test {

struct HostileCase {
    const char* label;
    std::u16string subkey; // below the class key ("" for the class key itself)
    std::u16string name;   // the value's name
    std::uint32_t type;
    std::string stored; // the value's bytes as the hive holds them (UTF-16 for strings)
    // What the backup holds for the value, when the class can be backed up ("" otherwise) ...
    const char* backupLine;
    // ... or a part of the reason the fix gives for leaving the class alone.
    const char* refusal;
};

// The cases; the class of case i is named "C<i>".
const std::vector<HostileCase>& HostileCases();

// The stored bytes of UTF-16 text, as RegSetValueExW would be handed them.
std::string Utf16Bytes(std::u16string_view text);

} // namespace mendrake::test

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
    // Where the ANSI code page is Windows-1252 (a Windows that ignores the manifest): the line
    // the backup holds for the value (UTF-8, as in the version-5 script the backup becomes),
    // when the class can be backed up ("" otherwise) ...
    const char* backupLine;
    // ... or a part of the reason the fix gives for leaving the class alone.
    const char* refusal;
    // The line where the code page is UTF-8, when it differs: every character has a place there.
    const char* unicodeBackupLine = "";
};

// The line the backup of a case holds in a process of that code page; "" when the class is
// left alone.
std::string ExpectedBackupLine(const HostileCase& c, bool utf8);
// A backup script's text as UTF-8 for finding lines in it: a version-5 script (UTF-16LE with
// its byte-order mark) decoded; a REGEDIT4 one as it is.
std::string ScriptTextUtf8(const std::string& script);

// The cases; the class of case i is named "C<i>".
const std::vector<HostileCase>& HostileCases();

// The stored bytes of UTF-16 text, as RegSetValueExW would be handed them.
std::string Utf16Bytes(std::u16string_view text);

} // namespace mendrake::test

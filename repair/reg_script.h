// A registry script read back: the counterpart of the export, for restoring a backup. Reads
// REGEDIT4 (ANSI text, as the backup is written) and "Windows Registry Editor Version 5.00"
// (UTF-16LE with a byte-order mark, as the registry editor exports; UTF-8 is read too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

struct RegScriptValue {
    std::string name;    // in the ANSI code page; "" is the key's default value
    bool remove = false; // "name"=-
    bool hasData = true; // false for a line with nothing after the equals sign
    std::uint32_t type = 0;
    std::string data;     // the bytes as RegQueryValueExA gives them (ANSI strings, terminated)
    bool lossy = false;   // the name or the text holds characters the ANSI code page lacks
    std::size_t line = 0; // where the value line starts
};

struct RegScriptKey {
    std::uint32_t root = 0; // HKEY_CURRENT_USER and the other predefined handles
    std::string path;       // below the root, in the ANSI code page, no leading backslash
    bool remove = false;    // [-KEY]
    bool lossy = false;     // the path holds characters the ANSI code page lacks
    std::size_t line = 0;
    std::vector<RegScriptValue> values;
};

struct RegScript {
    std::vector<RegScriptKey> keys; // in the order of the file
};

// Reads a whole script before anything is done with it. Throws Error with "Line N: ..." for
// the first line it cannot read. Text of a version-5 script is brought into the ANSI code page
// with the platform's conversion.
RegScript ReadRegScript(std::string_view bytes);

// The full name of a key in messages: "HKEY_CURRENT_USER\Software\x".
std::string ScriptKeyName(const RegScriptKey& key);

} // namespace mendrake

// Reader of registry script text: REGEDIT4 (ANSI) and "Windows Registry Editor Version 5.00"
// (here UTF-8, as the fixtures are stored). It turns a script into the list of changes it
// asks for, which any Platform can then apply; fixtures are loaded this way on both the memory
// platform and the real registry under Wine.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>
#include <vector>

namespace mendrake::platform {

struct RegChange {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    Hkey root = 0;
    std::string path; // below the root, no leading backslash
    std::string name; // value name; empty = default value
    std::uint32_t type = kRegNone;
    std::string data; // raw bytes as RegQueryValueExA returns them (ANSI strings, terminated)
};

// Throws std::runtime_error naming the line for text it cannot read.
std::vector<RegChange> ParseRegText(std::string_view text);

// Root handle for a name such as HKEY_LOCAL_MACHINE or HKLM; 0 when unknown.
Hkey RootFromName(std::string_view name);

// UTF-8 or UTF-16LE text to the Windows-1252 code page ('?' where it has no character, and for
// each ill-formed byte of UTF-8).
std::string Utf8ToAnsi(std::string_view utf8);
std::string Utf16ToAnsi(std::string_view utf16le);
// Windows-1252 text to UTF-8; the five unassigned bytes become the control characters of the
// same number, as MultiByteToWideChar gives them.
std::string AnsiToUtf8(std::string_view ansi);

} // namespace mendrake::platform

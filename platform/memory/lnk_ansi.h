// Conversion of UTF-16 text to the ANSI code page (Windows-1252) the way WideCharToMultiByte
// does it with no flags: one byte per UTF-16 unit, best-fit letters for characters the code
// page lacks, '?' for everything else (including each half of a surrogate pair).
#pragma once

#include <string>
#include <string_view>

namespace mendrake::platform::lnk {

std::string Utf16ToAnsi(std::u16string_view text);

} // namespace mendrake::platform::lnk

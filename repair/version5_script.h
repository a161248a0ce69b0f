// A backup script that REGEDIT4 cannot carry, as the registry editor writes its own exports.
#pragma once

#include <string>
#include <string_view>

namespace mendrake {

// The REGEDIT4 script `regedit4` (as the export writes it) as a "Windows Registry Editor
// Version 5.00" script: UTF-16LE with a byte-order mark, CR LF lines, and the data of
// hex(1), hex(2) and hex(7) values in UTF-16LE. The registry editor reads a REGEDIT4 script in
// the system's ANSI code page, not in the UTF-8 of this process, so any name or string that
// is not ASCII needs this form to come back exactly. Throws Error for text that has no exact
// UTF-16 form.
std::string Version5Script(std::string_view regedit4);

} // namespace mendrake

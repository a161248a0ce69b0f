// The program keeps its texts as byte strings of the process code page (UTF-8 by the manifest);
// the wide functions take them converted as the controls convert the texts they are given.
#pragma once

#include <string>

namespace mendrake::widgets {

// Text of the process code page as the UTF-16 text that the wide functions take. Measuring
// and drawing go through it: the ANSI drawing functions convert with the code page of the
// font's character set instead (measured with Wine 8: "Восстановить..." twice as wide as
// drawn, each UTF-8 byte taken for a Western character).
std::wstring WideFromAnsi(const std::string& text);

} // namespace mendrake::widgets

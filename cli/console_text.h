// Text out of the console program. Messages and the log are text of the process's ANSI code
// page (UTF-8 where the manifest is honoured); what reaches the user must show the same
// characters whatever the console's own code page is, and what a script reads from a pipe or
// a file must be UTF-8, the same on every machine.
#pragma once

#include <cstdio>
#include <string_view>

namespace mendrake::cli {

// Writes ANSI text to `stream`: through the console's wide output when the stream is a
// console window, otherwise as UTF-8 bytes (in the stream's own text or binary mode).
void WriteText(std::FILE* stream, std::string_view text);
// The same for text that is UTF-8 already (the JSON report).
void WriteUtf8Text(std::FILE* stream, std::string_view text);
// printf into WriteText (the C runtime's standard formats, %zu included, as GCC checks them).
void PrintText(std::FILE* stream, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));

} // namespace mendrake::cli

// The ANSI code pages the memory platform models, so that the engine's handling of text can be
// tried in each kind a Windows process meets: Windows-1252 (`Latin1`, a single-byte code page),
// UTF-8 (the programs' manifest honoured: Windows 10 1903 and later, Wine 8), and a double-byte
// code page (a small part of Shift-JIS, code page 932) whose second bytes include the
// backslash.
#pragma once

#include <string>
#include <string_view>

namespace mendrake::platform {

enum class CodePageModel { Latin1, Utf8, ShiftJis };

// UTF-16 text in the code page, converted strictly: false when a character has no place there
// (it is then written as "?", as WideCharToMultiByte writes the default character), or when
// UTF-16 is broken (a lone surrogate).
bool AnsiFromUtf16In(CodePageModel page, std::u16string_view text, std::string& out);
// Code-page text as UTF-16, strictly: false for bytes that are no text of the code page.
bool Utf16FromAnsiIn(CodePageModel page, std::string_view text, std::u16string& out);
// IsDBCSLeadByte in the code page.
bool IsLeadByteIn(CodePageModel page, unsigned char byte);

// UTF-8 of well-formed UTF-16, for the models and their tests (UTF-16 of UTF-8 is
// platform/utf8_text.h's).
std::string Utf8Of(std::u16string_view text, bool& broken);

} // namespace mendrake::platform

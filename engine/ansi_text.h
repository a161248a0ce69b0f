// Searches in ANSI text that never stop inside a character. In a double-byte code page (932,
// 936, 949, 950) the second byte of a character may be any of 0x40 to 0xFE: "表" is 95 5C in
// code page 932, and a byte-wise search takes its second byte for a backslash. UTF-8 and the
// single-byte code pages never use a byte below 0x80 inside a character, so text without a
// byte of 0x80 or more is searched byte by byte, at no cost.
#pragma once

#include <cstddef>
#include <string_view>

namespace mendrake {

// The position of the first of `chars` at or after `from` (a character's first byte), or npos.
std::size_t FindCharacter(std::string_view text, std::string_view chars, std::size_t from = 0);
// The position of the last of `chars` that is a character of its own, or npos.
std::size_t FindLastCharacter(std::string_view text, std::string_view chars);
// Whether text[index] is the second byte of a double-byte character.
bool IsSecondByte(std::string_view text, std::size_t index);
// `text` without the backslashes at its end (a second byte 0x5C is no backslash).
std::string_view WithoutTrailingBackslashes(std::string_view text);
// `text` without the backslashes and forward slashes at its end.
std::string_view WithoutTrailingSeparators(std::string_view text);

} // namespace mendrake

// The one UTF-8 decoder of the program. It takes only well-formed UTF-8 (the Unicode
// standard's table of well-formed byte sequences): an overlong form ("C1 9C" for "\"), an
// encoded surrogate ("ED A0 80"), a code point above U+10FFFF, a sequence cut short and a
// continuation byte without its lead are all ill-formed, one byte at a time.
//
// What becomes of ill-formed input is the caller's choice, made here once for all of them:
// - the registry-script reader refuses a UTF-8 file that holds any, naming its line, as it
//   refuses every other damage (a key path must never gain a backslash the file does not show);
// - the console writes U+FFFD for each ill-formed byte and goes on;
// - the memory platform's UTF-8 code page refuses the conversion (as MultiByteToWideChar with
//   MB_ERR_INVALID_CHARS does), and its fixture reader writes "?" for each ill-formed byte.
// It lives with the platform seam so that the memory platform can use it too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mendrake::platform {

// One character read from UTF-8: its code point and length in bytes, or, where the bytes are
// ill-formed, `valid` false and `length` 1.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

// The character that starts at text[at] (at < text.size()).
Utf8Character DecodeUtf8At(std::string_view text, std::size_t at);
// The position of the first ill-formed byte of `text`, or npos when all of it is UTF-8.
std::size_t FirstIllFormedUtf8(std::string_view text);
// `text` as UTF-16; each ill-formed byte becomes U+FFFD and sets `broken`.
std::u16string Utf16FromUtf8(std::string_view text, bool& broken);

} // namespace mendrake::platform

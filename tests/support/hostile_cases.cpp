#include "tests/support/hostile_cases.h"

namespace mendrake::test {

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

const std::vector<HostileCase>& HostileCases() {
    using namespace std::string_literals;
    constexpr std::uint32_t sz = 1, expand = 2, dword = 4, multi = 7;
    static const std::vector<HostileCase> cases = {
        // Names and text the ANSI code page cannot carry.
        {"value named in Cyrillic", u"", u"\u0418\u043C\u044F", sz, Utf16Bytes(u"x\0"s), "",
         "characters outside the ANSI code page"},
        {"string data in Cyrillic", u"", u"v", sz, Utf16Bytes(u"\u0414\u0430\u043D\0"s), "",
         "text the ANSI code page cannot carry"},
        {"value name with A macron", u"", u"A\u0100", dword, "\x01\x02\x03\x04", "",
         "characters outside the ANSI code page"},
        {"key named in Japanese", u"\u65E5\u672C", u"v", sz, Utf16Bytes(u"x\0"s), "",
         "characters outside the ANSI code page"},
        // Names the format cannot express.
        {"key name with a line feed", u"a\nb", u"v", sz, Utf16Bytes(u"x\0"s), "", "line break"},
        {"key name with a carriage return", u"a\rb", u"v", sz, Utf16Bytes(u"x\0"s), "",
         "line break"},
        {"value name with a NUL inside", u"", u"a\0b"s, sz, Utf16Bytes(u"x\0"s), "",
         "a NUL character"},
        // Strings that are not clean: exact as hex(N) where the editor gives the bytes back.
        {"plain string with NULs inside", u"", u"v", sz, Utf16Bytes(u"ab\0\0cd\0"s),
         "\"v\"=hex(1):61,62,00,00,63,64,00", ""},
        {"plain string of 0 bytes", u"", u"v", sz, "", "\"v\"=hex(1):", ""},
        {"plain string of 3 bytes", u"", u"v", sz, "a\0b"s, "",
         "text the ANSI code page cannot carry"},
        {"plain string of 5 bytes", u"", u"v", sz, "a\0b\0c"s, "",
         "text the ANSI code page cannot carry"},
        {"plain string without terminator", u"", u"v", sz, Utf16Bytes(u"abc"), "",
         "without its terminator"},
        {"expandable string without terminator", u"", u"v", expand, Utf16Bytes(u"%x%"), "",
         "without its terminator"},
        {"multi-string without terminator", u"", u"v", multi, Utf16Bytes(u"a\0b"s), "",
         "without its terminator"},
        {"multi-string with a single final NUL", u"", u"v", multi, Utf16Bytes(u"a\0b\0"s),
         "\"v\"=hex(7):61,00,62,00", ""},
        // Ordinary contents beside them, for contrast: these come back as they were.
        {"clean string with escapes", u"Sub", u"q\"\\", sz, Utf16Bytes(u"\"\\\r\n\0"s),
         "\"q\\\"\\\\\"=\"\\\"\\\\\\r\\n\"", ""},
        {"Latin-1 name and text", u"", u"\u00E9", expand, Utf16Bytes(u"\u00FC\0"s),
         "\"\xE9\"=hex(2):FC,00", ""},
    };
    return cases;
}

} // namespace mendrake::test

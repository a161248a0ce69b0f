#include "tests/support/hostile_cases.h"

#include "platform/memory/code_page_model.h"

namespace mendrake::test {

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string ExpectedBackupLine(const HostileCase& c, bool utf8) {
    return utf8 && *c.unicodeBackupLine != '\0' ? c.unicodeBackupLine : c.backupLine;
}

std::string ScriptTextUtf8(const std::string& script) {
    if (script.compare(0, 2, "\xFF\xFE") != 0) {
        return script;
    }
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < script.size(); i += 2) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(script[i]) |
                                      static_cast<unsigned char>(script[i + 1]) << 8);
    }
    bool broken = false;
    return platform::Utf8Of(wide, broken);
}

const std::vector<HostileCase>& HostileCases() {
    using namespace std::string_literals;
    constexpr std::uint32_t sz = 1, expand = 2, dword = 4, multi = 7;
    static const std::vector<HostileCase> cases = {
        // Names and text the ANSI code page cannot carry.
        {"value named in Cyrillic", u"", u"\u0418\u043C\u044F", sz, Utf16Bytes(u"x\0"s), "",
         "characters outside the ANSI code page", "\"\u0418\u043C\u044F\"=\"x\""},
        {"string data in Cyrillic", u"", u"v", sz, Utf16Bytes(u"\u0414\u0430\u043D\0"s), "",
         "text the ANSI code page cannot carry", "\"v\"=\"\u0414\u0430\u043D\""},
        {"value name with A macron", u"", u"A\u0100", dword, "\x01\x02\x03\x04", "",
         "characters outside the ANSI code page", "\"A\u0100\"=dword:04030201"},
        {"key named in Japanese", u"\u65E5\u672C", u"v", sz, Utf16Bytes(u"x\0"s), "",
         "characters outside the ANSI code page", "\\\u65E5\u672C]"},
        {"emoji outside the BMP in the data", u"", u"e", expand, Utf16Bytes(u"%x%\\\U0001F600\0"s),
         "", "text the ANSI code page cannot carry",
         "\"e\"=hex(2):25,00,78,00,25,00,5C,00,3D,D8,00,DE,00,00"},
        {"fullwidth backslash in a key name", u"a\uFF3Cb", u"v", sz, Utf16Bytes(u"x\0"s), "",
         "characters outside the ANSI code page", "\\a\uFF3Cb]"},
        // Names the format cannot express.
        {"key name with a line feed", u"a\nb", u"v", sz, Utf16Bytes(u"x\0"s), "", "line break"},
        {"key name with a carriage return", u"a\rb", u"v", sz, Utf16Bytes(u"x\0"s), "",
         "line break"},
        {"value name with a NUL inside", u"", u"a\0b"s, sz, Utf16Bytes(u"x\0"s), "",
         "a NUL character"},
        // Strings that are not clean: exact as hex(N) where the editor gives the bytes back.
        {"plain string with NULs inside", u"", u"v", sz, Utf16Bytes(u"ab\0\0cd\0"s),
         "\"v\"=hex(1):61,00,62,00,00,00,00,00,63,00,64,00,00,00", ""},
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
         "\"v\"=hex(7):61,00,00,00,62,00,00,00", ""},
        // Ordinary contents beside them, for contrast: these come back as they were.
        {"clean string with escapes", u"Sub", u"q\"\\", sz, Utf16Bytes(u"\"\\\r\n\0"s),
         "\"q\\\"\\\\\"=\"\\\"\\\\\\r\\n\"", ""},
        {"Latin-1 name and text", u"", u"\u00E9", expand, Utf16Bytes(u"\u00FC\0"s),
         "\"\u00E9\"=hex(2):FC,00,00,00", ""},
    };
    return cases;
}

} // namespace mendrake::test

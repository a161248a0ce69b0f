// The one UTF-8 decoder: every well-formed length is read, and every form the standard calls
// ill-formed is refused byte by byte (overlong forms, surrogates, code points beyond U+10FFFF,
// sequences cut short, continuation bytes without a lead).
#include "platform/utf8_text.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace mendrake::platform {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", static_cast<unsigned char>(c));
        text += pair;
    }
    return text;
}

TEST(Utf8Text, DecodesWellFormedAndRefusesIllFormedSequences) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const struct {
        std::string bytes;
        char32_t codePoint; // kBad: the first byte is ill-formed
        std::size_t length;
    } cases[] = {
        // Well-formed, at the bounds of each length.
        {"\x00"s, 0x00, 1},
        {"\x7F", 0x7F, 1},
        {"\xC2\x80", 0x80, 2},
        {"\xDF\xBF", 0x7FF, 2},
        {"\xE0\xA0\x80", 0x800, 3},
        {"\xED\x9F\xBF", 0xD7FF, 3},
        {"\xEE\x80\x80", 0xE000, 3},
        {"\xEF\xBF\xBD", 0xFFFD, 3},
        {"\xEF\xBF\xBF", 0xFFFF, 3},
        {"\xF0\x90\x80\x80", 0x10000, 4},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
        {"\x5C\x80", 0x5C, 1}, // a character ends where it ends
        // Overlong forms: "\" (5C) in two, three and four bytes, and the edges of each.
        {"\xC1\x9C", kBad, 1},
        {"\xC0\x80", kBad, 1},
        {"\xE0\x81\x9C", kBad, 1},
        {"\xE0\x9F\xBF", kBad, 1},
        {"\xF0\x80\x81\x9C", kBad, 1},
        {"\xF0\x8F\xBF\xBF", kBad, 1},
        // Encoded surrogates, high and low.
        {"\xED\xA0\x80", kBad, 1},
        {"\xED\xAF\xBF", kBad, 1},
        {"\xED\xB0\x80", kBad, 1},
        {"\xED\xBF\xBF", kBad, 1},
        // Beyond U+10FFFF, and leads that can only start such forms.
        {"\xF4\x90\x80\x80", kBad, 1},
        {"\xF5\x80\x80\x80", kBad, 1},
        {"\xF7\xBF\xBF\xBF", kBad, 1},
        {"\xF8\x88\x80\x80\x80", kBad, 1},
        {"\xFF", kBad, 1},
        // Cut short by the end of the text or by a byte that continues nothing.
        {"\xC3", kBad, 1},
        {"\xE4\xB8", kBad, 1},
        {"\xF0\x9F\x98", kBad, 1},
        {"\xC3\x41", kBad, 1},
        {"\xE4\xB8\x41", kBad, 1},
        {"\xF0\x9F\x98\xC3\xA9", kBad, 1},
        // Stray continuation bytes.
        {"\x80", kBad, 1},
        {"\xBF\x41", kBad, 1},
    };
    for (const auto& c : cases) {
        const Utf8Character got = DecodeUtf8At(c.bytes, 0);
        const bool wellFormed = c.codePoint != kBad;
        EXPECT_EQ(wellFormed, got.valid) << Hex(c.bytes);
        EXPECT_EQ(c.length, got.length) << Hex(c.bytes);
        if (wellFormed) {
            EXPECT_EQ(c.codePoint, got.codePoint) << Hex(c.bytes);
        }
        // The scan over a whole text stops at the same byte.
        EXPECT_EQ(wellFormed ? std::string::npos : 0u,
                  FirstIllFormedUtf8(wellFormed ? c.bytes.substr(0, c.length) : c.bytes))
            << Hex(c.bytes);
    }
}

// Each ill-formed byte is one U+FFFD; what is well-formed around it keeps its characters.
TEST(Utf8Text, Utf16MarksEachIllFormedByte) {
    const struct {
        std::string bytes;
        std::u16string wide;
        bool broken;
        std::size_t firstIllFormed;
    } cases[] = {
        {"a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", u"a\u00E9\u4E2D\U0001F600", false,
         std::string::npos},
        {"", u"", false, std::string::npos},
        {"a\xC1\x9C"
         "b",
         u"a\uFFFD\uFFFDb", true, 1},
        {"x\xED\xA0\x80", u"x\uFFFD\uFFFD\uFFFD", true, 1},
        {"\xC3\xA9\xE4\xB8", u"\u00E9\uFFFD\uFFFD", true, 2},
        {"ok\x80", u"ok\uFFFD", true, 2},
    };
    for (const auto& c : cases) {
        bool broken = false;
        EXPECT_EQ(c.wide, Utf16FromUtf8(c.bytes, broken)) << Hex(c.bytes);
        EXPECT_EQ(c.broken, broken) << Hex(c.bytes);
        EXPECT_EQ(c.firstIllFormed, FirstIllFormedUtf8(c.bytes)) << Hex(c.bytes);
    }
}

} // namespace
} // namespace mendrake::platform

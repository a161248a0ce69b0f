#include "platform/utf8_text.h"

namespace mendrake::platform {

Utf8Character DecodeUtf8At(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    // C0 and C1 could only start overlong two-byte forms; F5 and above only code points beyond
    // U+10FFFF; 80 to BF continue a character and start none.
    std::size_t length = 0;
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
    } else {
        return {};
    }
    if (text.size() - at < length) {
        return {}; // cut short by the end of the text
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0u) != 0x80u) {
            return {};
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kShortest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) ||
        codePoint > 0x10FFFF) {
        return {}; // overlong, a surrogate, or beyond Unicode
    }
    return {codePoint, length, true};
}

std::size_t FirstIllFormedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = DecodeUtf8At(text, i);
        if (!c.valid) {
            return i;
        }
        i += c.length;
    }
    return std::string_view::npos;
}

std::u16string Utf16FromUtf8(std::string_view text, bool& broken) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = DecodeUtf8At(text, i);
        i += c.length;
        if (!c.valid) {
            broken = true;
            out += u'\uFFFD';
        } else if (c.codePoint >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c.codePoint - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c.codePoint - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c.codePoint);
        }
    }
    return out;
}

} // namespace mendrake::platform

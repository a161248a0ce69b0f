#include "platform/memory/code_page_model.h"

#include "platform/utf8_text.h"

#include <array>

namespace mendrake::platform {

namespace {

// The double-byte characters of the Shift-JIS model: four whose second byte is a backslash
// (the classic trap of byte-wise path splitting) and a few ordinary ones.
struct DoubleByte {
    char16_t unit;
    unsigned char lead, trail;
};
constexpr std::array<DoubleByte, 9> kShiftJis = {{
    {u'\u8868', 0x95, 0x5C}, // 表
    {u'\u30BD', 0x83, 0x5C}, // ソ
    {u'\u80FD', 0x94, 0x5C}, // 能
    {u'\u4E88', 0x97, 0x5C}, // 予
    {u'\u30A2', 0x83, 0x41}, // ア
    {u'\u30D7', 0x83, 0x76}, // プ
    {u'\u30EA', 0x83, 0x8A}, // リ
    {u'\u4E0D', 0x95, 0x73}, // 不
    {u'\u5728', 0x8D, 0xDD}, // 在
}};

// Unicode code points of Windows-1252 bytes 0x80 to 0x9F; the five unassigned bytes stand for
// the control characters of the same number, as MultiByteToWideChar gives them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Windows-1252 byte of a UTF-16 unit; false when the code page lacks it.
bool Cp1252Byte(char16_t unit, char& byte) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        byte = static_cast<char>(unit);
        return true;
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == unit) {
            byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

std::string Utf8Of(std::u16string_view text, bool& broken) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            broken = true;
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool AnsiFromUtf16In(CodePageModel page, std::u16string_view text, std::string& out) {
    bool broken = false;
    if (page == CodePageModel::Utf8) {
        out = Utf8Of(text, broken);
        return !broken;
    }
    out.clear();
    for (const char16_t unit : text) {
        char byte = 0;
        if (unit < 0x80 || (page == CodePageModel::Latin1 && Cp1252Byte(unit, byte))) {
            out += unit < 0x80 ? static_cast<char>(unit) : byte;
            continue;
        }
        bool found = false;
        for (const DoubleByte& known : kShiftJis) {
            if (page == CodePageModel::ShiftJis && known.unit == unit) {
                out += static_cast<char>(known.lead);
                out += static_cast<char>(known.trail);
                found = true;
            }
        }
        if (!found) {
            out += '?';
            broken = true;
        }
    }
    return !broken;
}

bool Utf16FromAnsiIn(CodePageModel page, std::string_view text, std::u16string& out) {
    bool broken = false;
    if (page == CodePageModel::Utf8) {
        out = Utf16FromUtf8(text, broken);
        return !broken;
    }
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char16_t>(byte);
            continue;
        }
        if (page == CodePageModel::Latin1) {
            out += byte < 0xA0 ? kCp1252High[byte - 0x80u] : static_cast<char16_t>(byte);
            continue;
        }
        if (!ShiftJisLead(byte) || i + 1 == text.size()) {
            return false;
        }
        const auto trail = static_cast<unsigned char>(text[++i]);
        bool found = false;
        for (const DoubleByte& known : kShiftJis) {
            if (known.lead == byte && known.trail == trail) {
                out += known.unit;
                found = true;
            }
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

bool IsLeadByteIn(CodePageModel page, unsigned char byte) {
    return page == CodePageModel::ShiftJis && ShiftJisLead(byte);
}

} // namespace mendrake::platform

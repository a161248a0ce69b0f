// Builds version-resource bytes block by block, as the resource compiler lays them out:
// length, value length, type, UTF-16 key with its zero, padding to 4, value, padding to 4,
// children each padded to 4. Blocks start on multiples of 4, so alignment within a block is
// alignment within the resource.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::test {

inline void Put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFFu);
    out += static_cast<char>((v >> 8) & 0xFFu);
}

inline void Pad4(std::string& out) {
    while (out.size() % 4 != 0) {
        out += '\0';
    }
}

// UTF-16 little-endian bytes of `text`, with the terminating zero.
inline std::string Utf16z(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        Put16(out, c);
    }
    Put16(out, 0);
    return out;
}

inline std::string Block(const std::u16string& key, const std::string& value,
                         std::uint16_t valueLength, const std::vector<std::string>& children = {}) {
    std::string out(6, '\0');
    out += Utf16z(key);
    Pad4(out);
    out += value;
    for (const std::string& child : children) {
        Pad4(out);
        out += child;
    }
    std::string head;
    Put16(head, static_cast<std::uint32_t>(out.size()));
    Put16(head, valueLength);
    Put16(head, value.empty() || valueLength == 0 ? 0u : 1u);
    out.replace(0, 6, head);
    return out;
}

// A string value; its value length counts UTF-16 characters with the terminating zero.
inline std::string Entry(const std::u16string& name, const std::u16string& text) {
    return Block(name, Utf16z(text), static_cast<std::uint16_t>(text.size() + 1));
}

inline std::string Table(const std::u16string& key, const std::vector<std::string>& entries) {
    return Block(key, {}, 0, entries);
}

inline std::string StringFileInfo(const std::vector<std::string>& tables) {
    return Block(u"StringFileInfo", {}, 0, tables);
}

inline std::string VarFileInfo(const std::vector<std::uint32_t>& translations) {
    std::string words;
    for (std::uint32_t w : translations) {
        Put16(words, w & 0xFFFFu);
        Put16(words, w >> 16);
    }
    const std::string variable =
        Block(u"Translation", words, static_cast<std::uint16_t>(words.size()));
    return Block(u"VarFileInfo", {}, 0, {variable});
}

// The 52-byte fixed-file-info record, beginning with `signature`.
inline std::string FixedInfo(std::uint32_t signature = 0xFEEF04BD) {
    std::string out;
    Put16(out, signature & 0xFFFFu);
    Put16(out, signature >> 16);
    out.resize(52, '\0');
    return out;
}

inline std::string Root(const std::string& fixedInfo, const std::vector<std::string>& children) {
    return Block(u"VS_VERSION_INFO", fixedInfo, static_cast<std::uint16_t>(fixedInfo.size()),
                 children);
}

// A resource like the program's own: one table "040904E4" and one translation.
inline std::string ProgramLikeResource() {
    return Root(FixedInfo(),
                {StringFileInfo({Table(u"040904E4", {Entry(u"CompanyName", u"Kestrava"),
                                                     Entry(u"FileVersion", u"2.0.0.0"),
                                                     Entry(u"ProductName", u"Mendrake")})}),
                 VarFileInfo({0x04E40409})});
}

} // namespace mendrake::test

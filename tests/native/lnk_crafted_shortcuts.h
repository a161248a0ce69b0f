// Shortcut files made by altering one field of a real one, with the target that Wine's shell
// object gave for each when we measured it (IShellLinkA::GetPath, SLGP_UNCPRIORITY, 260-byte
// buffer). The native test checks the reader against these answers; the Wine test checks the
// shell object still gives them.
#pragma once

#include "tests/support/fixtures.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::test::lnk {

struct CraftedShortcut {
    std::string name;
    std::string bytes;
    std::string target;
};

// The format document's own example: item-ID list, link info with the local base path
// "C:\test\a.txt" (no common path suffix), relative path ".\a.txt", working folder "C:\test".
inline std::string FormatExample() {
    return ReadHostFile(SharedData("lnk-LnkParse3/decoded/microsoft_example.lnk"));
}

inline std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    }
    return value;
}

inline std::string WithU32(std::string bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

inline std::string WithU16(std::string bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
    return bytes;
}

// Where the link info starts: after the header and the item-ID list with its size field.
inline std::size_t LinkInfoStart(const std::string& bytes) {
    const auto idListSize =
        static_cast<std::size_t>(static_cast<unsigned char>(bytes.at(0x4C)) |
                                 static_cast<unsigned char>(bytes.at(0x4D)) << 8);
    return 0x4C + 2 + idListSize;
}

// The example with its local base path replaced by `path`; the link info grows or shrinks and
// the offsets behind the path move with it.
inline std::string WithLocalBasePath(const std::string& bytes, const std::string& path) {
    const std::size_t start = LinkInfoStart(bytes);
    const std::uint32_t size = U32At(bytes, start);
    const std::uint32_t pathOffset = U32At(bytes, start + 16);
    const std::size_t pathEnd = bytes.find('\0', start + pathOffset);
    const std::size_t oldLength = pathEnd - (start + pathOffset);
    std::string result = bytes.substr(0, start + pathOffset) + path + bytes.substr(pathEnd);
    const auto grown =
        static_cast<std::uint32_t>(path.size()) - static_cast<std::uint32_t>(oldLength);
    result = WithU32(result, start, size + grown);
    for (const std::size_t field : {20u, 24u}) {
        const std::uint32_t offset = U32At(result, start + field);
        if (offset > pathOffset) {
            result = WithU32(result, start + field, offset + grown);
        }
    }
    return result;
}

inline std::vector<CraftedShortcut> CraftedShortcuts() {
    const std::string example = FormatExample();
    const std::size_t linkInfo = LinkInfoStart(example);
    const std::uint32_t linkInfoSize = U32At(example, linkInfo);
    const std::uint32_t flags = U32At(example, 0x14);
    const std::size_t stringData = linkInfo + linkInfoSize;
    std::string clsid = example;
    clsid[4] = static_cast<char>(clsid[4] ^ 1);
    std::string highBytes = example;
    const std::size_t test = highBytes.find("test\\a.txt");
    highBytes.replace(test, 3, "\x80\x81\x9D");

    // A Unicode-variant link info whose UTF-16 copy of the path says D: instead of C:.
    std::string twoPaths = ReadHostFile(SharedData("lnk-plaso/test_data/unpaired_surrogate.lnk"));
    const std::size_t twoPathsInfo = LinkInfoStart(twoPaths);
    twoPaths.at(twoPathsInfo + U32At(twoPaths, twoPathsInfo + 28)) = 'D';

    // An advertised (installer) shortcut: no LinkInfo, a relative path to its icon.
    const std::string darwin =
        ReadHostFile(SharedData("lnk-EricZimmerman-Lnk/TestFiles/Misc/local.file.darwin.test"));

    return {
        {"unaltered example", example, "C:\\test\\a.txt"},
        {"header size 0x4B", WithU32(example, 0, 0x4B), ""},
        {"class identifier altered", clsid, ""},
        {"link info smaller than its header", WithU32(example, linkInfo, 24), ""},
        {"link info flags cleared", WithU32(example, linkInfo + 8, 0), "C:\\test\\a.txt"},
        {"no local base path offset: the relative path stands in",
         WithU32(example, linkInfo + 16, 0), ".\\a.txt"},
        {"local base path offset past the block", WithU32(example, linkInfo + 16, 0x7FFFFFFF),
         ".\\a.txt"},
        {"local base path offset inside the size field", WithU32(example, linkInfo + 16, 2), ""},
        {"local base path empty: the relative path does not stand in",
         WithU32(example, linkInfo + 16, linkInfoSize - 1), ""},
        {"local base path of 259 bytes", WithLocalBasePath(example, "C:\\" + std::string(256, 'x')),
         "C:\\" + std::string(256, 'x')},
        {"local base path of 300 bytes comes back cut to the 260-byte buffer",
         WithLocalBasePath(example, "C:\\" + std::string(297, 'x')),
         "C:\\" + std::string(257, 'x')},
        {"ANSI bytes of the local base path pass through unchanged", highBytes,
         "C:\\\x80\x81\x9D"
         "t\\a.txt"},
        {"the UTF-16 copy of the local base path is not used", twoPaths,
         "C:\\test\\unicode_U+0000d800_?.exe"},
        {"string count past the end", WithU16(example, stringData, 0xFFFF), ""},
        {"extra data cut short", example.substr(0, example.size() - 10), "C:\\test\\a.txt"},
        {"advertised-program flag without its block", WithU32(example, 0x14, flags | 0x1000), ""},
        {"advertised-program flag cleared: the relative path stands in",
         WithU32(darwin, 0x14, U32At(darwin, 0x14) & ~0x1000u),
         "..\\..\\..\\..\\..\\Windows\\Installer\\{AC76BA86-7AD7-1036-7B44-A93000000001}\\SC_"
         "Reader.ico"},
    };
}

} // namespace mendrake::test::lnk

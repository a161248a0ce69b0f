// What the shell's shortcut object reports as a shortcut's target, read from the file's bytes.
//
// The shell object we are measured against is Wine's: these rules are what Wine 8.0 did with the
// 1,069 real shortcut files of the shared collection and some 13,600 copies of them cut short or
// altered byte by byte (tests/wine/lnk_reader_agreement_legacy_code_page_test.cpp repeats the
// comparison). Loading a file there does this:
//  - the 76-byte header must be whole, name its own size (0x4C) and the shell-link class;
//  - the item-ID list, the link info, the five counted strings and the advertised-program
//    ("Darwin"/Logo3) blocks that the link flags announce must all be present, or the load fails;
//  - the target is the link info's local base path as stored, in ANSI (its common path suffix,
//    its network part and the item-ID list are not consulted); without one, the relative path
//    stands in as it is (the shell object turns it into a full path only when a file exists at
//    it, which a reader of bytes cannot know);
//  - an advertised (installer) shortcut reports no path at all;
//  - the ANSI text comes back through a 260-byte buffer: a longer path is cut to 260 bytes.
// Extra data blocks other than the advertised-program ones (environment-variable paths,
// tracker data, property stores) play no part in the target.
#include "platform/memory/lnk_reader.h"

#include "platform/memory/lnk_ansi.h"
#include "platform/memory/lnk_byte_cursor.h"

#include <array>
#include <cstdint>
#include <optional>

namespace mendrake::platform {
namespace {

using lnk::ByteCursor;
using lnk::ShortcutFormatError;

constexpr std::uint32_t kHeaderSize = 0x4C;

// CLSID_ShellLink {00021401-0000-0000-C000-000000000046} as stored (little-endian fields).
constexpr std::array<unsigned char, 16> kShellLinkClassId = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Link flags that change what follows the header.
constexpr std::uint32_t kHasTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kHasIconLocation = 0x40;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kHasLogo3Id = 0x800;
constexpr std::uint32_t kHasDarwinId = 0x1000;

// An advertised-program block is a fixed-size extra data block: size, signature, then the
// identifier in ANSI (260 bytes) and in UTF-16 (260 units).
constexpr std::uint32_t kAdvertiseBlockSize = 0x314;
constexpr std::uint32_t kExtraBlockSignatureMask = 0xFFFF0000u;
constexpr std::uint32_t kExtraBlockSignatureBase = 0xA0000000u;

// GetPath's buffer: 260 bytes, and a path that fills it comes back cut to its size.
constexpr std::size_t kPathBufferSize = 260;

// The link info's fixed header is seven 32-bit fields; the fifth holds the offset of the local
// base path.
constexpr std::uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr std::size_t kLocalBasePathOffsetField = 16;

void ReadHeader(ByteCursor& cursor, std::uint32_t& flags) {
    const std::string_view header = cursor.Take(kHeaderSize, "header");
    if (lnk::LittleEndianAt(header, 0, 4) != kHeaderSize) {
        throw ShortcutFormatError("header size is not 0x4C");
    }
    for (std::size_t i = 0; i < kShellLinkClassId.size(); ++i) {
        if (static_cast<unsigned char>(header[4 + i]) != kShellLinkClassId[i]) {
            throw ShortcutFormatError("header does not name the shell-link class");
        }
    }
    flags = lnk::LittleEndianAt(header, 20, 4);
}

// The local base path of a link info block: the zero-terminated ANSI text at the offset its
// header gives, counted from the start of the block, when that offset is not zero and lies
// inside the block. The link-info flags are not looked at: an offset is enough. A block too
// small for its fixed header fails the load.
std::optional<std::string> ReadLocalBasePath(ByteCursor& cursor) {
    const std::size_t start = cursor.Position();
    const std::uint32_t size = cursor.U32("link info size");
    if (size < kLinkInfoHeaderSize) {
        throw ShortcutFormatError("link info is smaller than its header");
    }
    cursor.Take(size - 4, "link info");
    const std::string_view block = cursor.Since(start);
    const std::uint32_t offset = lnk::LittleEndianAt(block, kLocalBasePathOffsetField, 4);
    if (offset == 0 || offset >= size) {
        return std::nullopt;
    }
    const std::string_view text = block.substr(offset);
    return std::string(text.substr(0, text.find('\0')));
}

// One counted string of the string data: a 16-bit count of characters, then the characters
// (UTF-16 when the link is Unicode). Text after an embedded zero is not part of the string.
std::string ReadCountedString(ByteCursor& cursor, bool unicode, const char* what) {
    const std::uint16_t count = cursor.U16(what);
    if (!unicode) {
        const std::string_view text = cursor.Take(count, what);
        return std::string(text.substr(0, text.find('\0')));
    }
    const std::string_view raw = cursor.Take(std::size_t{count} * 2, what);
    std::u16string text;
    for (std::size_t i = 0; i < raw.size(); i += 2) {
        const auto unit = static_cast<char16_t>(lnk::LittleEndianAt(raw, i, 2));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return lnk::Utf16ToAnsi(text);
}

void ReadAdvertiseBlock(ByteCursor& cursor) {
    if (cursor.U32("advertised-program block size") != kAdvertiseBlockSize) {
        throw ShortcutFormatError("advertised-program block has the wrong size");
    }
    const std::uint32_t signature = cursor.U32("advertised-program block signature");
    cursor.Take(kAdvertiseBlockSize - 8, "advertised-program block");
    if ((signature & kExtraBlockSignatureMask) != kExtraBlockSignatureBase) {
        throw ShortcutFormatError("advertised-program block has no extra-data signature");
    }
}

std::string ReadTarget(std::string_view bytes) {
    ByteCursor cursor(bytes);
    std::uint32_t flags = 0;
    ReadHeader(cursor, flags);

    if (flags & kHasTargetIdList) {
        cursor.Take(cursor.U16("item-ID list size"), "item-ID list");
    }
    std::optional<std::string> localBasePath;
    if (flags & kHasLinkInfo) {
        localBasePath = ReadLocalBasePath(cursor);
    }

    const bool unicode = (flags & kIsUnicode) != 0;
    std::optional<std::string> relativePath;
    if (flags & kHasName) {
        ReadCountedString(cursor, unicode, "description");
    }
    if (flags & kHasRelativePath) {
        relativePath = ReadCountedString(cursor, unicode, "relative path");
    }
    if (flags & kHasWorkingDir) {
        ReadCountedString(cursor, unicode, "working folder");
    }
    if (flags & kHasArguments) {
        ReadCountedString(cursor, unicode, "arguments");
    }
    if (flags & kHasIconLocation) {
        ReadCountedString(cursor, unicode, "icon location");
    }

    // The advertised-program blocks are expected right after the string data, product first.
    const bool advertised = (flags & (kHasLogo3Id | kHasDarwinId)) != 0;
    if (flags & kHasLogo3Id) {
        ReadAdvertiseBlock(cursor);
    }
    if (flags & kHasDarwinId) {
        ReadAdvertiseBlock(cursor);
    }
    if (advertised) {
        return {};
    }

    std::string target;
    if (localBasePath) {
        target = *localBasePath;
    } else if (relativePath) {
        target = *relativePath;
    }
    if (target.size() > kPathBufferSize) {
        target.resize(kPathBufferSize);
    }
    return target;
}

} // namespace

std::string ReadShortcutTarget(std::string_view bytes) {
    try {
        return ReadTarget(bytes);
    } catch (const ShortcutFormatError&) {
        return {};
    }
}

} // namespace mendrake::platform

#include "settings/version_unit.h"

#include "engine/error.h"

#include <cstddef>
#include <optional>

namespace mendrake {

namespace {

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

// Thrown inside the parse only; the parse turns it into a failed result.
struct Malformed {};

struct BlockHeader {
    std::size_t size = 0; // bytes from the block start to its value, alignment included
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    std::string key;
    // The bytes after the header: the value and the children. A string entry whose length
    // does not cover its own aligned header has none, and the cursor stays where the header
    // ended, so it still only moves forward.
    std::size_t Remaining() const { return length > size ? length - size : 0; }
};

// A cursor over the resource bytes. Every read checks the bounds of the resource, so a
// length field, a key or a value that runs past the end ends the parse instead of reading
// memory that is not ours.
class Cursor {
  public:
    explicit Cursor(std::string_view data) : data_(data) {}

    std::size_t Offset() const { return at_; }

    std::uint16_t Read16() {
        Need(2);
        const auto low = static_cast<unsigned char>(data_[at_]);
        const auto high = static_cast<unsigned char>(data_[at_ + 1]);
        at_ += 2;
        return static_cast<std::uint16_t>(low | (high << 8));
    }

    std::uint32_t Read32() {
        const std::uint32_t low = Read16();
        const std::uint32_t high = Read16();
        return low | (high << 16);
    }

    // A block's key: UTF-16 text whose terminating zero lies inside the resource; the cursor
    // moves past the terminator.
    std::u16string ReadKey() {
        std::u16string text;
        for (std::uint16_t unit = Read16(); unit != 0; unit = Read16()) {
            text += static_cast<char16_t>(unit);
        }
        return text;
    }

    // A string value: UTF-16 text up to its terminating zero or the end of its block, whichever
    // comes first, and never past the resource. The cursor does not move.
    std::u16string PeekText(std::size_t blockEnd) const {
        std::u16string text;
        const std::size_t end = blockEnd < data_.size() ? blockEnd : data_.size();
        for (std::size_t at = at_; at + 2 <= end; at += 2) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data_[at]) |
                                                    static_cast<unsigned char>(data_[at + 1]) << 8);
            if (unit == 0) {
                break;
            }
            text += unit;
        }
        return text;
    }

    // Moves forward to the next multiple of 4 from the resource start. The resource starts on
    // such an address, so this is the alignment the format defines.
    void Align() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }

    // Only ever forward: every block is at least as long as its header.
    void MoveTo(std::size_t offset) { at_ = offset; }

    std::size_t Size() const { return data_.size(); }

  private:
    void Need(std::size_t bytes) const {
        if (at_ > data_.size() || data_.size() - at_ < bytes) {
            throw Malformed{};
        }
    }

    std::string_view data_;
    std::size_t at_ = 0;
};

// Reads a block's header. Only a string entry may be shorter than its aligned header (some
// resource compilers count an empty string's header without its padding); for any other block
// that would mean the walk has lost its way.
BlockHeader ReadBlockHeader(Cursor& cursor, bool isStringEntry = false) {
    const std::size_t start = cursor.Offset();
    BlockHeader header;
    header.length = cursor.Read16();
    header.valueLength = cursor.Read16();
    cursor.Read16(); // the type: text or binary, not needed to walk the tree
    header.key = platform::Os().AnsiFromUtf16(cursor.ReadKey());
    cursor.Align();
    header.size = cursor.Offset() - start;
    // A block longer than the rest of the resource claims bytes that are not there; a table or
    // a child shorter than its own header has lost its place. Either way the resource is
    // malformed.
    if ((header.length < header.size && !isStringEntry) || header.length > cursor.Size() - start) {
        throw Malformed{};
    }
    return header;
}

std::optional<std::int32_t> HexNumber(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    for (char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

using StringList = std::vector<std::pair<std::string, TVersionStringValue>>;

// The string tables of "StringFileInfo", over `length` bytes. Each table is keyed by eight
// hexadecimal digits, language id then code page; only the last table's strings survive.
void ParseStringTables(Cursor& cursor, std::size_t length, StringList& values) {
    auto& os = platform::Os();
    const std::size_t start = cursor.Offset();
    while (cursor.Offset() - start < length) {
        const BlockHeader table = ReadBlockHeader(cursor);
        const std::string_view key = table.key;
        const auto language = HexNumber(key.substr(0, 4));
        const auto codePage = HexNumber(key.substr(key.size() < 4 ? key.size() : 4, 4));
        if (!language || !codePage) {
            throw Malformed{};
        }
        values.clear();
        const std::size_t childrenStart = cursor.Offset();
        const std::size_t tableLength = table.Remaining();
        while (cursor.Offset() - childrenStart < tableLength) {
            const BlockHeader entry = ReadBlockHeader(cursor, true);
            const std::size_t valueEnd = cursor.Offset() + entry.Remaining();
            std::string text;
            if (entry.valueLength != 0) {
                text = os.AnsiFromUtf16(cursor.PeekText(valueEnd));
            }
            cursor.MoveTo(valueEnd);
            cursor.Align();
            values.emplace_back(entry.key, TVersionStringValue{text, *language, *codePage});
        }
    }
}

// The variables of "VarFileInfo", over `length` bytes: each a list of 32-bit words (language
// id in the low half, code page in the high half); only the last variable's words survive.
void ParseVariables(Cursor& cursor, std::size_t length, std::vector<std::uint32_t>& words) {
    const std::size_t start = cursor.Offset();
    while (cursor.Offset() - start < length) {
        const BlockHeader variable = ReadBlockHeader(cursor);
        words.clear();
        const std::size_t valueStart = cursor.Offset();
        while (cursor.Offset() - valueStart < variable.Remaining()) {
            words.push_back(cursor.Read32());
        }
    }
}

} // namespace

TVersionInfo::TVersionInfo(platform::Hmodule module)
    : Module_(module), ResourceData_(platform::Os().VersionResource(module)) {
    if (ResourceData_.empty()) {
        throw Error("Unable to load version info resource");
    }
}

TVersionInfo::TVersionInfo(std::string_view resourceBytes) : ResourceData_(resourceBytes) {
    if (ResourceData_.empty()) {
        throw Error("Unable to load version info resource");
    }
}

std::string TVersionInfo::StringValue(const std::string& name) {
    if (!Parse()) {
        throw Error("Key not found");
    }
    auto& os = platform::Os();
    for (const auto& [key, value] : StringValues_) {
        if (os.EqualTextIgnoreCase(key, name)) {
            return value.ValueText;
        }
    }
    throw Error("Key not found");
}

// Walks the root block, then its "StringFileInfo" and "VarFileInfo" children. A root with a
// fixed-info value marks the parse done, even when a later block fails; a root without one is
// parsed again at every lookup.
bool TVersionInfo::Parse() {
    if (FixedInfo_ != nullptr) {
        return true;
    }
    try {
        Cursor cursor(ResourceData_);
        const BlockHeader root = ReadBlockHeader(cursor);
        if (root.valueLength != 0) {
            const std::size_t valueStart = cursor.Offset();
            FixedInfo_ = ResourceData_.data() + valueStart;
            if (cursor.Read32() != kFixedInfoSignature) {
                return false;
            }
            cursor.MoveTo(valueStart + root.valueLength);
            cursor.Align();
        }
        while (cursor.Offset() < root.length) {
            const BlockHeader child = ReadBlockHeader(cursor);
            const std::size_t remaining = child.Remaining();
            if (child.key == "StringFileInfo") {
                ParseStringTables(cursor, remaining, StringValues_);
            } else if (child.key == "VarFileInfo") {
                ParseVariables(cursor, remaining, Translations_);
            } else {
                break;
            }
        }
        return true;
    } catch (const Malformed&) {
        return false;
    }
}

} // namespace mendrake

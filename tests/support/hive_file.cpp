#include "tests/support/hive_file.h"

#include <algorithm>

namespace mendrake::test {

namespace {

// The layout, as the format is documented: a 4096-byte base block ("regf", the root key's cell
// at offset 0x24), then bins of cells; a cell's offset counts from the first bin, and a cell
// begins with its size (negative while in use).
constexpr std::size_t kBinsStart = 4096;
constexpr std::uint16_t kAsciiName = 0x20;  // key flag: the name is stored one byte a character
constexpr std::uint16_t kAsciiValue = 0x01; // value flag: the same for a value's name
constexpr std::uint32_t kInlineData = 0x80000000u;
constexpr std::size_t kBigDataSegment = 16344; // data longer than this is held in segments
constexpr int kDeepest = 512;

class Hive {
  public:
    explicit Hive(std::string_view bytes) : bytes_(bytes) {}

    bool Valid() const { return bytes_.size() >= kBinsStart && bytes_.substr(0, 4) == "regf"; }
    std::uint32_t RootCell() const { return U32(0x24); }

    // The data of the cell at `offset` (after its size), or nothing when it is out of bounds.
    std::optional<std::string_view> Cell(std::uint32_t offset) const {
        const std::size_t at = kBinsStart + offset;
        if (offset == 0xFFFFFFFFu || at + 4 > bytes_.size()) {
            return std::nullopt;
        }
        const std::int32_t size = static_cast<std::int32_t>(U32(at));
        const std::size_t length = static_cast<std::size_t>(size < 0 ? -size : size);
        if (length < 4 || at + length > bytes_.size()) {
            return std::nullopt;
        }
        return bytes_.substr(at + 4, length - 4);
    }

    static std::uint16_t U16(std::string_view data, std::size_t at) {
        return static_cast<std::uint16_t>(Byte(data, at) | Byte(data, at + 1) << 8);
    }
    static std::uint32_t U32(std::string_view data, std::size_t at) {
        return static_cast<std::uint32_t>(U16(data, at)) |
               static_cast<std::uint32_t>(U16(data, at + 2)) << 16;
    }

  private:
    static std::uint32_t Byte(std::string_view data, std::size_t at) {
        return at < data.size() ? static_cast<unsigned char>(data[at]) : 0u;
    }
    std::uint32_t U32(std::size_t at) const { return U32(bytes_, at); }

    std::string_view bytes_;
};

std::u16string NameOf(std::string_view raw, bool ascii) {
    std::u16string name;
    if (ascii) {
        for (const char c : raw) {
            name += static_cast<char16_t>(static_cast<unsigned char>(c)); // Latin-1
        }
        return name;
    }
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        name += static_cast<char16_t>(Hive::U16(raw, i));
    }
    return name;
}

class Reader {
  public:
    Reader(const Hive& hive, std::u16string_view below) : hive_(hive), below_(below) {}

    bool Key(std::uint32_t offset, const std::u16string& path, int depth,
             std::vector<HiveKey>& keys) {
        const std::optional<std::string_view> nk = hive_.Cell(offset);
        if (!nk || nk->size() < 76 || nk->substr(0, 2) != "nk" || depth > kDeepest) {
            return false;
        }
        if (Within(path)) {
            HiveKey& key = keys.emplace_back();
            key.path = path;
            if (!Values(*nk, key.values)) {
                return false;
            }
        }
        std::vector<std::uint32_t> subkeys;
        if (Hive::U32(*nk, 20) != 0 && !List(Hive::U32(*nk, 28), subkeys, 0)) {
            return false;
        }
        for (const std::uint32_t subkey : subkeys) {
            const std::optional<std::string_view> child = hive_.Cell(subkey);
            if (!child || child->size() < 76) {
                return false;
            }
            const std::u16string name = NameOf(child->substr(76, Hive::U16(*child, 72)),
                                               (Hive::U16(*child, 2) & kAsciiName) != 0);
            const std::u16string childPath = path.empty() ? name : path + u"\\" + name;
            if (Leads(childPath) && !Key(subkey, childPath, depth + 1, keys)) {
                return false;
            }
        }
        return true;
    }

  private:
    // Whether `path` is at or below the wanted key, or on the way to it (case-insensitively,
    // for the ASCII letters that key names use).
    static char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }
    static bool SameStart(std::u16string_view a, std::u16string_view b, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            if (Upper(a[i]) != Upper(b[i])) {
                return false;
            }
        }
        return true;
    }
    bool Within(std::u16string_view path) const {
        return below_.empty() ||
               (path.size() >= below_.size() && SameStart(path, below_, below_.size()) &&
                (path.size() == below_.size() || path[below_.size()] == u'\\'));
    }
    bool Leads(std::u16string_view path) const {
        return Within(path) ||
               (path.size() < below_.size() && SameStart(path, below_, path.size()) &&
                below_[path.size()] == u'\\');
    }

    // The key cells of a subkey list: "lf" and "lh" (offset and hash pairs), "li" (offsets)
    // and "ri" (a list of lists).
    bool List(std::uint32_t offset, std::vector<std::uint32_t>& keys, int depth) {
        const std::optional<std::string_view> list = hive_.Cell(offset);
        if (!list || list->size() < 4 || depth > 2) {
            return false;
        }
        const std::string_view kind = list->substr(0, 2);
        const std::size_t count = Hive::U16(*list, 2);
        const std::size_t step = kind == "lf" || kind == "lh" ? 8 : 4;
        if ((kind != "lf" && kind != "lh" && kind != "li" && kind != "ri") ||
            list->size() < 4 + count * step) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t entry = Hive::U32(*list, 4 + i * step);
            if (kind == "ri") {
                if (!List(entry, keys, depth + 1)) {
                    return false;
                }
            } else {
                keys.push_back(entry);
            }
        }
        return true;
    }

    bool Values(std::string_view nk, std::vector<HiveValue>& values) {
        const std::size_t count = Hive::U32(nk, 36);
        if (count == 0) {
            return true;
        }
        const std::optional<std::string_view> list = hive_.Cell(Hive::U32(nk, 40));
        if (!list || list->size() < count * 4) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::optional<std::string_view> vk = hive_.Cell(Hive::U32(*list, i * 4));
            if (!vk || vk->size() < 20 || vk->substr(0, 2) != "vk") {
                return false;
            }
            HiveValue& value = values.emplace_back();
            value.name =
                NameOf(vk->substr(20, Hive::U16(*vk, 2)), (Hive::U16(*vk, 16) & kAsciiValue) != 0);
            value.type = Hive::U32(*vk, 12);
            const std::uint32_t size = Hive::U32(*vk, 4);
            if ((size & kInlineData) != 0) {
                value.data =
                    std::string(vk->substr(8, std::min<std::uint32_t>(size & ~kInlineData, 4)));
            } else if (!Data(Hive::U32(*vk, 8), size, value.data)) {
                return false;
            }
        }
        return true;
    }

    bool Data(std::uint32_t offset, std::uint32_t size, std::string& data) {
        const std::optional<std::string_view> cell = hive_.Cell(offset);
        if (!cell) {
            return false;
        }
        if (size <= kBigDataSegment || cell->substr(0, 2) != "db") {
            if (cell->size() < size) {
                return false;
            }
            data = std::string(cell->substr(0, size));
            return true;
        }
        // Big data: a list of segments, each a cell of up to kBigDataSegment bytes.
        const std::size_t segments = Hive::U16(*cell, 2);
        const std::optional<std::string_view> list = hive_.Cell(Hive::U32(*cell, 4));
        if (!list || list->size() < segments * 4) {
            return false;
        }
        for (std::size_t i = 0; i < segments && data.size() < size; ++i) {
            const std::optional<std::string_view> segment = hive_.Cell(Hive::U32(*list, i * 4));
            if (!segment) {
                return false;
            }
            data += segment->substr(0, std::min<std::size_t>(kBigDataSegment, size - data.size()));
        }
        return data.size() == size;
    }

    const Hive& hive_;
    std::u16string_view below_;
};

} // namespace

std::optional<std::vector<HiveKey>> ReadHive(std::string_view bytes, std::u16string_view below) {
    const Hive hive(bytes);
    if (!hive.Valid()) {
        return std::nullopt;
    }
    std::vector<HiveKey> keys;
    Reader reader(hive, below);
    if (!reader.Key(hive.RootCell(), u"", 0, keys)) {
        return std::nullopt;
    }
    return keys;
}

} // namespace mendrake::test

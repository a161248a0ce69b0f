#include "repair/regexport_unit.h"

#include <array>
#include <cstdio>

namespace mendrake {

namespace {

// One escaping rule of a string written between quotation marks.
struct TSubstitution {
    char Character;
    const char* Replacement;
};

// The characters the registry editor reads as escapes inside quoted text.
constexpr TSubstitution Substitutions[] = {
    {'\n', "\\n"},
    {'\r', "\\r"},
    {'"', "\\\""},
    {'\\', "\\\\"},
};

// Replacement text by character code; null means the character is copied unchanged.
constexpr std::array<const char*, 256> MakeSubstitutionTable() {
    std::array<const char*, 256> table{};
    for (const TSubstitution& rule : Substitutions) {
        table[static_cast<unsigned char>(rule.Character)] = rule.Replacement;
    }
    return table;
}

constexpr std::array<const char*, 256> SubstitutionTable = MakeSubstitutionTable();

// Bytes per physical line of hex data, as the registry editor writes them.
constexpr std::size_t kBytesPerLine = 16;

// "prefix" followed by the bytes as upper-case hex pairs separated by commas. After every
// sixteenth byte that is not the last one the line is continued: a backslash and CR LF, and the
// next byte starts the following line without indentation. No continuation follows the last
// byte: the registry editor would read the value on as far as the next line and lose it.
std::string HexData(const std::string& prefix, const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(prefix.size() + bytes.size() * 3 + (bytes.size() / kBytesPerLine) * 3);
    text += prefix;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
        if (i + 1 < bytes.size()) {
            text += ',';
            if (i % kBytesPerLine == kBytesPerLine - 1) {
                text += "\\\r\n";
            }
        }
    }
    return text;
}

// Escaped text between quotation marks. (Built by appending: GCC 12 warns falsely about
// `"\"" + std::string&&` under optimisation.)
std::string Quoted(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 8);
    quoted += '"';
    quoted += EscapeRegString(text);
    quoted += '"';
    return quoted;
}

std::string NamePart(const std::string& name) {
    return name.empty() ? std::string("@") : Quoted(name);
}

// Appends the blocks of the open key and its subtree. `wanted` selects the values written:
// every value, or only the one whose name equals it byte for byte.
void ExportWalk(RegistryAccess& reg, std::vector<std::string>& lines, const std::string* wanted) {
    const std::string rootName = RootKeyName(reg.Root());
    // The work list as a stack: the subkeys of a key are pushed in enumeration order, so the
    // last-listed one is written next, each with its whole subtree before its earlier sibling.
    std::vector<std::string> work{reg.CurrentPath()};
    // The first key is the open one already: opening it again would only cost a round trip.
    bool open = reg.IsOpen();
    while (!work.empty()) {
        const std::string path = std::move(work.back());
        work.pop_back();
        const bool opened = open || OpenKeyPath(reg, path);
        open = false;
        if (!opened) {
            continue; // the key and everything below it are left out
        }
        lines.push_back("[" + rootName + "\\" + reg.CurrentPath() + "]");
        for (const std::string& name : reg.ValueNames()) {
            if (wanted == nullptr || name == *wanted) {
                lines.push_back(NamePart(name) + "=" + FormatValueData(reg, name));
            }
        }
        lines.emplace_back();
        for (const std::string& subkey : reg.SubkeyNames()) {
            work.push_back(path.empty() ? subkey : path + "\\" + subkey);
        }
    }
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string ExportText(std::uint32_t root, const std::string& keyPath, const std::string* wanted) {
    RegistryAccess reg;
    reg.SetRoot(root);
    const bool fromRoot = !keyPath.empty() && keyPath.front() == '\\';
    if (!OpenKeyPath(reg, fromRoot ? keyPath.substr(1) : keyPath)) {
        return {};
    }
    std::vector<std::string> lines;
    ExportWalk(reg, lines, wanted);
    return JoinLines(lines);
}

} // namespace

// A key deeper than the ANSI functions can name in one path (Wine converts the path through a
// buffer of MAX_PATH characters and refuses a longer one) still exists and is still deleted
// with its parent's subtree; it is opened one name at a time from the root, since a single key
// name is at most 255 characters. Without this the backup would silently miss such keys.
bool OpenKeyPath(RegistryAccess& reg, const std::string& path) {
    constexpr std::size_t kLongestKeyName = 255;
    if (reg.Open("\\" + path)) {
        return true;
    }
    if (path.size() <= kLongestKeyName) {
        return false;
    }
    std::size_t start = 0;
    for (bool first = true; start <= path.size(); first = false) {
        std::size_t end = path.find('\\', start);
        end = end == std::string::npos ? path.size() : end;
        const std::string name = path.substr(start, end - start);
        if (!reg.Open(first ? "\\" + name : name)) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::string RootKeyName(std::uint32_t root) {
    switch (root) {
    case 0x80000000u:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001u:
        return "HKEY_CURRENT_USER";
    case 0x80000002u:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003u:
        return "HKEY_USERS";
    case 0x80000004u:
        return "HKEY_PERFORMANCE_DATA";
    case 0x80000005u:
        return "HKEY_CURRENT_CONFIG";
    case 0x80000006u:
        return "HKEY_DYN_DATA";
    default:
        return {};
    }
}

std::string EscapeRegString(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const char* replacement = SubstitutionTable[static_cast<unsigned char>(c)];
        if (replacement != nullptr) {
            escaped += replacement;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// Plain strings are written quoted and 4-byte numbers as "dword:"; every other type is written
// as "hex(N):" with its raw bytes so that an import gives back the same type and data (an
// expandable string written quoted would come back as a plain string, a multi-string or a
// 64-bit number written as nothing would come back empty).
std::string FormatValueData(RegistryAccess& reg, const std::string& name) {
    const std::optional<platform::RegValue> value = reg.RawValue(name);
    if (!value) {
        return {};
    }
    switch (value->type) {
    case platform::kRegSz:
        return Quoted(reg.ReadText(name));
    case platform::kRegBinary:
        return HexData("hex:", value->data);
    case platform::kRegDword:
        if (value->data.size() == 4) {
            char text[16];
            std::snprintf(text, sizeof text, "dword:%.8X",
                          static_cast<std::uint32_t>(reg.ReadNumber(name)));
            return text;
        }
        break; // a malformed size has no dword form; its bytes are kept as they are
    default:
        break;
    }
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value->type));
    return HexData(prefix, value->data);
}

void ExportKeyLines(RegistryAccess& reg, std::vector<std::string>& lines) {
    ExportWalk(reg, lines, nullptr);
}

void ExportValueLines(RegistryAccess& reg, std::vector<std::string>& lines,
                      const std::string& name) {
    ExportWalk(reg, lines, &name);
}

std::string RegFileHeader() {
    return "REGEDIT4\r\n\r\n";
}

std::string ExportKeyText(std::uint32_t root, const std::string& keyPath) {
    return ExportText(root, keyPath, nullptr);
}

std::string ExportValueText(std::uint32_t root, const std::string& keyPath,
                            const std::string& valueName) {
    return ExportText(root, keyPath, &valueName);
}

} // namespace mendrake

#include "repair/regexport_unit.h"

#include "engine/ansi_text.h"
#include "engine/error.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

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

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsStringType(std::uint32_t type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz ||
           type == platform::kRegMultiSz;
}

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

// "HKEY_CURRENT_USER\path" of the open key, for the reasons an export gives.
std::string KeyText(RegistryAccess& reg) {
    return RootKeyName(reg.Root()) + "\\" + reg.CurrentPath();
}

// A section line holds the key's path raw up to its closing bracket: a line break inside a key
// name would end the line there and the registry editor would put the key's values elsewhere.
bool NameFitsSectionLine(const std::string& name) {
    return name.find_first_of("\r\n") == std::string::npos;
}

// Appends the blocks of the open key and its subtree. `wanted` selects the values written:
// every value, or only the one whose name equals it byte for byte (in the open key, the value
// that name reaches, as the fix's deletion does). `problem` receives the first thing the text
// cannot give back exactly among what a fix would delete: the whole subtree of a key export,
// the one value of the start key for a value export. What is not written exactly is left out
// of the text.
void ExportWalk(RegistryAccess& reg, std::vector<std::string>& lines, const std::string* wanted,
                std::string& problem, bool& ascii) {
    const bool wholeKey = wanted == nullptr;
    auto note = [&](bool deleted, const std::string& reason) {
        if (deleted && problem.empty()) {
            problem = reason;
        }
    };
    const std::string rootName = RootKeyName(reg.Root());
    // The work list as a stack: the subkeys of a key are pushed in enumeration order, so the
    // last-listed one is written next, each with its whole subtree before its earlier sibling.
    std::vector<std::string> work{reg.CurrentPath()};
    // The first key is the open one already: opening it again would only cost a round trip.
    bool open = reg.IsOpen();
    bool start = true;
    while (!work.empty()) {
        const std::string path = std::move(work.back());
        work.pop_back();
        const bool opened = open || OpenKeyPath(reg, path);
        open = false;
        if (!opened) {
            note(wholeKey, "the key \"" + rootName + "\\" + path + "\" cannot be read");
            continue; // the key and everything below it are left out
        }
        const bool deletedHere = wholeKey || start;
        start = false;
        lines.push_back("[" + rootName + "\\" + reg.CurrentPath() + "]");
        ascii = ascii && IsAscii(lines.back());
        // A value line, or the reason the value cannot be written exactly.
        auto write = [&](const std::string& name, const platform::RegValue* value) {
            const std::string why = value ? ValueDataProblem(*value) : "cannot be read";
            if (!why.empty()) {
                note(deletedHere, "the value \"" + name + "\" in \"" + KeyText(reg) + "\" " + why);
                return;
            }
            lines.push_back(NamePart(name) + "=" + ValueDataText(*value));
            ascii = ascii && IsAscii(name) && (!IsStringType(value->type) || IsAscii(value->data));
        };
        auto noteLossyName = [&](const std::string& name) {
            note(deletedHere, "a value name in \"" + KeyText(reg) + "\" holds " +
                                  (name.find('\0') != std::string::npos
                                       ? "a NUL character"
                                       : "characters outside the ANSI code page"));
        };
        if (!wholeKey && deletedHere) {
            // The one value a value issue deletes is asked for by its name: a listing of the
            // key's values would cost a call for each of them.
            if (wanted->find('\0') != std::string::npos) {
                noteLossyName(*wanted); // a call naming it would reach another value
            } else {
                long status = platform::kSuccess;
                const std::optional<platform::RegValue> value = reg.RawValue(*wanted, status);
                if (value || status != platform::kFileNotFound) {
                    write(*wanted, value ? &*value : nullptr);
                }
            }
        } else {
            const KeyListing values = reg.ValueListingWithData();
            if (!values.Complete()) {
                note(deletedHere, "the values of \"" + KeyText(reg) + "\" cannot be listed");
            }
            for (const KeyListing::Entry& entry : values.entries) {
                if (!wholeKey && entry.name != *wanted) {
                    continue;
                }
                if (entry.lossy) {
                    noteLossyName(entry.name);
                    continue;
                }
                if (entry.value) {
                    write(entry.name, &*entry.value);
                } else {
                    const std::optional<platform::RegValue> queried = reg.RawValue(entry.name);
                    write(entry.name, queried ? &*queried : nullptr);
                }
            }
        }
        lines.emplace_back();
        const KeyListing subkeys = reg.SubkeyListing();
        if (!subkeys.Complete()) {
            note(wholeKey, "the subkeys of \"" + KeyText(reg) + "\" cannot be listed");
        }
        for (const KeyListing::Entry& entry : subkeys.entries) {
            if (entry.lossy) {
                note(wholeKey, "a key name below \"" + KeyText(reg) +
                                   "\" holds characters outside the ANSI code page");
            } else if (!NameFitsSectionLine(entry.name)) {
                note(wholeKey, "a key name below \"" + KeyText(reg) + "\" holds a line break");
            } else {
                work.push_back(path.empty() ? entry.name : path + "\\" + entry.name);
            }
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

ExportResult Export(std::uint32_t root, const std::string& keyPath, const std::string* wanted) {
    RegistryAccess reg;
    reg.SetRoot(root);
    // Reading is all a copy needs: a key that allows no more is still copied before it goes.
    reg.SetAccess(platform::kKeyRead);
    const bool fromRoot = !keyPath.empty() && keyPath.front() == '\\';
    const std::string path = fromRoot ? keyPath.substr(1) : keyPath;
    ExportResult result;
    if (!OpenKeyPath(reg, path)) {
        // A key that is gone has nothing to lose; one that is there but cannot be read does.
        if (reg.OpenStatus() != platform::kFileNotFound) {
            result.problem = "the key \"" + RootKeyName(root) + "\\" + path + "\" cannot be read";
        }
        return result;
    }
    std::vector<std::string> lines;
    ExportWalk(reg, lines, wanted, result.problem, result.ascii);
    result.text = JoinLines(lines);
    return result;
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
        std::size_t end = FindCharacter(path, "\\", start);
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
    case platform::kClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case platform::kCurrentUser:
        return "HKEY_CURRENT_USER";
    case platform::kLocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case platform::kUsers:
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
    platform::Platform& os = platform::Os();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // The second byte of a double-byte character may be 0x5C: it is no backslash.
        if (static_cast<unsigned char>(c) >= 0x80 && i + 1 < text.size() &&
            os.IsLeadByte(static_cast<unsigned char>(c))) {
            escaped += c;
            escaped += text[++i];
            continue;
        }
        const char* replacement = SubstitutionTable[static_cast<unsigned char>(c)];
        if (replacement != nullptr) {
            escaped += replacement;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

namespace {

// A plain string the quoted form gives back exactly: one terminating NUL and no other.
bool IsCleanText(const platform::RegValue& value) {
    return value.type == platform::kRegSz && !value.data.empty() &&
           value.data.find('\0') == value.data.size() - 1;
}

} // namespace

// The registry editor reads a REGEDIT4 script's strings in the ANSI code page and stores them
// as UTF-16 with a terminator: it adds one to hex(1)/hex(2)/hex(7) data that does not end in a
// NUL (measured with Wine's editor). So a string comes back exactly when its ANSI text lost
// nothing and it is empty or ends in a NUL.
std::string ValueDataProblem(const platform::RegValue& value) {
    if (!IsStringType(value.type)) {
        return {};
    }
    if (value.lossy) {
        return "holds text the ANSI code page cannot carry";
    }
    if (!value.data.empty() && value.data.back() != '\0') {
        return "holds a string without its terminator";
    }
    return {};
}

// Clean plain strings are written quoted and 4-byte numbers as "dword:"; every other value is
// written as "hex(N):" with its raw bytes so that an import gives back the same type and data
// (a plain string with NULs inside, quoted, would be cut at the first; an expandable string
// written quoted would come back as a plain string; a multi-string or a 64-bit number written
// as nothing would come back empty).
std::string ValueDataText(const platform::RegValue& value) {
    if (IsCleanText(value)) {
        return Quoted(value.data.substr(0, value.data.size() - 1));
    }
    if (value.type == platform::kRegBinary) {
        return HexData("hex:", value.data);
    }
    if (value.type == platform::kRegDword && value.data.size() == 4) {
        std::uint32_t number = 0;
        std::memcpy(&number, value.data.data(), 4);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%.8X", number);
        return text;
    }
    // A malformed dword size has no dword form; its bytes are kept as they are.
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    return HexData(prefix, value.data);
}

std::string RegFileHeader() {
    return "REGEDIT4\r\n\r\n";
}

std::string Version5ValueDataText(const platform::RegValue& value) {
    if (!IsStringType(value.type) || IsCleanText(value)) {
        return ValueDataText(value);
    }
    std::u16string wide;
    if (!platform::Os().Utf16FromAnsiExactly(value.data, wide)) {
        throw Error("A string of the backup is no exact text of the ANSI code page.");
    }
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (const char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    return HexData(prefix, bytes);
}

ExportResult ExportKey(std::uint32_t root, const std::string& keyPath) {
    return Export(root, keyPath, nullptr);
}

ExportResult ExportValue(std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName) {
    return Export(root, keyPath, &valueName);
}

std::string ExportKeyText(std::uint32_t root, const std::string& keyPath) {
    return ExportKey(root, keyPath).text;
}

std::string ExportValueText(std::uint32_t root, const std::string& keyPath,
                            const std::string& valueName) {
    return ExportValue(root, keyPath, valueName).text;
}

} // namespace mendrake

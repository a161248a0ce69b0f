#include "platform/memory/reg_text.h"

#include "platform/utf8_text.h"

#include <array>
#include <stdexcept>

namespace mendrake::platform {

namespace {

// Unicode code points of Windows-1252 bytes 0x80 to 0x9F (0 where the byte is unassigned).
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char AnsiFromCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(static_cast<unsigned char>(cp));
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] != 0 && kCp1252High[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string ParseHexBytes(std::string_view text, std::size_t line) {
    std::string out;
    int high = -1;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == '\\' || c == '\r' || c == '\n') {
            if (high >= 0) {
                throw std::runtime_error("registry script line " + std::to_string(line) +
                                         ": odd hexadecimal digit");
            }
            continue;
        }
        const int d = HexDigit(c);
        if (d < 0) {
            throw std::runtime_error("registry script line " + std::to_string(line) +
                                     ": bad hexadecimal data");
        }
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<char>(high * 16 + d));
            high = -1;
        }
    }
    return out;
}

// Reads a quoted, escaped string starting at text[pos] == '"'; pos moves past the closing quote.
std::string ParseQuoted(std::string_view text, std::size_t& pos, std::size_t line) {
    std::string out;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"') {
            return out;
        }
        if (c == '\\' && pos < text.size()) {
            char e = text[pos++];
            out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == '0' ? '\0' : e;
        } else {
            out += c;
        }
    }
    throw std::runtime_error("registry script line " + std::to_string(line) +
                             ": unterminated string");
}

} // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Character c = DecodeUtf8At(utf8, i);
        out += c.valid ? AnsiFromCodePoint(c.codePoint) : '?';
        i += c.length;
    }
    return out;
}

std::string Utf16ToAnsi(std::string_view utf16le) {
    std::string out;
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        const char32_t unit =
            static_cast<unsigned char>(utf16le[i]) |
            (static_cast<char32_t>(static_cast<unsigned char>(utf16le[i + 1])) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < utf16le.size()) {
            i += 2; // a surrogate pair is one character outside the code page
            out += '?';
            continue;
        }
        out += AnsiFromCodePoint(unit);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t cp = byte;
        if (byte >= 0x80 && byte < 0xA0 && kCp1252High[byte - 0x80u] != 0) {
            cp = kCp1252High[byte - 0x80u];
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0u | (cp >> 6));
            out += static_cast<char>(0x80u | (cp & 0x3Fu));
        } else {
            out += static_cast<char>(0xE0u | (cp >> 12));
            out += static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu));
            out += static_cast<char>(0x80u | (cp & 0x3Fu));
        }
    }
    return out;
}

Hkey RootFromName(std::string_view name) {
    if (name == "HKEY_LOCAL_MACHINE" || name == "HKLM")
        return kLocalMachine;
    if (name == "HKEY_CURRENT_USER" || name == "HKCU")
        return kCurrentUser;
    if (name == "HKEY_CLASSES_ROOT" || name == "HKCR")
        return kClassesRoot;
    if (name == "HKEY_USERS" || name == "HKU")
        return kUsers;
    return 0;
}

std::vector<RegChange> ParseRegText(std::string_view text) {
    std::vector<RegChange> changes;
    // Strip a UTF-8 byte-order mark; version 5 scripts are UTF-8 text here.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    // Join continuation lines (a line ending in a backslash inside hex data).
    std::vector<std::pair<std::string, std::size_t>> lines;
    std::size_t lineNo = 0;
    std::string pending;
    std::size_t pendingLine = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line(text.substr(start, end - start));
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (pending.empty()) {
            pendingLine = lineNo;
        }
        const std::string trimmed = Trim(line);
        const bool continues = !trimmed.empty() && trimmed.back() == '\\' &&
                               (pending.empty() ? trimmed.find("=hex") != std::string::npos : true);
        pending += pending.empty() ? line : trimmed;
        if (continues) {
            pending.pop_back();
        } else {
            lines.emplace_back(pending, pendingLine);
            pending.clear();
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    if (!pending.empty()) {
        lines.emplace_back(pending, pendingLine);
    }

    bool version5 = false;
    bool headerSeen = false;
    Hkey root = 0;
    std::string path;
    bool inKey = false;
    for (const auto& [raw, line] : lines) {
        const std::string t = Trim(raw);
        if (t.empty() || t[0] == ';') {
            continue;
        }
        if (!headerSeen) {
            if (t == "REGEDIT4") {
                version5 = false;
            } else if (t == "Windows Registry Editor Version 5.00") {
                version5 = true;
            } else {
                throw std::runtime_error("registry script: unknown header");
            }
            headerSeen = true;
            continue;
        }
        if (t[0] == '[') {
            if (t.back() != ']') {
                throw std::runtime_error("registry script line " + std::to_string(line) +
                                         ": bad section");
            }
            std::string section = t.substr(1, t.size() - 2);
            const bool remove = !section.empty() && section[0] == '-';
            if (remove) {
                section.erase(0, 1);
            }
            const std::size_t cut = section.find('\\');
            root = RootFromName(section.substr(0, cut));
            if (root == 0) {
                throw std::runtime_error("registry script line " + std::to_string(line) +
                                         ": unknown root");
            }
            path = cut == std::string::npos ? std::string() : section.substr(cut + 1);
            if (!version5) {
                // REGEDIT4 text is already ANSI
            } else {
                path = Utf8ToAnsi(path);
            }
            changes.push_back(
                RegChange{remove ? RegChange::Kind::DeleteKey : RegChange::Kind::CreateKey,
                          root,
                          path,
                          {},
                          kRegNone,
                          {}});
            inKey = !remove;
            continue;
        }
        if (!inKey) {
            continue;
        }
        std::size_t pos = 0;
        std::string name;
        if (t[0] == '@') {
            pos = 1;
        } else if (t[0] == '"') {
            name = ParseQuoted(t, pos, line);
            if (version5) {
                name = Utf8ToAnsi(name);
            }
        } else {
            throw std::runtime_error("registry script line " + std::to_string(line) +
                                     ": bad value line");
        }
        while (pos < t.size() && t[pos] == ' ') {
            ++pos;
        }
        if (pos >= t.size() || t[pos] != '=') {
            throw std::runtime_error("registry script line " + std::to_string(line) +
                                     ": missing '='");
        }
        ++pos;
        std::string data = Trim(std::string_view(t).substr(pos));
        RegChange change{RegChange::Kind::SetValue, root, path, name, kRegSz, {}};
        if (data == "-") {
            change.kind = RegChange::Kind::DeleteValue;
        } else if (!data.empty() && data[0] == '"') {
            std::size_t q = 0;
            change.data = ParseQuoted(data, q, line);
            if (version5) {
                change.data = Utf8ToAnsi(change.data);
            }
            change.data.push_back('\0');
        } else if (data.rfind("dword:", 0) == 0) {
            const std::string digits = data.substr(6);
            if (digits.size() != 8) {
                throw std::runtime_error("registry script line " + std::to_string(line) +
                                         ": bad dword");
            }
            const auto number = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
            change.type = kRegDword;
            for (int i = 0; i < 4; ++i) {
                change.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
            }
        } else if (data.rfind("hex", 0) == 0) {
            std::size_t colon = data.find(':');
            if (colon == std::string::npos) {
                throw std::runtime_error("registry script line " + std::to_string(line) +
                                         ": bad hex");
            }
            change.type = kRegBinary;
            if (data[3] == '(') {
                change.type =
                    static_cast<std::uint32_t>(std::stoul(data.substr(4, colon - 5), nullptr, 16));
            }
            change.data = ParseHexBytes(std::string_view(data).substr(colon + 1), line);
            if (version5 && (change.type == kRegExpandSz || change.type == kRegMultiSz)) {
                change.data = Utf16ToAnsi(change.data); // version 5 stores these as UTF-16
            }
        } else {
            throw std::runtime_error("registry script line " + std::to_string(line) +
                                     ": unknown data");
        }
        changes.push_back(std::move(change));
    }
    return changes;
}

} // namespace mendrake::platform

#include "repair/reg_script.h"

#include "engine/ansi_text.h"
#include "engine/error.h"
#include "platform/platform.h"
#include "platform/utf8_text.h"
#include "repair/regexport_unit.h"

#include <algorithm>

namespace mendrake {

namespace {

constexpr std::string_view kVersion4 = "REGEDIT4";
constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";

[[noreturn]] void Fail(std::size_t line, const std::string& reason) {
    throw Error("Line " + std::to_string(line) + ": " + reason);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// Trailing backslashes of a path held as UTF-8 (no character has a second byte 0x5C there).
std::string_view TrimmedBackslashes(std::string_view path) {
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return path;
}

bool EqualIgnoreCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        return upper(x) == upper(y);
    });
}

void AppendUtf8(std::string& out, char32_t cp) {
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

// UTF-16LE bytes (no byte-order mark, even length) as UTF-8, so that one byte-wise parser
// reads both versions. A lone surrogate is kept as its own three-byte form, which the strict
// decoder refuses when the text is turned into UTF-16 again: such a name or text is lossy, as
// no ANSI code page holds it.
std::string Utf8FromUtf16(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = static_cast<unsigned char>(bytes[i]) |
                        static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                 static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3]))
                                     << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

// Unicode text in the ANSI code page, converted strictly: `lossy` is set when a character has
// no exact place there. A best-fit letter ("L" for "Ł") or a default character would
// write another name or text than the backup holds; a fullwidth backslash (U+FF3C) that
// became a real one would even write one key deeper.
std::string AnsiFromUnicode(std::u16string_view text, bool& lossy) {
    std::string ansi;
    if (!platform::Os().AnsiFromUtf16Exactly(text, ansi)) {
        lossy = true;
    }
    return ansi;
}

// How the text of one script is held.
struct Encoding {
    bool unicodeText = false; // names and quoted text are UTF-8 here (a Unicode file)
    bool wideStrings = false; // hex(1), hex(2) and hex(7) data are UTF-16LE (version 5)
};

std::string TextToAnsi(const Encoding& encoding, std::string_view text, bool& lossy) {
    if (!encoding.unicodeText) {
        return std::string(text);
    }
    bool broken = false;
    std::string ansi = AnsiFromUnicode(platform::Utf16FromUtf8(text, broken), lossy);
    lossy = lossy || broken;
    return ansi;
}

struct Line {
    std::string_view text;
    std::size_t number;
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t number = 1;; ++number) {
        const std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back({line, number});
        if (end == std::string_view::npos) {
            return lines;
        }
        start = end + 1;
    }
}

// Reads a quoted text starting at text[pos] == '"' and moves pos past the closing quotation
// mark. The escapes are those of the export (\\ \" \r \n) and \0 of the registry editor; a
// backslash before any other character is kept, as the registry editor keeps it.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out, bool ansiText) {
    platform::Platform& os = platform::Os();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        // In ANSI text of a double-byte code page the second byte of a character may be 0x5C:
        // it belongs to its character and escapes nothing.
        if (ansiText && static_cast<unsigned char>(c) >= 0x80 && pos + 1 < text.size() &&
            os.IsLeadByte(static_cast<unsigned char>(c))) {
            out += c;
            out += text[++pos];
            continue;
        }
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\' || pos + 1 == text.size()) {
            out += c;
            continue;
        }
        const char escaped = text[++pos];
        switch (escaped) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '0':
            out += '\0';
            break;
        case '\\':
        case '"':
            out += escaped;
            break;
        default:
            out += '\\';
            out += escaped;
            break;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// "01,AB, ff": pairs of hexadecimal digits separated by commas. Both registry editors write
// exactly two digits per byte and no comma after the last one, so anything else is taken for
// damage (a file cut off in the middle of a line looks like that) rather than guessed at.
std::string ReadHexBytes(std::string_view text, std::size_t line) {
    std::string bytes;
    text = Trim(text);
    if (text.empty()) {
        return bytes;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::string_view rest = TrimLeft(text.substr(pos));
        pos = text.size() - rest.size();
        if (rest.size() < 2 || HexDigit(rest[0]) < 0 || HexDigit(rest[1]) < 0 ||
            (rest.size() > 2 && !IsBlank(rest[2]) && rest[2] != ',')) {
            Fail(line, "the hexadecimal data is damaged (two digits per byte, separated by "
                       "commas)");
        }
        bytes += static_cast<char>(HexDigit(rest[0]) * 16 + HexDigit(rest[1]));
        pos += 2;
        const std::string_view after = TrimLeft(text.substr(pos));
        if (after.empty()) {
            return bytes;
        }
        if (after.front() != ',') {
            Fail(line, "the hexadecimal data is damaged (two digits per byte, separated by "
                       "commas)");
        }
        pos = text.size() - after.size() + 1;
        if (TrimLeft(text.substr(pos)).empty()) {
            Fail(line, "the hexadecimal data ends with a comma: the file looks cut off");
        }
    }
}

// UTF-16LE string data of a version-5 script in the ANSI code page.
std::string AnsiFromWideBytes(std::string_view bytes, bool& lossy) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    if (bytes.size() % 2 != 0) {
        lossy = true; // half a character has no ANSI form
    }
    return AnsiFromUnicode(wide, lossy);
}

std::uint32_t RootFromName(std::string_view name) {
    // The two roots that hold no stored keys cannot be restored into.
    for (std::uint32_t root : {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u}) {
        if (EqualIgnoreCase(name, RootKeyName(root))) {
            return root;
        }
    }
    return 0;
}

// A UTF-8 script is refused at its first ill-formed byte: read leniently, an overlong "C1 9C"
// would become a backslash and put a key one level deeper than the file shows.
void RefuseIllFormedUtf8(std::string_view text) {
    const std::size_t bad = platform::FirstIllFormedUtf8(text);
    if (bad == std::string_view::npos) {
        return;
    }
    const std::string_view before = text.substr(0, bad);
    const std::size_t lineStart = before.rfind('\n') + 1; // 0 on the first line
    Fail(static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1,
         "the text is not valid UTF-8 (byte " + std::to_string(bad - lineStart + 1) +
             " of the line)");
}

class ScriptReader {
  public:
    ScriptReader(std::vector<Line> lines, Encoding encoding)
        : lines_(std::move(lines)), encoding_(encoding) {}

    RegScript Read() {
        for (next_ = 1; next_ < lines_.size();) {
            const Line& line = lines_[next_++];
            const std::string_view text = Trim(line.text);
            if (text.empty() || text.front() == ';') {
                continue;
            }
            if (text.front() == '[') {
                ReadSection(text, line.number);
            } else if (text.front() == '@' || text.front() == '"') {
                ReadValue(TrimLeft(line.text), line.number);
            } else {
                Fail(line.number, "not a [key] line, a value line or a comment");
            }
        }
        return std::move(script_);
    }

  private:
    void ReadSection(std::string_view text, std::size_t line) {
        if (text.back() != ']') {
            Fail(line, "the key line does not end with ]");
        }
        std::string_view inside = text.substr(1, text.size() - 2);
        RegScriptKey key;
        key.line = line;
        if (!inside.empty() && inside.front() == '-') {
            key.remove = true;
            inside.remove_prefix(1);
        }
        // In ANSI text a second byte 0x5C of a double-byte character is no separator.
        const std::size_t cut =
            encoding_.unicodeText ? inside.find('\\') : FindCharacter(inside, "\\");
        const std::string_view rootName = inside.substr(0, cut);
        key.root = RootFromName(rootName);
        if (key.root == 0) {
            Fail(line, "unknown root key \"" + std::string(rootName) + "\"");
        }
        std::string_view path =
            cut == std::string_view::npos ? std::string_view() : inside.substr(cut + 1);
        path = encoding_.unicodeText ? TrimmedBackslashes(path) : WithoutTrailingBackslashes(path);
        if (key.remove && path.empty()) {
            Fail(line, "a whole root key cannot be deleted");
        }
        key.path = TextToAnsi(encoding_, path, key.lossy);
        script_.keys.push_back(std::move(key));
    }

    void ReadValue(std::string_view text, std::size_t line) {
        if (script_.keys.empty()) {
            Fail(line, "a value line before the first [key] line");
        }
        RegScriptValue value;
        value.line = line;
        std::size_t pos = 1;
        if (text.front() == '"') {
            pos = 0;
            std::string name;
            if (!ReadQuoted(text, pos, name, !encoding_.unicodeText)) {
                Fail(line, "the value name has no closing quotation mark");
            }
            value.name = TextToAnsi(encoding_, name, value.lossy);
            // A NUL ("\0") would end the name for every call that takes one: the value written
            // would be another, and overwrite it.
            value.lossy = value.lossy || name.find('\0') != std::string::npos;
        }
        const std::string_view afterName = TrimLeft(text.substr(pos));
        if (afterName.empty() || afterName.front() != '=') {
            Fail(line, "the value name is not followed by =");
        }
        ReadData(TrimLeft(afterName.substr(1)), value);
        // Values below a deleted key are passed over, as the registry editor does.
        if (!script_.keys.back().remove) {
            script_.keys.back().values.push_back(std::move(value));
        }
    }

    void ReadData(std::string_view data, RegScriptValue& value) {
        const std::size_t line = value.line;
        if (TrimRight(data).empty()) {
            value.hasData = false;
        } else if (TrimRight(data) == "-") {
            value.remove = true;
        } else if (data.front() == '"') {
            std::size_t pos = 0;
            std::string text;
            if (!ReadQuoted(data, pos, text, !encoding_.unicodeText)) {
                Fail(line, "the text has no closing quotation mark");
            }
            if (!Trim(data.substr(pos)).empty() && Trim(data.substr(pos)).front() != ';') {
                Fail(line, "more text after the closing quotation mark");
            }
            value.type = platform::kRegSz;
            value.data = TextToAnsi(encoding_, text, value.lossy);
            value.data += '\0';
        } else if (EqualIgnoreCase(data.substr(0, 6), "dword:")) {
            const std::string_view digits = Trim(data.substr(6));
            std::uint32_t number = 0;
            if (digits.size() != 8 || !std::all_of(digits.begin(), digits.end(),
                                                   [](char c) { return HexDigit(c) >= 0; })) {
                Fail(line, "a dword needs exactly eight hexadecimal digits");
            }
            for (const char c : digits) {
                number = number << 4 | static_cast<std::uint32_t>(HexDigit(c));
            }
            value.type = platform::kRegDword;
            for (int shift = 0; shift < 32; shift += 8) {
                value.data += static_cast<char>((number >> shift) & 0xFF);
            }
        } else if (EqualIgnoreCase(data.substr(0, 3), "hex")) {
            ReadHexValue(data.substr(3), value);
        } else {
            Fail(line, "cannot read the value's data (not text, dword: or hex:)");
        }
    }

    // "hex:..." or "hex(N):..." with its continuation lines.
    void ReadHexValue(std::string_view data, RegScriptValue& value) {
        const std::size_t line = value.line;
        value.type = platform::kRegBinary;
        if (!data.empty() && data.front() == '(') {
            const std::size_t close = data.find(')');
            const std::string_view digits =
                close == std::string_view::npos ? std::string_view() : data.substr(1, close - 1);
            if (digits.empty() || digits.size() > 8 ||
                !std::all_of(digits.begin(), digits.end(),
                             [](char c) { return HexDigit(c) >= 0; })) {
                Fail(line, "the type in hex(...) must be a hexadecimal number");
            }
            value.type = 0;
            for (const char c : digits) {
                value.type = value.type << 4 | static_cast<std::uint32_t>(HexDigit(c));
            }
            data.remove_prefix(close + 1);
        }
        if (data.empty() || data.front() != ':') {
            Fail(line, "hex data needs a colon");
        }
        data.remove_prefix(1);
        std::string joined;
        for (std::string_view piece = TrimRight(data);;) {
            const bool continues = !piece.empty() && piece.back() == '\\';
            joined += continues ? piece.substr(0, piece.size() - 1) : piece;
            if (!continues) {
                break;
            }
            piece = NextContinuation(line);
        }
        value.data = ReadHexBytes(joined, line);
        const bool stringType = value.type == platform::kRegSz ||
                                value.type == platform::kRegExpandSz ||
                                value.type == platform::kRegMultiSz;
        if (stringType && encoding_.wideStrings) {
            value.data = AnsiFromWideBytes(value.data, value.lossy);
        }
    }

    // The next line of hex data after one that ended in a backslash; comment lines between
    // are passed over.
    std::string_view NextContinuation(std::size_t valueLine) {
        while (next_ < lines_.size()) {
            const std::string_view text = Trim(lines_[next_++].text);
            if (text.empty() || text.front() != ';') {
                return text;
            }
        }
        Fail(valueLine, "the hexadecimal data goes on past the end of the file: the file looks "
                        "cut off");
    }

    std::vector<Line> lines_;
    Encoding encoding_;
    std::size_t next_ = 0;
    RegScript script_;
};

} // namespace

RegScript ReadRegScript(std::string_view bytes) {
    std::string decoded;
    Encoding encoding;
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            const std::string whole = Utf8FromUtf16(bytes.substr(0, bytes.size() - 1));
            Fail(SplitLines(whole).size(),
                 "the file ends in the middle of a character: it looks cut off");
        }
        decoded = Utf8FromUtf16(bytes);
        bytes = decoded;
        encoding.unicodeText = true;
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        encoding.unicodeText = true;
        RefuseIllFormedUtf8(bytes);
    }
    std::vector<Line> lines = SplitLines(bytes);
    const std::string_view header = TrimRight(lines.front().text);
    if (header == kVersion5) {
        // Without a byte-order mark the registry editor reads the text in the ANSI code page.
        encoding.wideStrings = true;
    } else if (header != kVersion4) {
        Fail(1, "not a registry script (the first line is neither REGEDIT4 nor \"" +
                    std::string(kVersion5) + "\")");
    }
    // Both registry editors end a script with a line end. Without one the file was cut off in
    // the middle of its last line, which may still read as a shorter value or name.
    const Line last = lines.back();
    RegScript script = ScriptReader(std::move(lines), encoding).Read();
    if (!Trim(last.text).empty()) {
        Fail(last.number, "the last line has no line end: the file looks cut off");
    }
    return script;
}

std::string ScriptKeyName(const RegScriptKey& key) {
    return key.path.empty() ? RootKeyName(key.root) : RootKeyName(key.root) + "\\" + key.path;
}

} // namespace mendrake

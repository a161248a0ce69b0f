#include "tests/support/derived_exports.h"

#include <string_view>

namespace mendrake::test {

std::string EscapeRawStrings(const std::string& text) {
    auto escape = [](std::string_view raw) {
        std::string out;
        for (const char c : raw) {
            if (c == '\\' || c == '"') {
                out += '\\';
            }
            out += c;
        }
        return out;
    };
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string_view line(text.data() + start, end - start);
        start = end;
        std::string_view body = line.substr(0, line.find_last_not_of("\r\n") + 1);
        // The default value's text, raw as well.
        if (body.size() >= 4 && body.substr(0, 3) == "@=\"" && body.back() == '"') {
            result += "@=\"";
            result += escape(body.substr(3, body.size() - 4));
            result += '"';
            result += line.substr(body.size());
            continue;
        }
        const std::size_t equals = body.find("\"=");
        if (body.size() < 2 || body.front() != '"' || equals == std::string_view::npos) {
            result += line;
            continue;
        }
        const std::size_t textData = body.find("\"=\"");
        const bool quoted =
            textData != std::string_view::npos && body.back() == '"' && body.size() > textData + 3;
        const std::size_t nameEnd = quoted ? textData : equals;
        result += '"';
        result += escape(body.substr(1, nameEnd - 1));
        if (quoted) {
            result += "\"=\"";
            result += escape(body.substr(textData + 3, body.size() - textData - 4));
            result += '"';
        } else {
            result += body.substr(equals);
        }
        result += line.substr(body.size());
    }
    return result;
}

} // namespace mendrake::test

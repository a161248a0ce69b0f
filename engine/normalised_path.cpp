#include "engine/normalised_path.h"

#include "engine/ansi_text.h"

#include <algorithm>
#include <vector>

namespace mendrake {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string NormalisedPath(std::string_view path) {
    std::string text(path);
    // A forward slash (0x2F) is never the second byte of a double-byte character (those start
    // at 0x40), so each one is a separator; a backslash is one only as a character of its own.
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    // The long-path prefix asks Windows to take the rest literally; what follows it is an
    // ordinary drive or share path in every registration seen.
    if (text.rfind("\\\\?\\UNC\\", 0) == 0) {
        text = "\\\\" + text.substr(8);
    } else if (text.rfind("\\\\?\\", 0) == 0 && text.size() >= 7 && IsDriveLetter(text[4]) &&
               text[5] == ':' && text[6] == '\\') {
        text = text.substr(4);
    }
    std::string root;
    std::size_t at = 0;
    if (text.size() >= 3 && IsDriveLetter(text[0]) && text[1] == ':' && text[2] == '\\') {
        root = text.substr(0, 3);
        at = 3;
    } else if (text.size() > 2 && text[0] == '\\' && text[1] == '\\' && text[2] != '\\' &&
               text[2] != '?' && text[2] != '.') {
        // "\\server\share\": two names after the leading pair.
        const std::size_t server = FindCharacter(text, "\\", 2);
        const std::size_t share =
            server == std::string::npos ? server : FindCharacter(text, "\\", server + 1);
        if (server == std::string::npos || server + 1 == text.size() || share == server + 1) {
            return std::string(path);
        }
        root = share == std::string::npos ? text : text.substr(0, share + 1);
        at = share == std::string::npos ? text.size() : share + 1;
    } else {
        return std::string(path);
    }
    std::vector<std::string> names;
    const bool trailing =
        text.size() > at && IsSeparator(text.back()) && !IsSecondByte(text, text.size() - 1);
    while (at < text.size()) {
        const std::size_t end = std::min(FindCharacter(text, "\\", at), text.size());
        const std::string name = text.substr(at, end - at);
        if (name == "..") {
            if (!names.empty()) {
                names.pop_back();
            }
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::string normal = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        normal += names[i];
        if (i + 1 < names.size() || trailing) {
            normal += '\\';
        }
    }
    return normal;
}

} // namespace mendrake

#include "engine/ansi_text.h"

#include "platform/platform.h"

#include <algorithm>

namespace mendrake {

namespace {

bool AllBelow80(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Calls `visit(position)` for the first byte of every character from `from` on, until it
// returns true; returns that position or npos.
template <typename Visit>
std::size_t EachCharacter(std::string_view text, std::size_t from, Visit visit) {
    platform::Platform& os = platform::Os();
    for (std::size_t i = from; i < text.size(); ++i) {
        if (visit(i)) {
            return i;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 && i + 1 < text.size() && os.IsLeadByte(byte)) {
            ++i;
        }
    }
    return std::string_view::npos;
}

} // namespace

std::size_t FindCharacter(std::string_view text, std::string_view chars, std::size_t from) {
    if (AllBelow80(text.substr(std::min(from, text.size())))) {
        return text.find_first_of(chars, from);
    }
    return EachCharacter(
        text, from, [&](std::size_t i) { return chars.find(text[i]) != std::string_view::npos; });
}

std::size_t FindLastCharacter(std::string_view text, std::string_view chars) {
    if (AllBelow80(text)) {
        return text.find_last_of(chars);
    }
    std::size_t last = std::string_view::npos;
    EachCharacter(text, 0, [&](std::size_t i) {
        if (chars.find(text[i]) != std::string_view::npos) {
            last = i;
        }
        return false;
    });
    return last;
}

bool IsSecondByte(std::string_view text, std::size_t index) {
    if (index >= text.size() || AllBelow80(text.substr(0, index))) {
        return false;
    }
    std::size_t start = 0; // the first byte of the character that holds text[index]
    EachCharacter(text, 0, [&](std::size_t i) {
        if (i > index) {
            return true;
        }
        start = i;
        return false;
    });
    return start != index;
}

std::string_view WithoutTrailingBackslashes(std::string_view text) {
    while (!text.empty() && text.back() == '\\' && !IsSecondByte(text, text.size() - 1)) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view WithoutTrailingSeparators(std::string_view text) {
    // A forward slash (0x2F) is never a second byte: those start at 0x40.
    for (;;) {
        const std::string_view trimmed = WithoutTrailingBackslashes(text);
        if (trimmed.size() < text.size()) {
            text = trimmed;
        } else if (!text.empty() && text.back() == '/') {
            text.remove_suffix(1);
        } else {
            return text;
        }
    }
}

} // namespace mendrake

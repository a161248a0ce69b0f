#include "platform/aliased_hives.h"

namespace mendrake::platform {

namespace {

// Key names compare as the registry compares them; the names here are SIDs, ASCII only.
bool SameAsciiName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

void AliasedHivesPlatform::Alias(std::string shown, std::string loaded) {
    aliases_.emplace_back(std::move(shown), std::move(loaded));
}

std::string AliasedHivesPlatform::Loaded(Hkey parent, std::string_view subkey) const {
    if (parent != kUsers) {
        return std::string(subkey);
    }
    const std::size_t cut = subkey.find('\\');
    const std::string_view first = subkey.substr(0, cut);
    for (const auto& [shown, loaded] : aliases_) {
        if (SameAsciiName(first, shown)) {
            return loaded + std::string(cut == std::string_view::npos ? "" : subkey.substr(cut));
        }
    }
    return std::string(subkey);
}

long AliasedHivesPlatform::OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access,
                                   Hkey& result) {
    return ForwardingPlatform::OpenKey(parent, Loaded(parent, subkey), access, result);
}

long AliasedHivesPlatform::CreateKey(Hkey parent, std::string_view subkey, Hkey& result) {
    return ForwardingPlatform::CreateKey(parent, Loaded(parent, subkey), result);
}

long AliasedHivesPlatform::DeleteKey(Hkey parent, std::string_view subkey) {
    return ForwardingPlatform::DeleteKey(parent, Loaded(parent, subkey));
}

} // namespace mendrake::platform

#include "engine/registry_views.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/normalised_path.h"
#include "engine/scanner_paths.h"

#include <array>

namespace mendrake {

namespace {

const std::string kWow64Node = "Wow6432Node";

// Whether `text` begins with `prefix`, letters a to z compared without regard to case.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           UpperCase(text.substr(0, prefix.size())) == UpperCase(prefix);
}

// The full name of a key path, or empty when it cannot be opened.
std::string IdentityOf(std::uint32_t root, const std::string& key, bool& exists) {
    RegistryAccess reg;
    reg.SetRoot(root);
    exists = reg.Open(key);
    return exists ? reg.KeyIdentity() : std::string();
}

} // namespace

std::string RootAbbreviation(std::uint32_t root) {
    switch (root) {
    case kHkcr:
        return "HKCR";
    case kHkcu:
        return "HKCU";
    case kHklm:
        return "HKLM";
    case kHku:
        return "HKU";
    default:
        return {};
    }
}

ViewArea UserArea(const UserScope& user, std::string_view below) {
    return ViewArea{user.root, user.Key(below), RegistryView::Native, {}};
}

std::string ViewArea::KeyText() const {
    return RootAbbreviation(root) + key;
}

std::string ViewArea::Subkey(std::string_view name) const {
    return name.empty() ? key : key + "\\" + std::string(name);
}

std::string ViewArea::SubkeyText(std::string_view name) const {
    return RootAbbreviation(root) + Subkey(name);
}

bool ViewArea::Holds(RegistryAccess& reg) const {
    // Links lead out of the 32-bit view's areas to the keys both views share, never out of the
    // 64-bit view's.
    if (!AsksKeyName()) {
        return true; // nothing to tell them apart by: the key is taken as the area's own
    }
    const std::string name = reg.KeyIdentity();
    return name.empty() || (StartsWithIgnoreCase(name, identity) &&
                            (name.size() == identity.size() || name[identity.size()] == '\\'));
}

std::string Wow64TwinKey(std::uint32_t root, std::string_view key) {
    if (root == kHkcr) {
        return "\\" + kWow64Node + std::string(key);
    }
    const std::string_view software = "\\Software";
    if (root == kHklm && StartsWithIgnoreCase(key, software) &&
        (key.size() == software.size() || key[software.size()] == '\\')) {
        return std::string(key.substr(0, software.size())) + "\\" + kWow64Node +
               std::string(key.substr(software.size()));
    }
    return {};
}

std::vector<ViewArea> BothViews(std::uint32_t root, std::string_view key) {
    ViewArea native{root, std::string(key), RegistryView::Native, {}};
    const std::string twinKey = Wow64TwinKey(root, key);
    if (twinKey.empty()) {
        return {native}; // one key for both views
    }
    bool nativeExists = false, twinExists = false;
    native.identity = IdentityOf(root, native.key, nativeExists);
    ViewArea twin{root, twinKey, RegistryView::Wow64, {}};
    twin.identity = IdentityOf(root, twin.key, twinExists);
    // A twin path that leads to the 64-bit key itself (a shared key) is read once, as the
    // 64-bit area. Without names to compare, two keys that both opened are taken as two.
    const bool sameKey = nativeExists && !twin.identity.empty() &&
                         UpperCase(twin.identity) == UpperCase(native.identity);
    if (!twinExists || sameKey) {
        return {native};
    }
    return {native, twin};
}

namespace {

// The System32 redirection of a 32-bit program, on the path as it stands.
std::string RedirectedFor32Bit(std::string_view path) {
    const std::string windows(WithoutTrailingBackslashes(platform::Os().WindowsFolder()));
    if (windows.empty() || !StartsWithIgnoreCase(path, windows + "\\")) {
        return std::string(path);
    }
    const std::size_t folderStart = windows.size() + 1;
    const std::size_t folderEnd = std::min(FindCharacter(path, "\\", folderStart), path.size());
    const std::string folder = UpperCase(path.substr(folderStart, folderEnd - folderStart));
    const std::string_view rest = path.substr(folderEnd); // "" or "\..."
    if (folder == "SYSNATIVE") {
        return std::string(path.substr(0, folderStart)) + "System32" + std::string(rest);
    }
    if (folder != "SYSTEM32") {
        return std::string(path);
    }
    // The subfolders of System32 that Windows exempts from redirection.
    static constexpr std::array<std::string_view, 6> kExempt = {
        "\\CATROOT", "\\CATROOT2", "\\DRIVERSTORE", "\\DRIVERS\\ETC", "\\LOGFILES", "\\SPOOL"};
    const std::string below = UpperCase(rest);
    for (std::string_view prefix : kExempt) {
        if (below.compare(0, prefix.size(), prefix) == 0 &&
            (below.size() == prefix.size() || below[prefix.size()] == '\\')) {
            return std::string(path);
        }
    }
    return std::string(path.substr(0, folderStart)) + "SysWOW64" + std::string(rest);
}

} // namespace

std::string PathSeenBy(RegistryView view, std::string_view path, bool normalise) {
    if (view == RegistryView::Native) {
        return std::string(path);
    }
    // The redirection acts on the path the file system resolves, however it was written
    // ("C:/Windows/System32/x.dll", "\\?\C:\...", "System32\..\System32\x.dll").
    return RedirectedFor32Bit(normalise ? NormalisedPath(path) : std::string(path));
}

} // namespace mendrake

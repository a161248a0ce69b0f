#include "engine/registry_views.h"

#include "engine/common_unit.h"
#include "engine/scanner_paths.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>

namespace mendrake {

namespace {

// When `path` is `folder` itself or lies below it (letters a to z in any case), the rest after
// the folder: empty, or starting with its backslash.
bool BelowFolder(std::string_view path, std::string_view folder, std::string_view& rest) {
    if (path.size() < folder.size() ||
        UpperCase(path.substr(0, folder.size())) != UpperCase(folder)) {
        return false;
    }
    rest = path.substr(folder.size());
    return rest.empty() || rest.front() == '\\';
}

// Folders below System32 that the file-system redirector leaves alone (Microsoft's "File
// System Redirector"), each with everything below it.
constexpr std::array<std::string_view, 6> kExempt = {
    "catroot", "catroot2", "driverstore", "drivers\\etc", "logfiles", "spool",
};

} // namespace

std::string RootAbbreviation(std::uint32_t root) {
    switch (root) {
    case kHkcr:
        return "HKCR";
    case kHkcu:
        return "HKCU";
    case kHklm:
        return "HKLM";
    default:
        return {};
    }
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

bool ViewArea::Holds(RegistryAccess& /*reg*/) const {
    return true;
}

std::vector<ViewArea> BothViews(std::uint32_t root, std::string_view key) {
    return {ViewArea{root, std::string(key), RegistryView::Native}};
}

std::string PathSeenBy(RegistryView view, std::string_view path) {
    std::string windows = view == RegistryView::Wow64 ? platform::Os().WindowsFolder() : "";
    while (!windows.empty() && windows.back() == '\\') {
        windows.pop_back();
    }
    if (windows.empty()) {
        return std::string(path);
    }
    // The Windows folder keeps its spelling in the path; only the folder below it changes.
    const std::string folder(path.substr(0, std::min(path.size(), windows.size() + 1)));
    std::string_view rest;
    if (BelowFolder(path, windows + "\\Sysnative", rest)) {
        return folder + "System32" + std::string(rest);
    }
    if (!BelowFolder(path, windows + "\\System32", rest)) {
        return std::string(path);
    }
    for (std::string_view exempt : kExempt) {
        std::string_view below;
        if (!rest.empty() && BelowFolder(rest.substr(1), exempt, below)) {
            return std::string(path);
        }
    }
    return folder + "SysWOW64" + std::string(rest);
}

} // namespace mendrake

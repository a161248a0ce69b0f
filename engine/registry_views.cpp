#include "engine/registry_views.h"

#include "engine/common_unit.h"
#include "platform/platform.h"

#include <array>

namespace mendrake {

namespace {

// Folders below System32 that the file-system redirector leaves alone (Microsoft's "File
// System Redirector" page); the folder itself and all below it count.
constexpr std::array<std::string_view, 6> kExempt = {
    "catroot", "catroot2", "driverstore", "drivers\\etc", "logfiles", "spool",
};

// When `path` is `folder` itself or lies below it (any letter case), the rest after the
// folder, starting with its backslash or empty; nothing otherwise.
bool StartsWithFolder(std::string_view path, std::string_view folder, std::string_view& rest) {
    if (path.size() < folder.size() ||
        UpperCase(path.substr(0, folder.size())) != UpperCase(folder)) {
        return false;
    }
    rest = path.substr(folder.size());
    return rest.empty() || rest.front() == '\\';
}

} // namespace

std::string PathSeenBy32BitProgram(std::string_view path, std::string_view windowsFolder) {
    if (windowsFolder.empty()) {
        return std::string(path);
    }
    const std::string windows(windowsFolder);
    std::string_view rest;
    if (StartsWithFolder(path, windows + "\\Sysnative", rest)) {
        return windows + "\\System32" + std::string(rest);
    }
    if (!StartsWithFolder(path, windows + "\\System32", rest)) {
        return std::string(path);
    }
    for (std::string_view exempt : kExempt) {
        std::string_view below;
        if (!rest.empty() && StartsWithFolder(rest.substr(1), exempt, below)) {
            return std::string(path);
        }
    }
    return windows + "\\SysWOW64" + std::string(rest);
}

std::string PathSeenInView(const RegistryView& view, std::string_view path) {
    return view.thirtyTwoBit ? PathSeenBy32BitProgram(path, platform::Os().WindowsFolder())
                             : std::string(path);
}

} // namespace mendrake

// Installer folders that are gone, uninstall-cache entries without an uninstall entry
// (category 9), and run entries of missing programs (category 10).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

#include <algorithm>
#include <optional>

namespace mendrake {

namespace {

const std::string kFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::string kUninstallKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kArpCacheKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

void ScanInstallerFolders() {
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(kFoldersKey)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        // The name is the folder; the data plays no part (any kind, it is only logged).
        if (!DrivePart(name).empty() && !FolderFound(name) && VolumeReachable(name)) {
            AppendIssue(9, 0, "Installer Reference Issue", name, "HKLM" + kFoldersKey, kHklm,
                        kFoldersKey, name, TextIfString(reg, name), false);
        }
    }
}

// The installed entries under Uninstall, or nothing when that key can't be read or its
// listing was cut short.
std::optional<std::vector<std::string>> InstalledEntries() {
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(kUninstallKey)) {
        return std::nullopt;
    }
    std::vector<std::string> names = reg.SubkeyNames();
    if (!reg.ListingComplete()) {
        return std::nullopt;
    }
    return names;
}

void ScanUninstallCache() {
    // Without the whole Uninstall list every cache entry missing from it would look orphaned,
    // and fixing them would delete good data: the check needs the list, all of it.
    const std::optional<std::vector<std::string>> installed = InstalledEntries();
    if (!installed) {
        return;
    }
    // The user locale's comparison decides alone: under Turkish casing "WINZIP" and "Winzip"
    // differ, so no a-to-z shortcut is taken (the lists are short).
    auto isInstalled = [&](const std::string& name) {
        return std::any_of(installed->begin(), installed->end(), [&](const std::string& entry) {
            return platform::Os().EqualTextIgnoreCase(entry, name);
        });
    };
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(kArpCacheKey)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        if (!isInstalled(name)) {
            AppendIssue(9, 1, "Uninstaller Reference Issue", name, "HKLM" + kArpCacheKey + name,
                        kHklm, kArpCacheKey + name, "", "", true);
        }
    }
}

struct RunKey {
    std::uint32_t root;
    const char* rootText;
    const char* key;
    std::int32_t kind;
};

// HKCU before HKLM; RunOnce keys carry kind 1, Run and RunOnceEx kind 0.
const RunKey kRunKeys[] = {
    {kHkcu, "HKCU", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {kHkcu, "HKCU", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 1},
    {kHkcu, "HKCU", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0},
    {kHklm, "HKLM", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {kHklm, "HKLM", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 1},
    {kHklm, "HKLM", "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0},
};

void ScanRunKey(const RunKey& run) {
    RegistryAccess reg;
    reg.SetRoot(run.root);
    if (!reg.Open(run.key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        if (!IsTextKind(reg.ValueKindOf(name))) {
            continue;
        }
        const std::string command = reg.ReadText(name);
        const std::string path = ExtractCommandPath(command);
        if (CommandProgramMissing(command, path)) {
            AppendIssue(10, run.kind, "Run Issue", path, std::string(run.rootText) + run.key,
                        run.root, run.key, name, command, false);
        }
    }
}

} // namespace

void ScanInstall() {
    ScanInstallerFolders();
    ScanUninstallCache();
}

void ScanRun() {
    for (const RunKey& run : kRunKeys) {
        ScanRunKey(run);
    }
}

} // namespace mendrake

// Installer folders that are gone, uninstall-cache entries without an uninstall entry, uninstall
// entries of removed programs (category 9), and run entries of missing programs (category 10).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/removed_programs.h"
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

void ScanInstallerFolderArea(AnalysisRun& run, const ViewArea& area) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        // The name is the folder; the data plays no part (any kind, it is only logged).
        if (!DrivePart(name).empty()) {
            const std::string folder = PathSeenBy(area.view, name);
            if (!FolderFound(run, folder) && VolumeReachable(run, folder)) {
                AppendIssue(run, 9, 0, "Installer Reference Issue", name, area.KeyText(), area.root,
                            area.key, name, TextIfString(reg, name), false);
            }
        }
    }
}

// The subkey names of a key, or nothing when it can't be opened; `complete` tells whether the
// listing holds every name.
std::optional<std::vector<std::string>> SubkeysOf(AnalysisRun& run, std::uint32_t root,
                                                  const std::string& key, bool& complete) {
    RegistryAccess reg(run);
    reg.SetRoot(root);
    if (!reg.Open(key)) {
        return std::nullopt;
    }
    std::vector<std::string> names = reg.SubkeyNames();
    complete = reg.ListingComplete();
    return names;
}

// Everything installed: the Uninstall entries of the machine in both views and of the user.
// Nothing when the machine's own Uninstall key can't be read, or when any listing was cut
// short: an entry that could not be listed would make its cache entry look orphaned.
std::optional<std::vector<std::string>> InstalledEntries(AnalysisRun& run) {
    std::optional<std::vector<std::string>> installed;
    bool complete = true;
    for (const ViewArea& area : BothViews(kHklm, kUninstallKey)) {
        std::optional<std::vector<std::string>> names =
            SubkeysOf(run, area.root, area.key, complete);
        if ((area.view == RegistryView::Native && !names) || !complete) {
            return std::nullopt;
        }
        if (!installed) {
            installed = std::move(names);
        } else if (names) {
            installed->insert(installed->end(), names->begin(), names->end());
        }
    }
    if (std::optional<std::vector<std::string>> user =
            SubkeysOf(run, kHkcu, kUninstallKey, complete)) {
        if (!complete) {
            return std::nullopt;
        }
        installed->insert(installed->end(), user->begin(), user->end());
    }
    return installed;
}

void ScanUninstallCache(AnalysisRun& run) {
    // Without the whole Uninstall list every cache entry missing from it would look orphaned,
    // and fixing them would delete good data: the check needs the list, all of it.
    const std::optional<std::vector<std::string>> installed = InstalledEntries(run);
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
    for (const ViewArea& area : BothViews(kHklm, kArpCacheKey)) {
        RegistryAccess reg(run);
        reg.SetRoot(area.root);
        if (!reg.Open(area.key)) {
            continue;
        }
        for (const std::string& name : reg.SubkeyNames()) {
            if (isInstalled(name)) {
                continue;
            }
            if (area.view == RegistryView::Native ||
                (reg.Open(area.key + name) && area.Holds(reg))) {
                AppendIssue(run, 9, 1, "Uninstaller Reference Issue", name, area.KeyText() + name,
                            area.root, area.key + name, "", "", true);
            }
        }
    }
}

struct RunKey {
    std::uint32_t root;
    const char* key;
    std::int32_t kind;
};

// HKCU before HKLM; RunOnce keys carry kind 1, Run and RunOnceEx kind 0.
const RunKey kRunKeys[] = {
    {kHkcu, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {kHkcu, "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 1},
    {kHkcu, "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0},
    {kHklm, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {kHklm, "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 1},
    {kHklm, "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", 0},
};

void ScanRunArea(AnalysisRun& run, const ViewArea& area, std::int32_t kind) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        if (!IsTextKind(reg.ValueKindOf(name))) {
            continue;
        }
        const std::string command = reg.ReadText(name);
        const std::string path = ExtractCommandPath(command);
        if (CommandProgramMissing(run, command, path, area.view)) {
            AppendIssue(run, 10, kind, "Run Issue", path, area.KeyText(), area.root, area.key, name,
                        command, false);
        }
    }
}

} // namespace

void ScanInstall(AnalysisRun& run) {
    for (const ViewArea& area : BothViews(kHklm, kFoldersKey)) {
        ScanInstallerFolderArea(run, area);
    }
    ScanUninstallCache(run);
    ScanUninstallEntries(run);
}

void ScanRun(AnalysisRun& run) {
    // HKCU\Software is one key for both views; each machine key is followed by its 32-bit twin.
    for (const RunKey& runKey : kRunKeys) {
        for (const ViewArea& area : BothViews(runKey.root, runKey.key)) {
            ScanRunArea(run, area, runKey.kind);
        }
    }
}

} // namespace mendrake

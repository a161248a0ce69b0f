// Installer folders that are gone, uninstall-cache entries without an uninstall entry, uninstall
// entries of removed programs (category 9), and run entries of missing programs (category 10).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/dependent_findings.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/removed_programs.h"
#include "engine/scanner_paths.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

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
                            area.key, name, TextIfString(reg, name), false, {},
                            {Tested(kTestedFolder, name, kAnswerAbsent)});
            }
        }
    }
}

// Everything installed, by the user locale's case-insensitive key of each entry's name: the
// locations ("HKLM\...\Uninstall\Name") of the Uninstall entries of the machine in both views
// and of the user that bear that name. Nothing when the machine's own Uninstall key can't be
// read, or when any listing was cut short: an entry that could not be listed would make its
// cache entry look orphaned.
using InstalledEntries = std::unordered_map<std::string, std::vector<std::string>>;
std::optional<InstalledEntries> ReadInstalledEntries(AnalysisRun& run) {
    std::vector<ViewArea> areas = BothViews(kHklm, kUninstallKey);
    areas.push_back(UserArea(run.User(), kUninstallKey));
    InstalledEntries installed;
    platform::Platform& os = platform::Os();
    for (const ViewArea& area : areas) {
        RegistryAccess reg(run);
        reg.SetRoot(area.root);
        if (!reg.Open(area.key)) {
            if (area.root == kHklm && area.view == RegistryView::Native) {
                return std::nullopt;
            }
            continue;
        }
        const std::vector<std::string> names = reg.KeptSubkeyNames();
        if (!reg.ListingComplete()) {
            return std::nullopt;
        }
        for (const std::string& name : names) {
            installed[os.IgnoreCaseKey(name)].push_back(area.KeyText() + name);
        }
    }
    return installed;
}

void ScanUninstallCache(AnalysisRun& run) {
    // Without the whole Uninstall list every cache entry missing from it would look orphaned,
    // and fixing them would delete good data: the check needs the list, all of it.
    const std::optional<InstalledEntries> installed = ReadInstalledEntries(run);
    if (!installed) {
        return;
    }
    // The user locale's comparison decides alone (under Turkish casing "WINZIP" and "Winzip"
    // differ), through its key: one look-up per cache entry.
    platform::Platform& os = platform::Os();
    for (const ViewArea& area : BothViews(kHklm, kArpCacheKey)) {
        RegistryAccess reg(run);
        reg.SetRoot(area.root);
        if (!reg.Open(area.key)) {
            continue;
        }
        for (const std::string& name : reg.SubkeyNames()) {
            const auto entries = installed->find(os.IgnoreCaseKey(name));
            TItem finding{1,
                          9,
                          1,
                          "Uninstaller Reference Issue",
                          name,
                          area.KeyText() + name,
                          area.root,
                          area.key + name,
                          "",
                          "",
                          true,
                          {},
                          {Tested(kTestedUninstallEntry, name, kAnswerNotListed)}};
            // A 32-bit area's entry reached through a key both views share is the 64-bit
            // pass's.
            auto held = [&] {
                return area.view == RegistryView::Native ||
                       (reg.Open(area.key + name) && area.Holds(reg));
            };
            if (entries != installed->end()) {
                // Orphaned once the fix removes every Uninstall entry of its name (a program
                // whose files are gone): found in the same analysis.
                if (held()) {
                    finding.Problem += " (uninstall entry being removed)";
                    NoteDependentFinding(run, std::move(finding), entries->second);
                }
                continue;
            }
            if (held()) {
                run.Append(std::move(finding));
            }
        }
    }
}

struct RunKey {
    std::uint32_t root;
    const char* key;
    std::int32_t kind;
};

// The user's (HKCU) before HKLM; RunOnce keys carry kind 1, Run and RunOnceEx kind 0.
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
        // Explorer expands the references of a Run command of either string kind before it
        // starts it; one that names a variable that is not set can't be judged.
        const std::optional<std::string> expanded = ExpandedReferences(command, area.view);
        if (!expanded) {
            continue;
        }
        const std::string path = ExtractCommandPath(*expanded);
        if (CommandProgramMissing(run, *expanded, path, area.view)) {
            AppendIssue(run, 10, kind, "Run Issue", path, area.KeyText(), area.root, area.key, name,
                        command, false, {},
                        {Tested(kTestedProgram, *expanded == command ? path : command,
                                kAnswerAbsent, *expanded == command ? std::string() : path)});
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
    // The user's Software is one key for both views; each machine key is followed by its
    // 32-bit twin.
    const UserScope& user = run.User();
    for (const RunKey& runKey : kRunKeys) {
        const bool perUser = runKey.root == kHkcu;
        for (const ViewArea& area : BothViews(perUser ? user.root : runKey.root,
                                              perUser ? user.Key(runKey.key) : runKey.key)) {
            ScanRunArea(run, area, runKey.kind);
        }
    }
}

} // namespace mendrake

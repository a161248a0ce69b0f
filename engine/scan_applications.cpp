// Shell verbs of missing programs, App Paths of missing programs, empty software keys and
// those of removed programs (category 6).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/removed_programs.h"
#include "engine/scanner_paths.h"

namespace mendrake {

namespace {

constexpr std::int32_t kCategory = 6;
const std::string kAppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// The subkey names of a key of the classes root ("" for the root itself); none when it can't
// be opened.
std::vector<std::string> ClassesSubkeys(AnalysisRun& run, const std::string& path) {
    RegistryAccess reg(run);
    reg.SetRoot(kHkcr);
    return reg.Open(path) ? reg.SubkeyNames() : std::vector<std::string>();
}

// The verbs below "<base>\Shell" of one classes key: each verb whose command names a missing
// program is one finding; a "Shell" key without verbs that is the key's only subkey is one
// finding for the whole key.
void ScanShellKey(AnalysisRun& run, RegistryAccess& reg, const std::string& name,
                  const std::string& base) {
    if (!reg.Open(base + "\\Shell")) {
        return;
    }
    const std::vector<std::string> verbs = reg.SubkeyNames();
    // A "Shell" key is empty only when it counts no subkeys: one whose listing failed may
    // still hold verbs, and reporting it would delete the whole class key.
    if (verbs.empty() && reg.SubkeyCount() == 0) {
        // The key's values don't matter: it exists only to carry the empty "Shell" key.
        if (reg.Open(base) && reg.SubkeyCount() == 1) {
            AppendIssue(run, kCategory, 0, "Open with Issue", name, "HKCR" + base, kHkcr, base, "",
                        "", true);
        }
        return;
    }
    for (const std::string& verb : verbs) {
        const std::string verbKey = base + "\\Shell\\" + verb;
        if (!reg.Open(verbKey + "\\Command") || !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string command = reg.ReadText("");
        const std::string path = VerbProgramPath(command);
        if (CommandProgramMissing(run, command, path)) {
            AppendIssue(run, kCategory, 0, "Open with Issue", path, "HKCR" + verbKey + "\\Command",
                        kHkcr, verbKey, "", command, true);
        }
    }
}

// Passes 1 and 2: the application registrations, then every key of the classes root.
void ScanVerbs(AnalysisRun& run, const std::string& parent) {
    const std::vector<std::string> names = ClassesSubkeys(run, parent);
    RegistryAccess reg(run);
    reg.SetRoot(kHkcr);
    for (const std::string& name : names) {
        ScanShellKey(run, reg, name, parent + "\\" + name);
    }
}

void ScanAppPathArea(AnalysisRun& run, const ViewArea& area) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string key = area.Subkey(name);
        if (!reg.Open(key) || !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        // Used as read: a quoted path has no drive part and is passed over.
        const std::string path = reg.ReadText("");
        if (FileMissingWithDrive(run, path, area.view) && area.Holds(reg)) {
            AppendIssue(run, kCategory, 1, "Application Path Issue", path, area.SubkeyText(name),
                        area.root, key, "", path, true);
        }
    }
}

// Keys directly below one software area that are empty, then those of removed programs; the
// 32-bit area's links to shared keys are left to the 64-bit pass, which reads those keys.
void ScanSoftwareArea(AnalysisRun& run, const ViewArea& area, std::int32_t kind) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string key = area.Subkey(name);
        if (!reg.Open(key)) {
            continue;
        }
        if (reg.ValueCount() != 0 || reg.SubkeyCount() != 0) {
            ScanRemovedProgramKeys(run, reg, area, name, kind);
        } else if (area.Holds(reg)) {
            AppendIssue(run, kCategory, kind, "Obsolete Software Key", name, area.SubkeyText(name),
                        area.root, key, "", "", true);
        }
    }
}

} // namespace

void ScanApplications(AnalysisRun& run) {
    ScanVerbs(run, "\\Applications");
    ScanVerbs(run, "");
    for (const ViewArea& area : BothViews(kHklm, kAppPathsKey)) {
        ScanAppPathArea(run, area);
    }
    for (const ViewArea& area : BothViews(kHklm, "\\Software")) {
        ScanSoftwareArea(run, area, 2);
    }
    // HKCU\Software is one key for both views.
    ScanSoftwareArea(run, ViewArea{kHkcu, "\\Software", RegistryView::Native, {}}, 3);
}

} // namespace mendrake

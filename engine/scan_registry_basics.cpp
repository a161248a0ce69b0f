// Shared DLL counters, empty file-extension keys and COM classes (categories 3, 4 and 5).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

#include <unordered_set>

namespace mendrake {

namespace {

const std::string kSharedDllsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const std::string kFileExtsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

} // namespace

namespace {

void ScanSharedDllArea(AnalysisRun& run, const ViewArea& area) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    const bool installerCounts = reg.ValueKindOf("WindowsInstaller") == ValueKind::Number;
    for (const std::string& name : reg.ValueNames()) {
        // A DLL on a drive or share that can't be reached is not known to be gone.
        const std::string path = PathSeenBy(area.view, name);
        if (FileFound(run, path) || !VolumeReachable(run, path)) {
            continue;
        }
        // A count that is not a 4-byte number has no reading: an empty text, as for another
        // kind, rather than an error that would end the whole scanner.
        std::string count;
        if (installerCounts && reg.ValueKindOf(name) == ValueKind::Number &&
            reg.ValueSize(name) == 4) {
            count = std::to_string(reg.ReadNumber(name));
        }
        AppendIssue(run, 3, 0, "Missing Shared DLL", name, area.KeyText(), area.root, area.key,
                    name, count, false);
    }
}

} // namespace

void ScanSharedDlls(AnalysisRun& run) {
    for (const ViewArea& area : BothViews(kHklm, kSharedDllsKey)) {
        ScanSharedDllArea(run, area);
    }
}

void ScanFileExtensions(AnalysisRun& run) {
    {
        RegistryAccess reg(run);
        reg.SetRoot(kHkcr);
        if (reg.Open("")) {
            for (const std::string& name : reg.SubkeyNames()) {
                if (reg.Open("\\" + name) && reg.ValueCount() == 0 && reg.SubkeyCount() == 0) {
                    AppendIssue(run, 4, 0, "Unused File Extension", name, "HKCR\\" + name, kHkcr,
                                "\\" + name, "", "", true);
                }
            }
        }
    }
    RegistryAccess reg(run);
    reg.SetRoot(kHkcu);
    if (!reg.Open(kFileExtsKey)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string key = kFileExtsKey + "\\" + name;
        if (!reg.Open(key)) {
            continue;
        }
        std::string defaultText = "Default";
        const bool hasDefault = reg.HasValue("");
        if (hasDefault && IsTextKind(reg.ValueKindOf(""))) {
            defaultText = reg.ReadText("");
        }
        if (!Trim(defaultText).empty() && hasDefault) {
            continue; // a default value with text: the extension is in use
        }
        const std::uint32_t values = reg.ValueCount();
        const bool empty = values == 0 || (values == 1 && defaultText.empty());
        if (empty && reg.SubkeyCount() == 0) {
            AppendIssue(run, 4, 1, "Unused File Extension", name, "HKCU" + key, kHkcu, key, "", "",
                        true);
        }
    }
}

namespace {

// The class ids of one view's class list; false when the list cannot be opened. `complete`
// turns false when the listing was cut short.
bool ReadClassIds(AnalysisRun& run, const ViewArea& area, std::vector<std::string>& ids,
                  bool& complete) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return false;
    }
    ids = reg.SubkeyNames();
    complete = complete && reg.ListingComplete();
    return true;
}

// Classes of one view whose in-process server file is missing, as a program of that view
// loads it.
void ScanClassServers(AnalysisRun& run, const ViewArea& area, const std::vector<std::string>& ids) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    for (const std::string& id : ids) {
        if (!reg.Open(area.Subkey(id) + "\\InprocServer32") || !reg.HasValue("") ||
            !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string server = reg.ReadText("");
        if (FileMissingWithDrive(run, server, area.view) && area.Holds(reg)) {
            AppendIssue(run, 5, 0, "COM Issue", server, area.SubkeyText(id), area.root,
                        area.Subkey(id), "", server, true);
        }
    }
}

} // namespace

void ScanClasses(AnalysisRun& run) {
    // Both views' class lists: each view's servers are judged, and a reference is answered by
    // a class of either view (program identifiers are shared by 32-bit and 64-bit programs).
    std::vector<std::string> classIds;
    bool haveClassList = false;
    bool complete = true;
    for (const ViewArea& area : BothViews(kHkcr, "\\CLSID")) {
        std::vector<std::string> ids;
        if (!ReadClassIds(run, area, ids, complete)) {
            continue;
        }
        // The 64-bit list decides whether references can be judged at all.
        haveClassList = haveClassList || area.view == RegistryView::Native;
        ScanClassServers(run, area, ids);
        classIds.insert(classIds.end(), ids.begin(), ids.end());
    }
    // Without the whole class list references would look dangling: the check needs it all (a
    // class id that could not be listed would make every reference to it look dangling).
    if (!haveClassList || !complete) {
        return;
    }
    std::unordered_set<std::string> known;
    known.reserve(classIds.size() * 2);
    for (const std::string& id : classIds) {
        known.insert(UpperCase(id));
    }
    RegistryAccess reg(run);
    reg.SetRoot(kHkcr);
    if (!reg.Open("")) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        // The root of the 32-bit view is no program identifier: its "CLSID" is the class list.
        if (UpperCase(name) == "WOW6432NODE") {
            continue;
        }
        if (!reg.Open("\\" + name + "\\CLSID") || !reg.HasValue("") ||
            !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string text = reg.ReadText("");
        const std::string compared =
            text.find_first_of("{}") != std::string::npos ? text : "{" + text + "}";
        // A reference holds a value, not a tree: a "CLSID" key with subkeys of its own is a
        // container, and deleting it would delete what no reference check looked at.
        if (known.count(UpperCase(compared)) == 0 && reg.SubkeyCount() == 0) {
            AppendIssue(run, 5, 1, "COM Issue", compared, "HKCR\\" + name + "\\CLSID", kHkcr,
                        "\\" + name + "\\CLSID", "", text, true);
        }
    }
}

} // namespace mendrake

// Shell extension handlers, icon-overlay identifiers and approved shell extensions whose class
// is registered in neither registry view (category 15).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

#include <optional>
#include <unordered_set>

namespace mendrake {

namespace {

using ClassSet = std::unordered_set<std::string>;

// The handler lists below a classes-root key's "shellex" key that name a class each.
const char* const kHandlerLists[] = {"ContextMenuHandlers", "PropertySheetHandlers",
                                     "DragDropHandlers", "CopyHookHandlers"};
const std::string kOverlaysKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
const std::string kApprovedKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
// The class lists of the 64-bit and the 32-bit view. A class of either answers a handler, so
// reading one physical list twice would cost time only, never a wrong answer.
const char* const kNativeClassList = "\\CLSID";
const char* const kWow64ClassList = "\\Wow6432Node\\CLSID";

// Adds the upper-cased class ids of one class list; false when it cannot be opened. `complete`
// turns false when the listing was cut short.
bool AddClassIds(AnalysisRun& run, const char* list, ClassSet& registered, bool& complete) {
    RegistryAccess reg(run);
    reg.SetRoot(kHkcr);
    if (!reg.Open(list)) {
        return false;
    }
    for (const std::string& id : reg.SubkeyNames()) {
        registered.insert(UpperCase(id));
    }
    complete = complete && reg.ListingComplete();
    return true;
}

// The class ids of both views, upper-cased; nothing when the 64-bit list cannot be read or a
// list was cut short, as every handler of a class left out would then look dead.
std::optional<ClassSet> RegisteredClasses(AnalysisRun& run) {
    ClassSet registered;
    bool complete = true;
    if (!AddClassIds(run, kNativeClassList, registered, complete)) {
        return std::nullopt;
    }
    // A machine without 32-bit programs has no 32-bit list.
    AddClassIds(run, kWow64ClassList, registered, complete);
    if (!complete) {
        return std::nullopt;
    }
    return registered;
}

// Reports the handler key `key` of `area` (its last part `name`) when the class it names is
// not registered. The class is the key's default value when that is text shaped like a class id,
// else the key's own name when that is; a key naming neither is not tested.
void CheckHandlerKey(AnalysisRun& run, RegistryAccess& reg, const ClassSet& registered,
                     const ViewArea& area, const std::string& key, const std::string& name) {
    if (!reg.Open(key)) {
        return;
    }
    const std::string text = TextIfString(reg, "");
    const std::string& id = LooksLikeClassId(text) ? text : name;
    if (!LooksLikeClassId(id) || registered.count(UpperCase(id)) != 0) {
        return;
    }
    // The fix deletes the whole key: a handler key with subkeys of its own holds more than the
    // reference that was tested, and stays.
    if (reg.AnySubkeys() || !area.Holds(reg)) {
        return;
    }
    AppendIssue(run, 15, 0, "Shell Extension Issue", id, RootAbbreviation(area.root) + key,
                area.root, key, "", text, true);
}

void ScanHandlerLists(AnalysisRun& run, const ClassSet& registered) {
    RegistryAccess root(run);
    root.SetRoot(kHkcr);
    if (!root.Open("")) {
        return;
    }
    // Extensions, program identifiers and the shell's own keys are kept once for both views.
    const ViewArea classes{kHkcr, "", RegistryView::Native, {}};
    RegistryAccess reg(run);
    reg.SetRoot(kHkcr);
    for (const std::string& name : root.SubkeyNames()) {
        const std::string shellex = "\\" + name + "\\shellex";
        if (!reg.Open(shellex)) {
            continue; // most keys have no shell extensions: one open tells
        }
        for (const char* list : kHandlerLists) {
            const std::string listKey = shellex + "\\" + list;
            if (!reg.Open(listKey)) {
                continue;
            }
            for (const std::string& handler : reg.SubkeyNames()) {
                CheckHandlerKey(run, reg, registered, classes, listKey + "\\" + handler, handler);
            }
        }
    }
}

void ScanOverlayIdentifiers(AnalysisRun& run, const ViewArea& area, const ClassSet& registered) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        CheckHandlerKey(run, reg, registered, area, area.Subkey(name), name);
    }
}

void ScanApproved(AnalysisRun& run, const ViewArea& area, const ClassSet& registered) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key) || !area.Holds(reg)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        if (LooksLikeClassId(name) && registered.count(UpperCase(name)) == 0) {
            AppendIssue(run, 15, 1, "Shell Extension Issue", name, area.KeyText(), area.root,
                        area.key, name, TextIfString(reg, name), false);
        }
    }
}

} // namespace

void ScanShellExtensions(AnalysisRun& run) {
    const std::optional<ClassSet> registered = RegisteredClasses(run);
    if (!registered) {
        return;
    }
    ScanHandlerLists(run, *registered);
    for (const ViewArea& area : BothViews(kHklm, kOverlaysKey)) {
        ScanOverlayIdentifiers(run, area, *registered);
    }
    for (const ViewArea& area : BothViews(kHklm, kApprovedKey)) {
        ScanApproved(run, area, *registered);
    }
}

} // namespace mendrake

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
// Below the software key of a view.
const std::string kOverlaysKey =
    "\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
const std::string kApprovedKey = "\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The views whose HKLM lists are scanned.
const RegistryView* const kScannedViews[] = {&kNativeView};

// The class ids of both views' class lists, upper-cased; nothing when neither list can be read,
// as every handler would then look dead.
std::optional<ClassSet> RegisteredClasses() {
    std::optional<ClassSet> registered;
    for (const RegistryView* view : {&kNativeView, &kThirtyTwoBitView}) {
        RegistryAccess reg;
        reg.SetRoot(kHkcr);
        if (!reg.Open(std::string(view->classesKey) + "\\CLSID")) {
            continue;
        }
        if (!registered) {
            registered.emplace();
        }
        for (const std::string& id : reg.SubkeyNames()) {
            registered->insert(UpperCase(id));
        }
    }
    return registered;
}

// Reports the handler key `key` (below `root`, named `name`) when the class it names is not
// registered. The class is the key's default value when that is text shaped like a class id,
// else the key's own name when that is; a key naming neither is not tested.
void CheckHandlerKey(RegistryAccess& reg, const ClassSet& registered, const std::string& rootText,
                     const std::string& key, const std::string& name) {
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
    if (reg.AnySubkeys()) {
        return;
    }
    AppendIssue(15, 0, "Shell Extension Issue", id, rootText + key, reg.Root(), key, "", text,
                true);
}

void ScanHandlerLists(const ClassSet& registered) {
    RegistryAccess root;
    root.SetRoot(kHkcr);
    if (!root.Open("")) {
        return;
    }
    RegistryAccess reg;
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
                CheckHandlerKey(reg, registered, "HKCR", listKey + "\\" + handler, handler);
            }
        }
    }
}

void ScanOverlayIdentifiers(const RegistryView& view, const ClassSet& registered) {
    const std::string key = std::string(view.softwareKey) + kOverlaysKey;
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(key)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        CheckHandlerKey(reg, registered, "HKLM", key + "\\" + name, name);
    }
}

void ScanApproved(const RegistryView& view, const ClassSet& registered) {
    const std::string key = std::string(view.softwareKey) + kApprovedKey;
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    if (!reg.Open(key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        if (LooksLikeClassId(name) && registered.count(UpperCase(name)) == 0) {
            AppendIssue(15, 1, "Shell Extension Issue", name, "HKLM" + key, kHklm, key, name,
                        TextIfString(reg, name), false);
        }
    }
}

} // namespace

void ScanShellExtensions() {
    const std::optional<ClassSet> registered = RegisteredClasses();
    if (!registered) {
        return;
    }
    ScanHandlerLists(*registered);
    for (const RegistryView* view : kScannedViews) {
        ScanOverlayIdentifiers(*view, *registered);
    }
    for (const RegistryView* view : kScannedViews) {
        ScanApproved(*view, *registered);
    }
}

} // namespace mendrake

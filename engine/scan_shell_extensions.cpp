// Shell extension handlers, icon-overlay identifiers and approved shell extensions whose class
// is registered in neither registry view (category 15).
#include "engine/algorithm_unit.h"
#include "engine/class_registrations.h"
#include "engine/classes_root.h"
#include "engine/dependent_findings.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

namespace mendrake {

namespace {

// The handler lists below a classes key's "shellex" key that name a class each, and the keys
// there that name one handler class themselves.
const char* const kHandlerLists[] = {"ContextMenuHandlers", "PropertySheetHandlers",
                                     "DragDropHandlers", "CopyHookHandlers", "ColumnHandlers"};
const char* const kSingleHandlers[] = {"IconHandler", "DataHandler", "DropHandler"};
// Keys of the classes root whose own subkey "Background" carries handlers too (the menu of a
// folder's or the desktop's empty space), and the list of per-type associations.
const char* const kWithBackground[] = {
    "Directory", "Folder", "Drive", "DesktopBackground", "AllFilesystemObjects", "*"};
const char* const kTypeAssociations = "SystemFileAssociations";
const std::string kOverlaysKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
const std::string kApprovedKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr std::int32_t kCategory = 15;
const char* const kProblem = "Shell Extension Issue";
const char* const kDependentProblem = "Shell Extension Issue (class being removed)";

// Reports the handler key `key` (at `root`, its last part `name`) when the class it names is
// not registered, or notes it as a dependent finding when every registration of the class is
// reported for deletion. The class is the key's default value when that is text shaped like a
// class id, else the key's own name when that is; a key naming neither is not tested. `area`
// (when given) is the machine's area it was read from, for ViewArea::Holds.
void CheckHandlerKey(AnalysisRun& run, RegistryAccess& reg, const ClassRegistrations& classes,
                     std::uint32_t root, const std::string& key, const std::string& name,
                     const ViewArea* area = nullptr) {
    reg.SetRoot(root);
    if (!reg.Open(key)) {
        return;
    }
    const std::string text = TextIfString(reg, "");
    const std::string& id = LooksLikeClassId(text) ? text : name;
    if (!LooksLikeClassId(id)) {
        return;
    }
    const std::vector<std::string>* places = classes.PlacesOf(id);
    // The fix deletes the whole key: a handler key with subkeys of its own holds more than the
    // reference that was tested, and stays (asked of a handler of a registered class only when
    // that class goes).
    const bool standsNow = places == nullptr || AllReportedForDeletion(run, *places);
    if ((standsNow && reg.AnySubkeys()) || (area != nullptr && !area->Holds(reg))) {
        return;
    }
    const std::string keyText = RootAbbreviation(root) + key;
    if (places != nullptr) {
        NoteDependentFinding(
            run,
            TItem{
                1, kCategory, 0, kDependentProblem, id, keyText, root, key, "", text, true, {}, {}},
            *places, standsNow ? WhenReady::Stands : WhenReady::KeyWithoutSubkeys);
        return;
    }
    AppendIssue(run, kCategory, 0, kProblem, id, keyText, root, key, "", text, true, {},
                {Tested(kTestedRegistration, id, kAnswerNotRegistered)});
}

// The handlers below one "shellex" key of the classes.
void ScanShellexKey(AnalysisRun& run, RegistryAccess& reg, const ClassRegistrations& classes,
                    const ClassesKey& shellex) {
    reg.SetRoot(shellex.Root());
    if (!reg.Open(shellex.Key())) {
        return; // most keys have no shell extensions: one open tells
    }
    for (const char* list : kHandlerLists) {
        const ClassesKey listKey = shellex.Below(list);
        reg.SetRoot(listKey.Root());
        if (!reg.Open(listKey.Key())) {
            continue;
        }
        for (const std::string& handler : reg.SubkeyNames()) {
            CheckHandlerKey(run, reg, classes, listKey.Root(), listKey.Below(handler).Key(),
                            handler);
        }
    }
    for (const char* single : kSingleHandlers) {
        const ClassesKey handler = shellex.Below(single);
        CheckHandlerKey(run, reg, classes, handler.Root(), handler.Key(), single);
    }
}

// Every place below the classes root where Windows reads handlers: the "shellex" key of each
// key of the root, of the "Background" of the folder-like keys, and of each per-type
// association; the machine's and the user's.
void ScanHandlerLists(AnalysisRun& run, ClassesRoot& root, const ClassRegistrations& classes) {
    RegistryAccess reg(run);
    for (const ClassesKey& owner : root.Subkeys("")) {
        ScanShellexKey(run, reg, classes, owner.Below("shellex"));
    }
    for (const char* name : kWithBackground) {
        ScanShellexKey(run, reg, classes, root.Locate(std::string(name) + "\\Background\\shellex"));
    }
    for (const ClassesKey& type : root.Subkeys(kTypeAssociations)) {
        ScanShellexKey(run, reg, classes, type.Below("shellex"));
    }
}

void ScanOverlayIdentifiers(AnalysisRun& run, const ViewArea& area,
                            const ClassRegistrations& classes) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        CheckHandlerKey(run, reg, classes, area.root, area.Subkey(name), name, &area);
    }
}

void ScanApproved(AnalysisRun& run, const ViewArea& area, const ClassRegistrations& classes) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key) || !area.Holds(reg)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        if (!LooksLikeClassId(name)) {
            continue;
        }
        if (const std::vector<std::string>* places = classes.PlacesOf(name)) {
            NoteDependentFinding(run,
                                 TItem{1,
                                       kCategory,
                                       1,
                                       kDependentProblem,
                                       name,
                                       area.KeyText(),
                                       area.root,
                                       area.key,
                                       name,
                                       TextIfString(reg, name),
                                       false,
                                       {},
                                       {}},
                                 *places);
            continue;
        }
        AppendIssue(run, kCategory, 1, kProblem, name, area.KeyText(), area.root, area.key, name,
                    TextIfString(reg, name), false, {},
                    {Tested(kTestedRegistration, name, kAnswerNotRegistered)});
    }
}

} // namespace

void ScanShellExtensions(AnalysisRun& run) {
    // A class of either view, the machine's or the user's, answers a handler; without every
    // class list, every handler of a class left out would look dead.
    ClassesRoot root(run);
    const ClassRegistrations& classes = ReadRegistrations(root);
    if (!classes.usable) {
        return;
    }
    ScanHandlerLists(run, root, classes);
    for (const ViewArea& area : BothViews(kHklm, kOverlaysKey)) {
        ScanOverlayIdentifiers(run, area, classes);
    }
    for (const ViewArea& area : BothViews(kHklm, kApprovedKey)) {
        ScanApproved(run, area, classes);
    }
}

} // namespace mendrake

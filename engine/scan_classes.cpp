// COM classes whose server file is missing, class references to no class, interfaces whose
// proxy class or type library is gone, and class icons that are gone (category 5), in both
// registry views and in the user's classes.
#include "engine/ansi_text.h"
#include "engine/algorithm_unit.h"
#include "engine/class_registrations.h"
#include "engine/classes_root.h"
#include "engine/common_unit.h"
#include "engine/dependent_findings.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"
#include "engine/scan_icons.h"

namespace mendrake {

namespace {

constexpr std::int32_t kCategory = 5;

// Classes whose in-process server file is missing, as a program of the class's view loads it,
// and classes whose icon file is gone.
void ScanClassServers(AnalysisRun& run, const ClassRegistrations& classes) {
    RegistryAccess reg(run);
    RegistryAccess local(run);
    ClassLists lists(run);
    // A class whose local server is there (or cannot be judged) still works without its
    // in-process server: the whole key must not go. Asked of the few classes whose DLL is gone.
    auto servedLocally = [&](const ClassEntry& entry) {
        if (!lists.Open(local, entry, "LocalServer32")) {
            return false;
        }
        const std::string command = TextIfString(local, "");
        return Trim(command).empty() ||
               CommandProgramState(run, command, entry.view) != PathState::Gone;
    };
    for (const ClassEntry& entry : classes.entries) {
        if (!lists.Open(reg, entry, "InprocServer32") || !reg.HasValue("") ||
            !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string server = reg.ReadText("");
        if (FileMissingWithDrive(run, server, entry.view) && EntryHolds(entry, reg) &&
            !servedLocally(entry)) {
            AppendIssue(run, kCategory, 0, "COM Issue", server, entry.key.KeyText(),
                        entry.key.Root(), entry.key.Key(), "", server, true, {},
                        {Tested(kTestedFile, server, kAnswerAbsent)});
        }
    }
    for (const ClassEntry& entry : classes.entries) {
        if (lists.Open(reg, entry, "DefaultIcon")) {
            CheckOpenDefaultIcon(run, reg, entry.key.Below("DefaultIcon"), entry.view, kCategory, 3,
                                 entry.machineArea);
        }
    }
}

// The class id a reference's text names: braces added when it has none.
std::string ComparedClassId(const std::string& text) {
    return text.find_first_of("{}") != std::string::npos ? text : "{" + text + "}";
}

// The "CLSID" references of every key of the classes root.
void ScanClassReferences(AnalysisRun& run, ClassesRoot& root, const ClassRegistrations& classes) {
    RegistryAccess reg(run);
    for (const ClassesKey& owner : root.Subkeys("")) {
        // The root of the 32-bit view is no program identifier: its "CLSID" is the class list.
        if (UpperCase(owner.path) == "WOW6432NODE") {
            continue;
        }
        const ClassesKey ref =
            owner.PerUser() ? owner.Below("CLSID") : root.Locate(owner.path + "\\CLSID");
        reg.SetRoot(ref.Root());
        if (!reg.Open(ref.Key()) || !reg.HasValue("") || !IsTextKind(reg.ValueKindOf(""))) {
            continue;
        }
        const std::string text = reg.ReadText("");
        const std::string compared = ComparedClassId(text);
        const std::vector<std::string>* places = classes.PlacesOf(compared);
        // A reference holds a value, not a tree: a "CLSID" key with subkeys of its own is a
        // container, and deleting it would delete what no reference check looked at. Asked now
        // of a reference that stands now (its key is open); of one to a registered class only
        // when that class goes.
        const bool standsNow = places == nullptr || AllReportedForDeletion(run, *places);
        if (standsNow && reg.SubkeyCount() != 0) {
            continue;
        }
        if (places == nullptr) {
            AppendIssue(run, kCategory, 1, "COM Issue", compared, ref.KeyText(), ref.Root(),
                        ref.Key(), "", text, true, {},
                        {Tested(kTestedRegistration, compared, kAnswerNotRegistered)});
            continue;
        }
        NoteDependentFinding(run,
                             TItem{1,
                                   kCategory,
                                   1,
                                   "COM Issue (class being removed)",
                                   compared,
                                   ref.KeyText(),
                                   ref.Root(),
                                   ref.Key(),
                                   "",
                                   text,
                                   true,
                                   {},
                                   {}},
                             *places, standsNow ? WhenReady::Stands : WhenReady::KeyWithoutSubkeys);
    }
}

// Whether `proxy` is one of the classes that marshal an interface from its type library
// (PSOAInterface, PSDispatch).
bool IsTypeLibraryMarshaller(const std::string& proxy) {
    const std::string upper = UpperCase(proxy);
    return upper == "{00020424-0000-0000-C000-000000000046}" ||
           upper == "{00020420-0000-0000-C000-000000000046}";
}

// Interfaces whose proxy class is registered nowhere, or that are marshalled from a type
// library that is gone.
void ScanInterfaces(AnalysisRun& run, ClassesRoot& root, const ClassRegistrations& classes) {
    std::vector<ViewArea> areas;
    bool usable = true;
    const std::vector<ClassEntry> interfaces = ListInAllViews(root, "Interface", areas, usable);
    const ClassRegistrations& libraries = ReadRegistrations(root, "TypeLib");
    RegistryAccess reg(run);
    RegistryAccess named(run); // a part below the interface's key, which stays open in `reg`
    ClassLists lists(run);
    for (const ClassEntry& entry : interfaces) {
        if (!lists.Open(reg, entry)) {
            continue;
        }
        const std::vector<std::string> parts = reg.SubkeyNames();
        if (!reg.ListingComplete()) {
            continue;
        }
        std::string proxy, library;
        for (const std::string& part : parts) {
            const std::string upper = UpperCase(part);
            if (upper == "PROXYSTUBCLSID32" || (upper == "PROXYSTUBCLSID" && proxy.empty())) {
                if (named.OpenBelow(reg, part)) {
                    proxy = TextIfString(named, "");
                }
            } else if (upper == "TYPELIB" && named.OpenBelow(reg, part)) {
                library = TextIfString(named, "");
            }
        }
        // A proxy class or a type library that is registered nowhere makes the interface
        // dead; one that is registered only where the analysis deletes it, a dependent.
        struct Reference {
            const std::string& id;
            const ClassRegistrations& lists;
            const char* dependentProblem;
        };
        // The library is used to marshal the interface only when its proxy is the type
        // library marshaller; any other proxy does without it.
        const bool marshalledByLibrary = IsTypeLibraryMarshaller(Trim(proxy));
        for (const Reference& named :
             {Reference{proxy, classes, "Interface Issue (class being removed)"},
              Reference{library, libraries, "Interface Issue (type library being removed)"}}) {
            const std::string id = Trim(named.id);
            if (!LooksLikeClassId(id) || !named.lists.usable ||
                (&named.lists == &libraries && !marshalledByLibrary)) {
                continue;
            }
            const std::vector<std::string>* places = named.lists.PlacesOf(id);
            if (places != nullptr) {
                NoteDependentFinding(run,
                                     TItem{1,
                                           kCategory,
                                           2,
                                           named.dependentProblem,
                                           id,
                                           entry.key.KeyText(),
                                           entry.key.Root(),
                                           entry.key.Key(),
                                           "",
                                           named.id,
                                           true,
                                           {},
                                           {}},
                                     *places);
                continue;
            }
            if (EntryHolds(entry, reg)) {
                AppendIssue(run, kCategory, 2, "Interface Issue", id, entry.key.KeyText(),
                            entry.key.Root(), entry.key.Key(), "", named.id, true, {},
                            {Tested(kTestedRegistration, id, kAnswerNotRegistered)});
            }
            break; // one finding per interface
        }
    }
}

} // namespace

void ScanClasses(AnalysisRun& run) {
    // Both views' class lists, the machine's and the user's: each class's server is judged, and
    // a reference is answered by a class of any of them (program identifiers are shared by
    // 32-bit and 64-bit programs).
    ClassesRoot root(run);
    const ClassRegistrations& classes = ReadRegistrations(root);
    ScanClassServers(run, classes);
    // Without the whole class list references would look dangling.
    if (!classes.usable) {
        return;
    }
    ScanClassReferences(run, root, classes);
    ScanInterfaces(run, root, classes);
}

} // namespace mendrake

// Shared DLL counters, empty file-extension keys and COM classes (categories 3, 4 and 5).
#include "engine/ansi_text.h"
#include "engine/algorithm_unit.h"
#include "engine/classes_root.h"
#include "engine/dependent_findings.h"
#include "engine/scan_icons.h"
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
                    name, count, false, {}, {Tested(kTestedFile, name, kAnswerAbsent, path)});
    }
}

} // namespace

void ScanSharedDlls(AnalysisRun& run) {
    for (const ViewArea& area : BothViews(kHklm, kSharedDllsKey)) {
        ScanSharedDllArea(run, area);
    }
}

namespace {

// The keys of `program` (a program id named by an extension) in the machine's and the user's
// classes; none when it is registered in neither.
std::vector<std::string> ProgramIdPlaces(ClassesRoot& classes,
                                         const std::unordered_set<std::string>& machineNames,
                                         const std::string& program) {
    std::vector<std::string> places;
    if (program.empty() || FindCharacter(program, "\\") != std::string::npos) {
        return places;
    }
    if (machineNames.count(UpperCase(program)) != 0) {
        places.push_back(ClassesKey{program, nullptr}.KeyText());
    }
    if (classes.UserHolds(program)) {
        places.push_back(ClassesKey{program, &classes.Run().User()}.KeyText());
    }
    return places;
}

// Pass over the classes root, the machine's and the user's: keys with neither values nor
// subkeys, icons that are gone, and extensions naming a program id the analysis removes.
void ScanClassesRootKeys(AnalysisRun& run) {
    ClassesRoot classes(run);
    std::unordered_set<std::string> machineNames;
    {
        RegistryAccess root(run);
        root.SetRoot(kHkcr);
        if (root.Open("")) {
            for (const std::string& name : root.SubkeyNames()) {
                machineNames.insert(UpperCase(name));
            }
        }
    }
    RegistryAccess reg(run);
    for (const ClassesKey& key : classes.Subkeys("")) {
        reg.SetRoot(key.Root());
        if (!reg.Open(key.Key())) {
            continue;
        }
        const std::uint32_t values = reg.ValueCount();
        const std::uint32_t subkeys = reg.SubkeyCount();
        if (values == 0 && subkeys == 0) {
            AppendIssue(run, 4, 0, "Unused File Extension", key.path, key.KeyText(), key.Root(),
                        key.Key(), "", "", true, {},
                        {Tested(kTestedKey, key.KeyText(), kAnswerEmpty)});
            continue;
        }
        if (!key.path.empty() && key.path.front() == '.' && values != 0) {
            const std::string text = TextIfString(reg, "");
            const std::vector<std::string> places =
                ProgramIdPlaces(classes, machineNames, Trim(text));
            // An extension that holds nothing but the name of its program id goes with it;
            // one that holds more keeps the rest and loses only the name.
            const bool whole = values == 1 && subkeys == 0;
            if (!places.empty()) {
                NoteDependentFinding(run,
                                     TItem{1,
                                           4,
                                           3,
                                           "Unused File Extension (program id being removed)",
                                           Trim(text),
                                           key.KeyText(),
                                           key.Root(),
                                           key.Key(),
                                           "",
                                           text,
                                           whole,
                                           {},
                                           {}},
                                     places);
            }
        }
        if (subkeys != 0 && UpperCase(key.path) != "WOW6432NODE") {
            CheckDefaultIcon(run, reg, key, RegistryView::Native, 4, 2);
            // A key whose every subkey the analysis deletes is left empty by the fix.
            NoteEmptiedKeyLater(
                run,
                key.KeyFinding(4, 0, "Unused File Extension (left empty by the fix)", key.path),
                subkeys, DescriptionRuleOf(key.path));
        }
    }
}

} // namespace

void ScanFileExtensions(AnalysisRun& run) {
    ScanClassesRootKeys(run);
    const UserScope& user = run.User();
    RegistryAccess reg(run);
    reg.SetRoot(user.root);
    const std::string fileExts = user.Key(kFileExtsKey);
    if (!reg.Open(fileExts)) {
        return;
    }
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string key = fileExts + "\\" + name;
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
            const std::string keyText = RootAbbreviation(user.root) + key;
            AppendIssue(run, 4, 1, "Unused File Extension", name, keyText, user.root, key, "", "",
                        true, {}, {Tested(kTestedKey, keyText, kAnswerEmpty)});
        }
    }
}

} // namespace mendrake

// Shell verbs of missing programs, App Paths of missing programs, empty software keys and
// those of removed programs (category 6).
#include "engine/ansi_text.h"
#include "engine/algorithm_unit.h"
#include "engine/classes_root.h"
#include "engine/dependent_findings.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/removed_programs.h"
#include "engine/scanner_paths.h"
#include "engine/well_known_keys.h"

#include <algorithm>

namespace mendrake {

namespace {

constexpr std::int32_t kCategory = 6;
const std::string kAppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// The finding of a classes key the fix leaves empty once its verbs go.
TItem EmptiedKeyFinding(const ClassesKey& key, const std::string& name) {
    return key.KeyFinding(kCategory, 0, "Open with Issue (left empty by the fix)", name);
}

// Notes `key`, whose complete listings are `values` and `subkeys`, as a key the fix may leave
// empty (see NoteEmptiedKeyListed).
bool NoteEmptiedClassesKey(AnalysisRun& run, const ClassesKey& key, const std::string& name,
                           const std::vector<std::string>& values,
                           const std::vector<std::string>& subkeys,
                           const std::function<bool(const std::string&)>& describesOnly) {
    return NoteEmptiedKeyListed(run, EmptiedKeyFinding(key, name), values, subkeys, describesOnly);
}

// The verbs below "<owner>\Shell" of one classes key: each verb whose command names a missing
// program is one finding; a "Shell" key without verbs that is the key's only subkey is one
// finding for the whole key. When verbs are found dead, the "Shell" key and then the owner
// are noted as keys the fix may leave empty.
void ScanShellKey(AnalysisRun& run, RegistryAccess& reg, const ClassesKey& owner) {
    const std::string name = owner.path.substr(FindLastCharacter(owner.path, "\\") + 1);
    const ClassesKey shell = owner.Below("Shell");
    reg.SetRoot(shell.Root());
    if (!reg.Open(shell.Key())) {
        return;
    }
    const std::vector<std::string> verbs = reg.SubkeyNames();
    const bool verbsComplete = reg.ListingComplete();
    // A "Shell" key is empty only when it counts no subkeys: one whose listing failed may
    // still hold verbs, and reporting it would delete the whole class key.
    if (verbs.empty() && reg.SubkeyCount() == 0) {
        // The key's values don't matter: it exists only to carry the empty "Shell" key. The
        // pass over the classes root has counted the subkeys of its keys already.
        const std::optional<std::uint32_t> known =
            WaitingKeySubkeys(run, RootAbbreviation(owner.Root()) + owner.Key());
        if (known ? *known == 1 : reg.Open(owner.Key()) && reg.SubkeyCount() == 1) {
            AppendIssue(run, kCategory, 0, "Open with Issue", name, owner.KeyText(), owner.Root(),
                        owner.Key(), "", "", true, {},
                        {Tested(kTestedKey, shell.KeyText(), kAnswerNoVerbs)});
        }
        return;
    }
    struct DeadVerb {
        std::string verb, path, command;
    };
    std::vector<DeadVerb> dead;
    // The commands are read below the open "Shell" key, which stays open for what follows.
    RegistryAccess commandKey(run);
    for (const std::string& verb : verbs) {
        if (!commandKey.OpenBelow(reg, verb + "\\Command") ||
            !IsTextKind(commandKey.ValueKindOf(""))) {
            continue;
        }
        std::string command = commandKey.ReadText("");
        std::string path = VerbProgramPath(command);
        // A verb that the shell carries out through a class (DelegateExecute) does without its
        // command line, which is often a placeholder.
        if (CommandProgramMissing(run, command, path) && !commandKey.HasValue("DelegateExecute")) {
            dead.push_back({verb, std::move(path), std::move(command)});
        }
    }
    if (dead.empty()) {
        return;
    }
    // Its values, with the verbs listed above, tell whether the fix may leave it empty. The
    // "Shell" key as the owner names it: should the fix leave it empty, the backup gives it back
    // under its own name. The owner's listing tells (a key's full name does not: Wine gives it
    // in capitals).
    const std::vector<std::string> shellValues = reg.ValueNames();
    const bool shellValuesListed = reg.ListingComplete();
    ClassesKey shellAsNamed = shell;
    reg.SetRoot(owner.Root());
    if (reg.Open(owner.Key())) {
        if (const std::optional<std::string> named = reg.SubkeyNamed("SHELL")) {
            shellAsNamed = owner.Below(*named);
        }
    }
    for (const DeadVerb& verb : dead) {
        const ClassesKey verbKey = shellAsNamed.Below(verb.verb);
        AppendIssue(run, kCategory, 0, "Open with Issue", verb.path,
                    verbKey.KeyText() + "\\Command", verbKey.Root(), verbKey.Key(), "",
                    verb.command, true, {}, {Tested(kTestedProgram, verb.path, kAnswerAbsent)});
    }
    // The default verb's name is the only value a "Shell" key holds of its own.
    if (!verbsComplete || !shellValuesListed ||
        !NoteEmptiedClassesKey(run, shellAsNamed, name, shellValues, verbs,
                               [](const std::string& v) { return v.empty(); })) {
        return;
    }
    // The owner is looked at only once every subkey it has is going, which the pass over the
    // classes root counted for its keys; an application's key is counted here.
    std::optional<std::uint32_t> ownerSubkeys =
        WaitingKeySubkeys(run, RootAbbreviation(owner.Root()) + owner.Key());
    if (!ownerSubkeys) {
        reg.SetRoot(owner.Root());
        if (!reg.Open(owner.Key())) {
            return;
        }
        ownerSubkeys = reg.SubkeyCount();
    }
    NoteEmptiedKeyLater(run, EmptiedKeyFinding(owner, name), *ownerSubkeys,
                        DescriptionRuleOf(owner.path));
}

// Passes 1 and 2: the application registrations, then every key of the classes root, the
// machine's and the user's.
void ScanVerbs(AnalysisRun& run, ClassesRoot& classes, const std::string& parent) {
    RegistryAccess reg(run);
    for (const ClassesKey& owner : classes.Subkeys(parent)) {
        ScanShellKey(run, reg, owner);
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
        // Used as read: a quoted path has no drive part and is passed over. The shell expands
        // the references of either string kind; one to a variable that is not set can't be
        // judged.
        const std::string written = reg.ReadText("");
        const std::optional<std::string> path = ExpandedReferences(written, area.view);
        if (path && FileMissingWithDrive(run, *path, area.view) && area.Holds(reg)) {
            AppendIssue(run, kCategory, 1, "Application Path Issue", *path, area.SubkeyText(name),
                        area.root, key, "", written, true, {},
                        {Tested(kTestedFile, written, kAnswerAbsent, *path)});
        }
    }
}

// Keys directly below one software area that are empty, then those of removed programs; the
// 32-bit area's links to shared keys are left to the 64-bit pass, which reads those keys.
void ScanSoftwareArea(AnalysisRun& run, const ViewArea& area, std::int32_t kind,
                      ProgramTraces& traces) {
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
            ScanRemovedProgramKeys(run, reg, area, name, kind, traces);
        } else if (!IsWindowsSoftwareKey(name) && area.Holds(reg)) {
            AppendIssue(run, kCategory, kind, "Obsolete Software Key", name, area.SubkeyText(name),
                        area.root, key, "", "", true, {},
                        {Tested(kTestedKey, area.SubkeyText(name), kAnswerEmpty)});
        }
    }
}

} // namespace

void ScanApplications(AnalysisRun& run) {
    ClassesRoot classes(run);
    ScanVerbs(run, classes, "Applications");
    ScanVerbs(run, classes, "");
    for (const ViewArea& area : BothViews(kHklm, kAppPathsKey)) {
        ScanAppPathArea(run, area);
    }
    // The user's own App Paths, which Windows searches before the machine's (per-user installers
    // and the command aliases of packaged apps write there): one key for both views.
    ScanAppPathArea(run, UserArea(run.User(), kAppPathsKey));
    ProgramTraces traces(run);
    for (const ViewArea& area : BothViews(kHklm, "\\Software")) {
        ScanSoftwareArea(run, area, 2, traces);
    }
    // HKCU\Software is one key for both views.
    ScanSoftwareArea(run, UserArea(run.User(), "\\Software"), 3, traces);
}

} // namespace mendrake

// Findings that stand only because of other findings of the same analysis.
//
// A reference to a key that the analysis reports for deletion (a program id naming a class
// whose server is gone, a handler naming such a class, an extension naming a program id that
// the fix empties) dangles once the fix has run. So does a key whose every subkey the fix
// deletes (a type library after its last version, a "shell" key after its last verb). Reporting
// those only in the next analysis would make issues "keep coming back"; instead a scanner notes
// each such candidate while it reads, with the keys it depends on, and the candidate becomes a
// finding of its own category as soon as every one of those keys is reported for deletion.
//
// The finding carries the keys in `TItem::DependsOn`; the fix deletes it only when each of them
// was deleted by the same fix (ticked and done), so unticking a class keeps its dependents.
#pragma once

#include "engine/ansi_text.h"
#include "engine/analysis_run.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"

#include <functional>
#include <optional>

#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// What a dependent finding asks of its key once its keys are all reported, before it stands.
enum class WhenReady {
    Stands,
    // The key holds no subkeys: a reference holds a value, not a tree, and deleting a key with
    // subkeys would delete what no check looked at. Asked then rather than of every reference
    // while the scan reads, as few references ever come to depend on a removal.
    KeyWithoutSubkeys,
};

// Notes a finding that stands when every key of `dependsOn` (locations in the form of
// `TItem::KeyText`: "HKCR\CLSID\{...}", "HKCU\Software\Classes\...") is reported for deletion
// in `run`. Its problem text should say why ("... (class being removed)").
void NoteDependentFinding(AnalysisRun& run, TItem finding, std::vector<std::string> dependsOn,
                          WhenReady check = WhenReady::Stands);

// The location of the key a registry finding deletes: its root's abbreviation and Key
// ("HKCR\X\Shell\open"), the form of the locations in DependsOn.
std::string DeletedLocation(const TItem& issue);

// Notes `finding` (which deletes its key, RootKey and Key) as a key the fix leaves empty once
// every subkey it has now is deleted, when each of its values is one that `describesOnly`
// accepts (a name or description that is of no use alone). Opens the key with `reg`. False
// when it holds more, has no subkeys, or cannot be listed whole.
bool NoteEmptiedKey(AnalysisRun& run, RegistryAccess& reg, TItem finding,
                    const std::function<bool(const std::string& valueName)>& describesOnly);

// The same for a key whose complete listings the caller has read already: `values` and
// `subkeys` are every name the key holds.
bool NoteEmptiedKeyListed(AnalysisRun& run, TItem finding, const std::vector<std::string>& values,
                          const std::vector<std::string>& subkeys,
                          const std::function<bool(const std::string& valueName)>& describesOnly);

// The same for a key known to have `subkeys` subkeys, without listing them now: looked at
// (listed, its values judged) only once that many keys directly below it are reported for
// deletion, which few keys ever see. For a walk that opens every key of a large area. A key
// noted so before is claimed by the later note: its finding is the one reported.
void NoteEmptiedKeyLater(AnalysisRun& run, TItem finding, std::uint32_t subkeys,
                         std::function<bool(const std::string& valueName)> describesOnly);

// The subkey count of the key at `location` (DeletedLocation form) as NoteEmptiedKeyLater was
// told it in this run, while the key waits there; nothing otherwise.
std::optional<std::uint32_t> WaitingKeySubkeys(AnalysisRun& run, std::string_view location);

// Values of a classes key that only describe it (the default value, EditFlags,
// FriendlyTypeName and the like): a key holding nothing else is of no use without its subkeys.
bool DescribesOnly(const std::string& valueName);
// The same for an extension's key ("\.txt"): never its default value, which is its association
// (the program id that opens its files), not a description.
bool ExtensionDescribesOnly(const std::string& valueName);
// The rule for the key at `classesPath` below the classes root: ExtensionDescribesOnly for an
// extension, DescribesOnly for any other key.
using DescriptionRule = bool (*)(const std::string& valueName);
DescriptionRule DescriptionRuleOf(std::string_view classesPath);

// Whether every key of `locations` is reported for deletion in `run` by now.
bool AllReportedForDeletion(AnalysisRun& run, const std::vector<std::string>& locations);

// Notes that the key at `location` is reported for deletion in `run`.
void NoteKeyRemoval(AnalysisRun& run, std::string_view location);

// Appends (through AppendIssue) every noted finding whose keys are all reported for deletion
// by now, again and again until none is added, as one dependent finding may empty another
// key. Runs at the end of each category's scan.
void AppendDependentFindings(AnalysisRun& run);

// Whether `location` or a key above it is in `removed` (upper-cased locations).
template <typename Set> bool LocationCovered(const Set& removed, std::string_view location);

// Upper-cased location text as the removal sets hold it.
std::string LocationKey(std::string_view location);

template <typename Set> bool LocationCovered(const Set& removed, std::string_view location) {
    const std::string upper = LocationKey(location);
    std::size_t end = upper.size();
    while (end != 0 && end != std::string::npos) {
        if (removed.find(std::string_view(upper.data(), end)) != removed.end()) {
            return true;
        }
        end = FindLastCharacter(std::string_view(upper).substr(0, end), "\\"); // the key above
    }
    return false;
}

} // namespace mendrake

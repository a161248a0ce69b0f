#include "engine/dependent_findings.h"

#include "engine/ansi_text.h"

#include "engine/common_unit.h"
#include "engine/registry_views.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace mendrake {

std::string LocationKey(std::string_view location) {
    return UpperCase(WithoutTrailingBackslashes(location));
}

std::string DeletedLocation(const TItem& issue) {
    return RootAbbreviation(issue.RootKey) + issue.Key;
}

void NoteDependentFinding(AnalysisRun& run, TItem finding, std::vector<std::string> dependsOn) {
    detail::DependenceBook& book = run.Dependents();
    if (dependsOn.empty()) {
        return;
    }
    book.candidates.push_back({std::move(finding), std::move(dependsOn)});
    book.changed = true;
}

bool NoteEmptiedKey(AnalysisRun& run, RegistryAccess& reg, TItem finding,
                    const std::function<bool(const std::string& valueName)>& describesOnly) {
    reg.SetRoot(finding.RootKey);
    if (!reg.Open(finding.Key)) {
        return false;
    }
    const std::vector<std::string> values = reg.ValueNames();
    if (!reg.ListingComplete() || !std::all_of(values.begin(), values.end(), describesOnly)) {
        return false;
    }
    const std::vector<std::string> subkeys = reg.SubkeyNames();
    if (!reg.ListingComplete() || subkeys.empty()) {
        return false;
    }
    const std::string location = DeletedLocation(finding);
    std::vector<std::string> dependsOn;
    dependsOn.reserve(subkeys.size());
    for (const std::string& name : subkeys) {
        dependsOn.push_back(location + "\\" + name);
    }
    NoteDependentFinding(run, std::move(finding), std::move(dependsOn));
    return true;
}

void NoteKeyRemoval(AnalysisRun& run, std::string_view location) {
    detail::DependenceBook& book = run.Dependents();
    std::string key = LocationKey(location);
    const std::size_t cut = key.rfind('\\');
    const bool added = book.removed.insert(key).second;
    book.changed = true;
    if (!added || cut == std::string::npos) {
        return;
    }
    key.resize(cut);
    auto it = book.later.find(key);
    if (it != book.later.end() && ++book.removedBelow[key] >= it->second.subkeys) {
        // Every subkey it had may be going: look at it now.
        detail::LaterCandidate candidate = std::move(it->second);
        book.later.erase(it);
        RegistryAccess reg(run);
        NoteEmptiedKey(run, reg, std::move(candidate.finding), candidate.describesOnly);
    }
}

void NoteEmptiedKeyLater(AnalysisRun& run, TItem finding, std::uint32_t subkeys,
                         std::function<bool(const std::string& valueName)> describesOnly) {
    detail::DependenceBook& book = run.Dependents();
    if (subkeys == 0) {
        return;
    }
    std::string key = LocationKey(DeletedLocation(finding));
    book.later.emplace(std::move(key), detail::LaterCandidate{std::move(finding), subkeys,
                                                              std::move(describesOnly)});
}

bool DescribesOnly(const std::string& valueName) {
    static const char* const kDescriptive[] = {
        "",       "EDITFLAGS", "FRIENDLYTYPENAME", "ALWAYSSHOWEXT", "NEVERSHOWEXT", "BROWSERFLAGS",
        "INFOTIP"};
    const std::string upper = UpperCase(valueName);
    return std::any_of(std::begin(kDescriptive), std::end(kDescriptive),
                       [&](const char* name) { return upper == name; });
}

void AppendDependentFindings(AnalysisRun& run) {
    detail::DependenceBook& book = run.Dependents();
    while (book.changed) {
        book.changed = false;
        std::vector<detail::DependentCandidate> waiting;
        std::vector<detail::DependentCandidate> ready;
        for (detail::DependentCandidate& candidate : book.candidates) {
            bool all = true;
            for (const std::string& target : candidate.dependsOn) {
                all = all && LocationCovered(book.removed, target);
            }
            (all ? ready : waiting).push_back(std::move(candidate));
        }
        book.candidates = std::move(waiting);
        for (detail::DependentCandidate& candidate : ready) {
            TItem& f = candidate.finding;
            // A key that goes anyway (reported by a check of its own, or below a key that
            // goes) needs no second finding.
            if (f.DeleteKey && LocationCovered(book.removed, DeletedLocation(f))) {
                continue;
            }
            AppendIssue(run, f.Category, f.Kind, std::move(f.Problem), std::move(f.Data),
                        std::move(f.KeyText), f.RootKey, std::move(f.Key), std::move(f.Value),
                        std::move(f.ValueData), f.DeleteKey, std::move(candidate.dependsOn));
        }
    }
}

} // namespace mendrake

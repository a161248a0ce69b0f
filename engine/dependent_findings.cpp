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

void NoteDependentFinding(AnalysisRun& run, TItem finding, std::vector<std::string> dependsOn,
                          WhenReady check) {
    detail::DependenceBook& book = run.Dependents();
    if (dependsOn.empty()) {
        return;
    }
    const std::size_t index = book.candidates.size();
    detail::DependentCandidate& candidate = book.candidates.emplace_back();
    candidate.covered.assign(dependsOn.size(), false);
    candidate.withoutSubkeys = check == WhenReady::KeyWithoutSubkeys;
    for (std::size_t target = 0; target < dependsOn.size(); ++target) {
        // Waits for the key and every key above it; one already reported covers it now.
        const std::string key = LocationKey(dependsOn[target]);
        auto forEachLevel = [&key](auto&& visit) {
            for (std::size_t end = key.size(); end != 0 && end != std::string::npos;
                 end = FindLastCharacter(std::string_view(key).substr(0, end), "\\")) {
                visit(std::string_view(key.data(), end));
            }
        };
        bool covered = false;
        forEachLevel([&](std::string_view level) {
            covered = covered || book.removed.find(level) != book.removed.end();
        });
        if (covered) {
            candidate.covered[target] = true;
            continue;
        }
        ++candidate.uncovered;
        forEachLevel([&](std::string_view level) {
            auto waiters = book.waiting.find(level);
            if (waiters == book.waiting.end()) {
                waiters =
                    book.waiting.emplace(std::string(level), std::vector<detail::Waiter>{}).first;
            }
            waiters->second.push_back({index, target});
        });
    }
    candidate.finding = std::move(finding);
    candidate.dependsOn = std::move(dependsOn);
    if (candidate.uncovered == 0) {
        book.ready.push_back(index);
    }
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
    return reg.ListingComplete() &&
           NoteEmptiedKeyListed(run, std::move(finding), values, subkeys, describesOnly);
}

bool NoteEmptiedKeyListed(AnalysisRun& run, TItem finding, const std::vector<std::string>& values,
                          const std::vector<std::string>& subkeys,
                          const std::function<bool(const std::string& valueName)>& describesOnly) {
    if (subkeys.empty() || !std::all_of(values.begin(), values.end(), describesOnly)) {
        return false;
    }
    const std::string location = DeletedLocation(finding);
    // After the fix it holds none of its subkeys, and its values say nothing on their own.
    finding.Evidence.push_back(Tested(kTestedKey, finding.KeyText,
                                      values.empty() ? kAnswerNoValues : kAnswerDescriptionsOnly));
    std::vector<std::string> dependsOn;
    dependsOn.reserve(subkeys.size());
    for (const std::string& name : subkeys) {
        dependsOn.push_back(location + "\\" + name);
    }
    NoteDependentFinding(run, std::move(finding), std::move(dependsOn));
    return true;
}

bool AllReportedForDeletion(AnalysisRun& run, const std::vector<std::string>& locations) {
    const detail::DependenceBook& book = run.Dependents();
    return std::all_of(locations.begin(), locations.end(), [&](const std::string& location) {
        return LocationCovered(book.removed, location);
    });
}

void NoteKeyRemoval(AnalysisRun& run, std::string_view location) {
    detail::DependenceBook& book = run.Dependents();
    std::string key = LocationKey(location);
    const std::size_t cut = FindLastCharacter(key, "\\");
    const bool added = book.removed.insert(key).second;
    if (!added) {
        return;
    }
    if (auto waiters = book.waiting.find(key); waiters != book.waiting.end()) {
        for (const detail::Waiter& waiter : waiters->second) {
            detail::DependentCandidate& candidate = book.candidates[waiter.candidate];
            if (!candidate.covered[waiter.target]) {
                candidate.covered[waiter.target] = true;
                if (--candidate.uncovered == 0) {
                    book.ready.push_back(waiter.candidate);
                }
            }
        }
        book.waiting.erase(waiters);
    }
    if (cut == std::string::npos) {
        return;
    }
    key.resize(cut);
    // Counted for every key, as a key may be noted for later after keys below it were reported.
    const std::uint32_t below = ++book.removedBelow[key];
    auto it = book.later.find(key);
    if (it != book.later.end() && below >= it->second.subkeys) {
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
    if (const auto below = book.removedBelow.find(key);
        below != book.removedBelow.end() && below->second >= subkeys) {
        // Every subkey it had is going already: look at it now.
        book.later.erase(key);
        RegistryAccess reg(run);
        NoteEmptiedKey(run, reg, std::move(finding), describesOnly);
        return;
    }
    book.later.insert_or_assign(std::move(key), detail::LaterCandidate{std::move(finding), subkeys,
                                                                       std::move(describesOnly)});
}

std::optional<std::uint32_t> WaitingKeySubkeys(AnalysisRun& run, std::string_view location) {
    const detail::DependenceBook& book = run.Dependents();
    const auto waiting = book.later.find(LocationKey(location));
    if (waiting == book.later.end()) {
        return std::nullopt;
    }
    return waiting->second.subkeys;
}

bool DescribesOnly(const std::string& valueName) {
    static const char* const kDescriptive[] = {
        "",       "EDITFLAGS", "FRIENDLYTYPENAME", "ALWAYSSHOWEXT", "NEVERSHOWEXT", "BROWSERFLAGS",
        "INFOTIP"};
    const std::string upper = UpperCase(valueName);
    return std::any_of(std::begin(kDescriptive), std::end(kDescriptive),
                       [&](const char* name) { return upper == name; });
}

bool ExtensionDescribesOnly(const std::string& valueName) {
    return !valueName.empty() && DescribesOnly(valueName);
}

DescriptionRule DescriptionRuleOf(std::string_view classesPath) {
    const std::size_t cut = FindLastCharacter(classesPath, "\\");
    const std::string_view name =
        cut == std::string_view::npos ? classesPath : classesPath.substr(cut + 1);
    return !name.empty() && name.front() == '.' ? ExtensionDescribesOnly : DescribesOnly;
}

namespace {

// Whether the finding's key can be read and holds no subkeys.
bool HasNoSubkeys(AnalysisRun& run, const TItem& finding) {
    RegistryAccess reg(run);
    reg.SetRoot(finding.RootKey);
    reg.SetAccess(platform::kKeyRead);
    return reg.Open(finding.Key) && reg.SubkeyCount() == 0;
}

} // namespace

void AppendDependentFindings(AnalysisRun& run) {
    detail::DependenceBook& book = run.Dependents();
    // Round by round: what one round appends may make other candidates ready for the next,
    // and each round appends in the order the candidates were noted.
    while (!book.ready.empty()) {
        std::vector<std::size_t> round = std::move(book.ready);
        book.ready.clear();
        std::sort(round.begin(), round.end());
        for (const std::size_t index : round) {
            detail::DependentCandidate& candidate = book.candidates[index];
            if (candidate.settled) {
                continue;
            }
            candidate.settled = true;
            // Taken out: the finding is appended once.
            TItem f = std::move(candidate.finding);
            std::vector<std::string> dependsOn = std::move(candidate.dependsOn);
            // A key that goes anyway (reported by a check of its own, or below a key that
            // goes) needs no second finding.
            if (f.DeleteKey && LocationCovered(book.removed, DeletedLocation(f))) {
                continue;
            }
            if (candidate.withoutSubkeys && !HasNoSubkeys(run, f)) {
                continue;
            }
            // What the check saw, then each key it waits on, reported for deletion by now.
            for (const std::string& location : dependsOn) {
                f.Evidence.push_back(Tested(kTestedDependence, location, kAnswerBeingRemoved));
            }
            AppendIssue(run, f.Category, f.Kind, std::move(f.Problem), std::move(f.Data),
                        std::move(f.KeyText), f.RootKey, std::move(f.Key), std::move(f.Value),
                        std::move(f.ValueData), f.DeleteKey, std::move(dependsOn),
                        std::move(f.Evidence));
        }
    }
}

} // namespace mendrake

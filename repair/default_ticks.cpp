#include "repair/default_ticks.h"

#include "engine/ansi_text.h"
#include "engine/dependent_findings.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace mendrake {

namespace {

// Whether the finding waits on others because a key of its own is left empty, rather than
// because it refers to a key being removed.
bool LeftEmpty(const TItem& issue) {
    const TProblemKind* kind = ProblemKindOf(issue);
    return kind != nullptr && !kind->TickedWhenFound;
}

} // namespace

void TickAsFound(std::vector<TItem>& issues, std::size_t from) {
    for (std::size_t i = from; i < issues.size(); ++i) {
        TItem& issue = issues[i];
        const TProblemKind* kind = ProblemKindOf(issue);
        issue.Selected = kind == nullptr || kind->TickedWhenFound ? 1 : 0;
    }
    TickDependents(issues);
}

void TickDependents(std::vector<TItem>& issues) {
    // The tick of each key a finding deletes, by its upper-cased location.
    std::unordered_map<std::string, bool> ticked;
    for (const TItem& issue : issues) {
        if (issue.DeleteKey) {
            ticked[LocationKey(DeletedLocation(issue))] = issue.Selected != 0;
        }
    }
    // The tick of the finding that deletes `location` or the key nearest above it.
    auto tickOf = [&](const std::string& location) {
        const std::string upper = LocationKey(location);
        for (std::size_t end = upper.size(); end != 0 && end != std::string::npos;
             end = FindLastCharacter(std::string_view(upper.data(), end), "\\")) {
            const auto found = ticked.find(upper.substr(0, end));
            if (found != ticked.end()) {
                return found->second;
            }
        }
        return false; // nothing in the list deletes it: the fix would keep the dependent
    };
    for (TItem& issue : issues) {
        if (issue.DependsOn.empty()) {
            continue;
        }
        const bool all = std::all_of(issue.DependsOn.begin(), issue.DependsOn.end(), tickOf);
        issue.Selected = (LeftEmpty(issue) ? issue.Selected != 0 && all : all) ? 1 : 0;
        if (issue.DeleteKey) {
            ticked[LocationKey(DeletedLocation(issue))] = issue.Selected != 0;
        }
    }
}

} // namespace mendrake

#include "engine/all_users_analysis.h"

#include "engine/algorithm_unit.h"
#include "engine/analysis_run.h"
#include "engine/common_unit.h"
#include "engine/dependent_findings.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace mendrake {

namespace {

// What makes two machine-wide findings of different passes one: the same entry, the same
// problem.
std::string FindingIdentity(const TItem& issue) {
    return UpperCase(issue.KeyText) + '\n' + UpperCase(issue.Value) + '\n' + issue.Problem;
}

// Drops each finding that waits on a key (DependsOn) no finding of `issues` deletes any more,
// until every one left stands on keys still reported.
void DropOrphanedDependents(std::vector<TItem>& issues) {
    for (bool dropped = true; dropped;) {
        std::unordered_set<std::string> removals;
        for (const TItem& issue : issues) {
            if (issue.DeleteKey && !IsFileCategory(issue.Category)) {
                removals.insert(UpperCase(DeletedLocation(issue)));
            }
        }
        const auto orphaned = [&](const TItem& issue) {
            return std::any_of(
                issue.DependsOn.begin(), issue.DependsOn.end(),
                [&](const std::string& key) { return removals.count(UpperCase(key)) == 0; });
        };
        const auto end = std::remove_if(issues.begin(), issues.end(), orphaned);
        dropped = end != issues.end();
        issues.erase(end, issues.end());
    }
}

} // namespace

AllUsersFindings AnalyseAllUsers(const std::vector<UserScope>& users,
                                 const std::vector<std::int32_t>& categories,
                                 const std::vector<std::string>& exclusions,
                                 std::vector<TItem>& found, const StopFlag* stop) {
    AllUsersFindings result;
    std::vector<TItem> merged;
    // How many passes made each machine-wide finding; the first pass's copy is the one kept.
    std::unordered_map<std::string, std::size_t> machineSeen;
    std::vector<TItem> machine;
    // With no user's hive readable the machine's areas are still judged, in a pass of the
    // running account whose own per-user findings are left out: that account is no user.
    const bool nobody = users.empty();
    const std::vector<UserScope> passes = nobody ? std::vector<UserScope>{UserScope()} : users;
    for (std::size_t pass = 0; pass < passes.size(); ++pass) {
        std::vector<TItem> issues;
        AnalysisRun run(issues, exclusions);
        run.SetUser(passes[pass]);
        for (const std::int32_t category : categories) {
            if (stop != nullptr) {
                stop->Check();
            }
            try {
                RunScanner(category, run);
            } catch (const StopRequested&) {
                throw;
            } catch (const std::exception& e) {
                result.failures.push_back({category, e.what()});
            }
        }
        // The machine's exclusions are counted once, each user's in their own pass.
        result.excluded += pass == 0 ? run.Excluded() - (nobody ? run.ExcludedPerUser() : 0)
                                     : run.ExcludedPerUser();
        std::unordered_set<std::string> seenHere;
        for (TItem& issue : issues) {
            if (IsPerUserFinding(issue)) {
                if (!nobody) {
                    merged.push_back(std::move(issue));
                }
                continue;
            }
            std::string identity = FindingIdentity(issue);
            if (!seenHere.insert(identity).second) {
                continue;
            }
            if (++machineSeen[identity] == 1 && pass == 0) {
                machine.push_back(std::move(issue));
            }
        }
    }
    for (TItem& issue : machine) {
        if (machineSeen[FindingIdentity(issue)] == passes.size()) {
            merged.push_back(std::move(issue));
        }
    }
    DropOrphanedDependents(merged);
    // The log and the report list findings by category, as one analysis would.
    const auto rank = [&](const TItem& issue) {
        return std::find(categories.begin(), categories.end(), issue.Category) - categories.begin();
    };
    std::stable_sort(merged.begin(), merged.end(),
                     [&](const TItem& a, const TItem& b) { return rank(a) < rank(b); });
    std::move(merged.begin(), merged.end(), std::back_inserter(found));
    return result;
}

} // namespace mendrake

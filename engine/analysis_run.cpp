#include "engine/analysis_run.h"

#include "engine/class_registrations.h"

#include "engine/dependent_findings.h"
#include "engine/well_known_keys.h"
#include "platform/platform.h"

#include <utility>

namespace mendrake {

AnalysisRun::AnalysisRun(std::vector<TItem>& findings, const std::vector<std::string>& exclusions)
    : findings_(findings), exclusions_(exclusions) {}

AnalysisRun::~AnalysisRun() = default;

const ClassRegistrations* AnalysisRun::KeptRegistrations(const std::string& list) const {
    if (!remembers_) {
        return nullptr;
    }
    const auto kept = registrations_.find(list);
    return kept == registrations_.end() ? nullptr : kept->second.get();
}

const ClassRegistrations&
AnalysisRun::KeepRegistrations(const std::string& list, std::unique_ptr<ClassRegistrations> found) {
    std::unique_ptr<ClassRegistrations>& kept = registrations_[list];
    kept = std::move(found);
    return *kept;
}

void AnalysisRun::Append(TItem item) {
    std::string removal = item.DeleteKey ? DeletedLocation(item) : std::string();
    // A container Windows owns is never deleted, however empty a check finds it.
    if (!removal.empty() && IsWellKnownContainer(removal)) {
        return;
    }
    // Nothing excluded goes with a key that holds it.
    if (exclusions_.Covers(item.KeyText, item.Value) ||
        (!removal.empty() && exclusions_.HoldsBelow(item.KeyText))) {
        excluded_.fetch_add(1);
        if (IsPerUserFinding(item)) {
            excludedPerUser_.fetch_add(1);
        }
        return;
    }
    findings_.push_back(std::move(item));
    found_.fetch_add(1);
    if (!removal.empty()) {
        NoteKeyRemoval(*this, removal);
    }
}

bool IsPerUserFinding(const TItem& issue) {
    if (IsFileCategory(issue.Category)) {
        return issue.Kind == 0;
    }
    return issue.RootKey == platform::kCurrentUser || issue.RootKey == platform::kUsers;
}

void AppendIssue(AnalysisRun& run, std::int32_t category, std::int32_t kind, std::string problem,
                 std::string data, std::string keyText, std::uint32_t rootKey, std::string key,
                 std::string value, std::string valueData, bool deleteKey,
                 std::vector<std::string> dependsOn, std::vector<TEvidence> evidence) {
    TItem item;
    item.Selected = 1;
    item.Category = category;
    item.Kind = kind;
    item.Problem = std::move(problem);
    item.Data = std::move(data);
    item.KeyText = std::move(keyText);
    item.RootKey = rootKey;
    item.Key = std::move(key);
    item.Value = std::move(value);
    item.ValueData = std::move(valueData);
    item.DeleteKey = deleteKey;
    item.DependsOn = std::move(dependsOn);
    item.Evidence = std::move(evidence);
    run.Append(std::move(item));
}

TEvidence Tested(const char* tested, std::string text, const char* answer, std::string expanded) {
    if (expanded == text) {
        expanded.clear();
    }
    return TEvidence{tested, std::move(text), std::move(expanded), answer};
}

} // namespace mendrake

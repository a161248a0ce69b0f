// One analysis run: what it remembers of the machine, the exclusion list its findings are
// checked against, whether it is to stop, where its findings go, and the keys it reports for
// deletion with the findings that wait for them (engine/dependent_findings.h). The scanners get it
// from RunScanner and hand it to every helper that asks the machine something (directly, or through
// a RegistryAccess made from it); nothing of a run lives anywhere else, so two runs never see
// each other's answers.
#pragma once

#include "engine/dependence_book.h"
#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "engine/run_cache.h"
#include "engine/stop_request.h"
#include "engine/user_scope.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mendrake {

struct ClassRegistrations;

class AnalysisRun {
  public:
    // A run whose findings go to `findings` (Issues unless told otherwise), leaving out those
    // that an entry of `exclusions` covers.
    explicit AnalysisRun(std::vector<TItem>& findings = Issues,
                         const std::vector<std::string>& exclusions = {});
    explicit AnalysisRun(const std::vector<std::string>& exclusions)
        : AnalysisRun(Issues, exclusions) {}
    ~AnalysisRun();
    AnalysisRun(const AnalysisRun&) = delete;
    AnalysisRun& operator=(const AnalysisRun&) = delete;

    // Whose per-user areas the scanners read: the running account's unless set, before the
    // first scanner runs, to another profile's.
    const UserScope& User() const { return user_; }
    void SetUser(UserScope user) { user_ = std::move(user); }

    // Asked from another thread: the scan ends at its next registry or file-system call.
    void RequestStop() { stop_.Request(); }
    // Throws StopRequested once a stop was asked for.
    void CheckStop() const { stop_.Check(); }
    StopFlag& Stop() { return stop_; }

    // Appends one finding, ticked, unless the run's exclusion list covers its location: then
    // it is only counted. A finding that deletes its key is noted as a removal of the run.
    void Append(TItem item);
    // Findings appended so far; may be read from another thread while the run goes on.
    std::size_t Found() const { return found_.load(); }
    // Findings the exclusion list kept out so far.
    std::size_t Excluded() const { return excluded_.load(); }
    // Those of them in the per-user areas (IsPerUserFinding).
    std::size_t ExcludedPerUser() const { return excludedPerUser_.load(); }

    // What the run has learnt of the machine (engine/common_unit.cpp, RegistryAccess);
    // nullptr for a run that remembers nothing.
    detail::RunMemory* Memory() { return remembers_ ? &memory_ : nullptr; }
    // Every question goes to the machine again: for a check that remembering changes nothing.
    void RememberNothing() { remembers_ = false; }
    detail::DependenceBook& Dependents() { return dependents_; }

    // The registrations of a list below the classes root ("CLSID", "TypeLib") that the run
    // read first: several checks judge by the same lists, and they do not change while the
    // run reads. nullptr before the first reading, and always in a run that remembers nothing.
    const ClassRegistrations* KeptRegistrations(const std::string& list) const;
    // Keeps `found` as the registrations of `list` (replacing what was kept) and gives it back.
    const ClassRegistrations& KeepRegistrations(const std::string& list,
                                                std::unique_ptr<ClassRegistrations> found);

  private:
    std::vector<TItem>& findings_;
    UserScope user_;
    ExclusionMatcher exclusions_;
    StopFlag stop_;
    std::atomic<std::size_t> found_{0};
    std::atomic<std::size_t> excluded_{0};
    std::atomic<std::size_t> excludedPerUser_{0};
    bool remembers_ = true;
    detail::RunMemory memory_;
    detail::DependenceBook dependents_;
    std::unordered_map<std::string, std::unique_ptr<ClassRegistrations>> registrations_;
};

// Whether a finding lies in a per-user area: a user's hive (HKCU, HKU) or a user's own Start
// Menu or Desktop folder (kind 0; the folders common to all users are kind 1).
bool IsPerUserFinding(const TItem& issue);

// Appends one finding of `run` (AnalysisRun::Append).
void AppendIssue(AnalysisRun& run, std::int32_t category, std::int32_t kind, std::string problem,
                 std::string data, std::string keyText, std::uint32_t rootKey, std::string key,
                 std::string value, std::string valueData, bool deleteKey,
                 std::vector<std::string> dependsOn = {}, std::vector<TEvidence> evidence = {});
// One piece of evidence: `tested` ("file") `text` as written, its `expanded` form where it had
// environment references (empty otherwise), and the `answer`.
TEvidence Tested(const char* tested, std::string text, const char* answer,
                 std::string expanded = {});

} // namespace mendrake

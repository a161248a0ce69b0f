// One piece of work (a category's scan, a fix) on a thread of its own, so that the window keeps
// answering while it runs.
//
// The hand-over: whatever the job appends with AppendIssue goes into a list the job owns, not
// into Issues; the window takes that list with Take() once the job has ended (onEnd tells it,
// from the job's thread). Until then the two threads share nothing but the stop flag and the
// running count of findings, both atomic.
#pragma once

#include "engine/issue_model.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace mendrake {

struct JobOutcome {
    std::vector<TItem> issues; // what the job appended, in the order found
    bool stopped = false;      // it ended early on a stop request
    bool failed = false;       // it ended on an error, whose text is `error`
    std::string error;
};

class BackgroundJob {
  public:
    // Starts `job` at once. `onEnd` runs on the job's thread after the job has ended, however
    // it ended (the window posts itself a message from there).
    BackgroundJob(std::function<void()> job, std::function<void()> onEnd);
    // Asks the job to stop and waits for its end.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // The job stops at its next registry open, existence test or listing step.
    void RequestStop() { stop_.store(true); }
    bool Ended() const { return ended_.load(); }
    // Issues found so far, for a live count while the job runs.
    std::size_t FoundSoFar() const { return sink_.count.load(); }
    // Waits for the end and hands over the findings and how the job ended. Once only.
    JobOutcome Take();

  private:
    void Run(const std::function<void()>& job, const std::function<void()>& onEnd);

    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    IssueSink sink_;
    JobOutcome outcome_;
    std::thread thread_; // last: it starts when every other member is ready
};

} // namespace mendrake

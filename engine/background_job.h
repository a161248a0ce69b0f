// One piece of work (a category's scan, a fix) on a thread of its own, so that the window keeps
// answering while it runs.
//
// The hand-over: the job writes only into what its owner gave it (a scan into the findings of
// its AnalysisRun); the owner reads that once the job has ended (onEnd tells it, from the job's
// thread). Until then the two threads share nothing but the stop flag and whatever running
// counts the owner chose to make atomic.
#pragma once

#include "engine/stop_request.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace mendrake {

struct JobOutcome {
    bool stopped = false; // it ended early on a stop request
    bool failed = false;  // it ended on an error, whose text is `error`
    std::string error;
};

class BackgroundJob {
  public:
    // Starts `job` at once; it gets the flag a stop is asked on, to check where it spends its
    // time. `onEnd` runs on the job's thread after the job has ended, however it ended (the
    // window posts itself a message from there). `stop`, when given, is the flag to use (an
    // analysis run's own, which its scanners check); it must outlive the job.
    BackgroundJob(std::function<void(const StopFlag&)> job, std::function<void()> onEnd,
                  StopFlag* stop = nullptr);
    // Asks a job that is still running to stop, and waits for its end.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // The job stops where it next checks its flag.
    void RequestStop() { stop_.Request(); }
    bool Ended() const { return ended_.load(); }
    // Waits for the end and tells how the job ended. Once only.
    JobOutcome Take();

  private:
    void Run(const std::function<void(const StopFlag&)>& job, const std::function<void()>& onEnd);

    StopFlag ownStop_;
    StopFlag& stop_;
    std::atomic<bool> ended_{false};
    JobOutcome outcome_;
    std::thread thread_; // last: it starts when every other member is ready
};

} // namespace mendrake

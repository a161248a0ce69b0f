#include "engine/background_job.h"

#include <exception>
#include <utility>

namespace mendrake {

BackgroundJob::BackgroundJob(std::function<void(const StopFlag&)> job, std::function<void()> onEnd,
                             StopFlag* stop)
    : stop_(stop != nullptr ? *stop : ownStop_),
      thread_([this, job = std::move(job), onEnd = std::move(onEnd)] { Run(job, onEnd); }) {}

BackgroundJob::~BackgroundJob() {
    // A job that has ended leaves the flag alone: it may be a run's, and the run goes on.
    if (thread_.joinable()) {
        if (!Ended()) {
            RequestStop();
        }
        thread_.join();
    }
}

void BackgroundJob::Run(const std::function<void(const StopFlag&)>& job,
                        const std::function<void()>& onEnd) {
    try {
        job(stop_);
    } catch (const StopRequested&) {
        outcome_.stopped = true;
    } catch (const std::exception& error) {
        outcome_.failed = true;
        outcome_.error = error.what();
    }
    ended_.store(true);
    if (onEnd) {
        onEnd();
    }
}

JobOutcome BackgroundJob::Take() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return std::move(outcome_);
}

} // namespace mendrake

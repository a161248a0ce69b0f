#include "engine/background_job.h"

#include "engine/stop_request.h"

#include <exception>
#include <utility>

namespace mendrake {

BackgroundJob::BackgroundJob(std::function<void()> job, std::function<void()> onEnd)
    : thread_([this, job = std::move(job), onEnd = std::move(onEnd)] { Run(job, onEnd); }) {}

BackgroundJob::~BackgroundJob() {
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BackgroundJob::Run(const std::function<void()>& job, const std::function<void()>& onEnd) {
    {
        StopRequestScope stop(stop_);
        IssueSinkScope sink(sink_);
        try {
            job();
        } catch (const StopRequested&) {
            outcome_.stopped = true;
        } catch (const std::exception& error) {
            outcome_.failed = true;
            outcome_.error = error.what();
        }
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
    outcome_.issues = std::move(sink_.items);
    return std::move(outcome_);
}

} // namespace mendrake

#include "engine/stop_request.h"

namespace mendrake {

namespace {
thread_local const std::atomic<bool>* stopFlag = nullptr;
} // namespace

void CheckStopRequest() {
    if (stopFlag != nullptr && stopFlag->load(std::memory_order_relaxed)) {
        throw StopRequested();
    }
}

StopRequestScope::StopRequestScope(const std::atomic<bool>& flag) : previous_(stopFlag) {
    stopFlag = &flag;
}

StopRequestScope::~StopRequestScope() {
    stopFlag = previous_;
}

} // namespace mendrake

// A request to end a piece of work early, checked where the work spends its time. For a scan:
// every registry open, every existence test, every folder listing and enumeration step. The
// scanners themselves need no checks of their own: the next call throws StopRequested, and the
// objects they made are released as the exception passes.
#pragma once

#include <atomic>
#include <exception>

namespace mendrake {

// Thrown by StopFlag::Check once a stop was asked for; the worker that runs the work catches
// it. It is not an error: nothing is shown for it.
class StopRequested : public std::exception {
  public:
    const char* what() const noexcept override { return "Stopped"; }
};

// Set by one thread (the window's), read by the thread doing the work.
class StopFlag {
  public:
    void Request() { requested_.store(true); }
    bool Requested() const { return requested_.load(std::memory_order_relaxed); }
    // Throws StopRequested once a stop was asked for.
    void Check() const {
        if (Requested()) {
            throw StopRequested();
        }
    }

  private:
    std::atomic<bool> requested_{false};
};

} // namespace mendrake

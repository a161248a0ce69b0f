// A request to end the work of a thread early, checked where the scanners spend their time:
// every registry open, every existence test, every folder listing and enumeration step. The
// scanners themselves need no checks of their own: the next call throws StopRequested, and the
// objects they made are released as the exception passes.
#pragma once

#include <atomic>
#include <exception>

namespace mendrake {

// Thrown by CheckStopRequest once a stop was asked for; the worker that installed the flag
// catches it. It is not an error: nothing is shown for it.
class StopRequested : public std::exception {
  public:
    const char* what() const noexcept override { return "Stopped"; }
};

// Throws StopRequested when the flag installed on this thread is set; does nothing on a thread
// without one (the console program, the tests that scan in place).
void CheckStopRequest();

// Installs `flag` as this thread's stop request for the life of the object.
class StopRequestScope {
  public:
    explicit StopRequestScope(const std::atomic<bool>& flag);
    ~StopRequestScope();
    StopRequestScope(const StopRequestScope&) = delete;
    StopRequestScope& operator=(const StopRequestScope&) = delete;

  private:
    const std::atomic<bool>* previous_;
};

} // namespace mendrake

// Measures how long a window takes to answer while its program works: used by the window tests
// and by the benchmark. Windows only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace mendrake::test {

// Sends the window a message every few milliseconds from another thread, as Windows does to
// decide whether a window is "Not responding", and keeps the longest wait for an answer.
class ResponsivenessProbe {
  public:
    explicit ResponsivenessProbe(HWND window)
        : thread_([this, window] {
              using Clock = std::chrono::steady_clock;
              while (!done_) {
                  const auto sent = Clock::now();
                  DWORD_PTR answer = 0;
                  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer)) {
                      if (!IsWindow(window)) {
                          return;
                      }
                      timedOut_ = true;
                  }
                  const auto waited =
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent)
                          .count();
                  worst_ = std::max<long long>(worst_, waited);
                  Sleep(20);
              }
          }) {}
    ~ResponsivenessProbe() { Stop(); }
    ResponsivenessProbe(const ResponsivenessProbe&) = delete;
    ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;
    void Stop() {
        done_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    long long WorstMs() const { return worst_; }
    bool TimedOut() const { return timedOut_; }

  private:
    std::atomic<bool> done_{false}, timedOut_{false};
    std::atomic<long long> worst_{0};
    std::thread thread_;
};

} // namespace mendrake::test

// The one way the program starts a thread. A second thread is only ever a
// gain, never a need: when none can be had (a process or memory limit),
// Start says so and the caller does the work on its own thread.
#pragma once

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace vantira {

// One piece of work beside the caller's, joined at the latest when this goes
// out of scope. What the work throws is kept and thrown again by Join; the
// work and the caller share nothing but what the caller hands it, and the
// caller must not touch that until Join returns or the work says it is done.
class SecondThread {
 public:
  SecondThread() = default;
  SecondThread(const SecondThread&) = delete;
  SecondThread& operator=(const SecondThread&) = delete;
  // A failure the work met is dropped here: the caller is unwinding already.
  ~SecondThread() {
    if (thread_.joinable()) thread_.join();
  }

  // Runs `work` on a new thread; false, with nothing started, when no thread
  // is to be had.
  template <class Work>
  bool Start(Work work) {
    try {
      thread_ = std::thread([this, work = std::move(work)]() mutable {
        try {
          work();
        } catch (...) {
          failure_ = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  bool Started() const { return thread_.joinable(); }

  // Waits for the work, if started, and throws what it threw.
  void Join() {
    if (!thread_.joinable()) return;
    thread_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  std::thread thread_;
  std::exception_ptr failure_;  // written by the work, read after the join
};

}  // namespace vantira

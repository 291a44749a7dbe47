#pragma once
// A Win32-style auto-reset event: set() releases exactly one wait (or the next one to come);
// the event then resets itself.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace oscompat {

class AutoResetEvent {
 public:
  // Any thread.
  void set() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signalled_ = true;
    }
    cv_.notify_one();
  }
  // Blocks until set; consumes the signal.
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
  }
  // False on time-out.
  bool waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

}  // namespace oscompat

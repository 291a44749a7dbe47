#pragma once
// A replaceable action that tests put in place of a real one (starting a program, playing a
// sound). Any thread; the hook runs under the lock, so it must not set hooks itself.
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace oscompat {

class TestHook {
 public:
  using Action = std::function<void(const std::string&)>;
  void set(Action action) {
    std::lock_guard<std::mutex> lock(mutex_);
    action_ = std::move(action);
  }
  // Runs the hook with `value` when one is set; true when it did.
  bool run(const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!action_) return false;
    action_(value);
    return true;
  }

 private:
  std::mutex mutex_;
  Action action_;
};

}  // namespace oscompat

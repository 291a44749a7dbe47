#pragma once
// The shell's clock. The real one follows std::chrono::steady_clock; tests install a virtual
// clock and step it, so a 600000 ms timer is tested in microseconds and nothing sleeps.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace guishell {

class ShellClock {
 public:
  virtual ~ShellClock() = default;
  // Milliseconds since an arbitrary origin. Any thread.
  virtual uint64_t nowMs() const = 0;
  virtual bool isVirtual() const { return false; }
};

class SteadyClock final : public ShellClock {
 public:
  uint64_t nowMs() const override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
};

class VirtualClock final : public ShellClock {
 public:
  uint64_t nowMs() const override { return now_.load(); }
  bool isVirtual() const override { return true; }
  void set(uint64_t ms) { now_ = ms; }
  void advance(uint64_t ms) { now_ += ms; }

 private:
  std::atomic<uint64_t> now_{0};
};

}  // namespace guishell

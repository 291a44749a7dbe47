#pragma once
// Periodic ticks on the GUI thread. Timers are members of their owners; owners subscribe
// CEGUITimer::EventTimer through the ordinary event-set subscription.
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <cstdint>
#include <vector>

namespace guishell {
class TimerScheduler;
}

class CEGUITimer : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventTimer;  // "Timer"

  CEGUITimer();
  virtual ~CEGUITimer();
  CEGUITimer(const CEGUITimer&) = delete;
  CEGUITimer& operator=(const CEGUITimer&) = delete;

  // GUI thread. Starts or restarts periodic ticks every `periodMs` (0 is treated as 1).
  // Returns 1.
  int SetTimer(unsigned periodMs);
  // GUI thread. Stops the ticks; true when the timer was running.
  bool KillTimer();

  bool isRunning() const { return running_; }
  unsigned period() const { return period_; }
  uint64_t dueMs() const { return due_; }

 private:
  friend class guishell::TimerScheduler;
  unsigned period_ = 0;
  uint64_t due_ = 0;
  bool running_ = false;
};

namespace guishell {
class ShellClock;

// The set of running timers. GUI thread only.
class TimerScheduler {
 public:
  static TimerScheduler& instance();
  void setClock(const ShellClock* clock) { clock_ = clock; }
  uint64_t now() const;

  void start(CEGUITimer& timer);
  void stop(CEGUITimer& timer);
  // The earliest due time of a running timer, or UINT64_MAX.
  uint64_t nextDue() const;
  // Fires every timer due at or before `now`, earliest first, one tick per timer per call;
  // a handler may start, stop or delete any timer. Exceptions from handlers go to `onError`.
  void fireDue(uint64_t now, void (*onError)(const char* what));
  size_t runningCount() const;

 private:
  const ShellClock* clock_ = nullptr;
  std::vector<CEGUITimer*> running_;
};
}  // namespace guishell

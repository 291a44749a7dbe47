#include "guishell/CEGUITimer.h"

#include <CEGUI/EventArgs.h>

#include <algorithm>
#include <exception>
#include <limits>

#include "guishell/ShellClock.h"

const CEGUI::String CEGUITimer::EventTimer("Timer");

CEGUITimer::CEGUITimer() = default;

CEGUITimer::~CEGUITimer() { guishell::TimerScheduler::instance().stop(*this); }

int CEGUITimer::SetTimer(unsigned periodMs) {
  period_ = periodMs == 0 ? 1 : periodMs;
  auto& scheduler = guishell::TimerScheduler::instance();
  due_ = scheduler.now() + period_;
  scheduler.start(*this);
  return 1;
}

bool CEGUITimer::KillTimer() {
  const bool was = running_;
  guishell::TimerScheduler::instance().stop(*this);
  return was;
}

namespace guishell {

TimerScheduler& TimerScheduler::instance() {
  static TimerScheduler scheduler;
  return scheduler;
}

uint64_t TimerScheduler::now() const {
  static SteadyClock fallback;
  return clock_ ? clock_->nowMs() : fallback.nowMs();
}

void TimerScheduler::start(CEGUITimer& timer) {
  timer.running_ = true;
  if (std::find(running_.begin(), running_.end(), &timer) == running_.end())
    running_.push_back(&timer);
}

void TimerScheduler::stop(CEGUITimer& timer) {
  timer.running_ = false;
  running_.erase(std::remove(running_.begin(), running_.end(), &timer), running_.end());
}

uint64_t TimerScheduler::nextDue() const {
  uint64_t next = std::numeric_limits<uint64_t>::max();
  for (const CEGUITimer* t : running_) next = std::min(next, t->due_);
  return next;
}

size_t TimerScheduler::runningCount() const { return running_.size(); }

void TimerScheduler::fireDue(uint64_t now, void (*onError)(const char*)) {
  // Collect the due timers first: handlers may change the running set while we fire.
  std::vector<CEGUITimer*> due;
  for (CEGUITimer* t : running_)
    if (t->due_ <= now) due.push_back(t);
  std::stable_sort(due.begin(), due.end(),
                   [](const CEGUITimer* a, const CEGUITimer* b) { return a->due_ < b->due_; });
  for (CEGUITimer* t : due) {
    // Skip timers stopped or deleted by an earlier handler of this round.
    if (std::find(running_.begin(), running_.end(), t) == running_.end()) continue;
    if (t->due_ > now) continue;  // restarted by an earlier handler
    // Next tick one period after this one; a loop that fell far behind does not replay
    // every missed tick.
    t->due_ += t->period_;
    if (t->due_ <= now) t->due_ = now + t->period_;
    try {
      CEGUI::EventArgs args;
      t->fireEvent(CEGUITimer::EventTimer, args, "");
    } catch (const std::exception& e) {
      if (onError) onError(e.what());
    } catch (...) {
      if (onError) onError("unknown exception");
    }
  }
}

}  // namespace guishell

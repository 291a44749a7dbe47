#pragma once
// The melody window's time poller: a thread of its own that reads the song time every 50 ms
// and, when it changed, asks the GUI thread for a redraw. It never touches a window: the
// request is an event posted to the global event set, carrying the run it came from, and the
// window that owns the run takes the latest time from it on the GUI thread. At most one request
// of a run is in flight; the times read meanwhile only update the latest time.
#include <CEGUI/EventArgs.h>
#include <CEGUI/String.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "oscompat/AutoResetEvent.h"

namespace CEGUI {

class MelodyPoller {
 public:
  // Posted to the global event set as "MelodyWnd/MelodyRedraw".
  static const String EventNamespace;  // "MelodyWnd"
  static const String EventRedraw;     // "MelodyRedraw"
  static constexpr std::chrono::milliseconds kInterval{50};

  // Called on the poller thread: must not block and must be safe to call from any thread
  // (the engine's VokaGetMidiTime is).
  using TimeSource = std::function<int()>;

  // What one run of the poller shares with the GUI thread. A request holds it, so it outlives
  // both the poller and the window while a request is in flight.
  struct Run {
    TimeSource source;
    std::atomic<int32_t> latest{0};
    std::atomic<bool> requestInFlight{false};
    std::atomic<bool> stopping{false};
    oscompat::AutoResetEvent wake;
    int32_t lastRead = 0;  // poller thread only
  };

  class RedrawEventArgs : public EventArgs {
   public:
    explicit RedrawEventArgs(std::shared_ptr<Run> r) : run(std::move(r)) {}
    std::shared_ptr<Run> run;
  };

  MelodyPoller() = default;
  ~MelodyPoller();
  MelodyPoller(const MelodyPoller&) = delete;
  MelodyPoller& operator=(const MelodyPoller&) = delete;

  // GUI thread. Stops a running poller, then starts a run reading `source`, which first
  // compares with `lastTime`. Without `threaded` nobody polls: the caller drives pollOnce (tests).
  void start(TimeSource source, int32_t lastTime, bool threaded = true);
  // GUI thread. Wakes and joins the thread; requests of the run still in flight are dropped
  // when they arrive. Nothing happens without a run.
  void stop();
  bool isRunning() const { return run_ != nullptr; }

  // The poll of a run started without a thread: reads the time and posts a request when it
  // changed and none is in flight. True when a request was posted.
  bool pollOnce();

  // GUI thread, in the redraw handler: the latest time when `args` is a request of this
  // poller's current run (its in-flight mark is cleared first, so a time read meanwhile makes
  // a new request); none for anything else (another window's run, a stopped run).
  std::optional<int32_t> take(const EventArgs& args);

 private:
  static bool poll(const std::shared_ptr<Run>& run);
  static void threadMain(std::shared_ptr<Run> run);

  std::shared_ptr<Run> run_;
  std::thread thread_;
};

}  // namespace CEGUI

#include "widgets/MelodyPoller.h"

#include <CEGUI/GlobalEventSet.h>

#include "guishell/Win32AppHelper.h"

namespace CEGUI {

const String MelodyPoller::EventNamespace("MelodyWnd");
const String MelodyPoller::EventRedraw("MelodyRedraw");

MelodyPoller::~MelodyPoller() { stop(); }

void MelodyPoller::start(TimeSource source, int32_t lastTime, bool threaded) {
  stop();
  run_ = std::make_shared<Run>();
  run_->source = std::move(source);
  run_->lastRead = lastTime;
  run_->latest = lastTime;
  if (threaded) thread_ = std::thread(threadMain, run_);
}

void MelodyPoller::stop() {
  if (!run_) return;
  run_->stopping = true;
  run_->wake.set();
  if (thread_.joinable()) thread_.join();
  run_.reset();
}

bool MelodyPoller::pollOnce() {
  if (!run_ || thread_.joinable()) return false;
  return poll(run_);
}

// Poller thread (or the caller of pollOnce).
bool MelodyPoller::poll(const std::shared_ptr<Run>& run) {
  if (!run->source) return false;
  const int32_t now = run->source();
  if (now == run->lastRead) return false;
  run->lastRead = now;
  run->latest = now;
  // The GUI thread clears the mark before it reads the latest time, so a time stored here
  // while a request is in flight is either read by that request or makes the next one.
  if (run->requestInFlight.exchange(true)) return false;
  if (!Win32AppHelper::postEvent(GlobalEventSet::getSingletonPtr(), EventRedraw, new RedrawEventArgs(run),
                                 EventNamespace)) {
    run->requestInFlight = false;
    return false;
  }
  return true;
}

void MelodyPoller::threadMain(std::shared_ptr<Run> run) {
  while (!run->stopping) {
    if (run->wake.waitFor(kInterval)) continue;  // woken: stopping, checked above
    poll(run);
  }
}

std::optional<int32_t> MelodyPoller::take(const EventArgs& args) {
  const auto* request = dynamic_cast<const RedrawEventArgs*>(&args);
  if (!request || !run_ || request->run != run_) return std::nullopt;
  run_->requestInFlight = false;
  return run_->latest.load();
}

}  // namespace CEGUI

#include "audio/CAudioModeWorker.h"

#include <CEGUI/GlobalEventSet.h>

#include "app/EventNames.h"
#include "guishell/Win32AppHelper.h"
#include "vokaran/Vokaran.h"

CAudioModeWorkers::CAudioModeWorkers() : apply_(&CAudioModeWorkers::applyToEngine) {}

CAudioModeWorkers::~CAudioModeWorkers() { joinAll(); }

EffectDataArgs CAudioModeWorkers::applyToEngine(int roomMode, int depth, int echo) {
  MicSetRoomMode(roomMode);
  // A fixed room answers with its own echo; -1 keeps the user room's values.
  const int appliedDepth = MicSetEchoDeep(depth);
  const int appliedEcho = MicSetEchoLevel(echo);
  return EffectDataArgs(roomMode, appliedDepth, appliedEcho);
}

void CAudioModeWorkers::setApply(Apply apply) { apply_ = apply ? std::move(apply) : Apply(&CAudioModeWorkers::applyToEngine); }

void CAudioModeWorkers::start(int roomMode, int depth, int echo) {
  joinFinished();
  auto done = std::make_shared<std::atomic<bool>>(false);
  workers_.push_back({std::thread([apply = apply_, done, roomMode, depth, echo] {
                        const EffectDataArgs applied = apply(roomMode, depth, echo);
                        Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::UpdateDepthEcho,
                                                  new EffectDataArgs(applied), "");
                        done->store(true);
                      }),
                      done});
}

void CAudioModeWorkers::joinFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void CAudioModeWorkers::joinAll() {
  for (Worker& w : workers_)
    if (w.thread.joinable()) w.thread.join();
  workers_.clear();
}

CAudioModeWorkers& modeWorkers() {
  static CAudioModeWorkers workers;
  return workers;
}

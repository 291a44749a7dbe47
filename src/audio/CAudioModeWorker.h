#pragma once
// The mode workers: each change of reverberation mode is applied to the engine on a
// short-lived thread of its own (room, echo depth, echo level), which then posts
// "UpdateDepthEcho" (EffectDataArgs: the room and the depth and level the engine applied) to
// the global event set. Two quick changes may run two workers; the last answer to arrive wins.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/EffectEventArgs.h"

class CAudioModeWorkers {
 public:
  // Worker thread: applies a mode and returns what is in effect.
  using Apply = std::function<EffectDataArgs(int roomMode, int depth, int echo)>;

  CAudioModeWorkers();
  ~CAudioModeWorkers();

  // GUI thread. Starts a worker with a copy of the mode's values.
  void start(int roomMode, int depth, int echo);
  // GUI thread: waits for every worker started so far.
  void joinAll();
  // What the workers call (the engine's MicSetRoomMode, MicSetEchoDeep, MicSetEchoLevel unless
  // replaced); GUI thread, with no worker running.
  void setApply(Apply apply);
  static EffectDataArgs applyToEngine(int roomMode, int depth, int echo);

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void joinFinished();

  Apply apply_;
  std::vector<Worker> workers_;
};

// The program's workers.
CAudioModeWorkers& modeWorkers();

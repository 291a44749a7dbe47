#pragma once
// The microphone delay of the devices in use: how far the microphone lags the output the
// singer hears. It is measured by the engine (a test signal out, the microphone back) on a
// worker thread, stored per output and input pair in the device settings, and given to the
// engine's contest scoring; each work keeps the delay it was sung with for its mixes. A
// measurement that finds nothing usable (headphones, clipping, noise) keeps the previous value.
// GUI thread unless said otherwise.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <atomic>
#include <functional>
#include <thread>

class CAudioDevConfigSet;
class CAudioDevUseSet;

class CMicDelay {
 public:
  // The sets are not owned and must outlive this object. Subscribes to "MicDelayMeasured".
  CMicDelay(CAudioDevConfigSet& configs, CAudioDevUseSet& devices);
  ~CMicDelay();  // waits for a measurement still running (at most about two seconds)
  CMicDelay(const CMicDelay&) = delete;
  CMicDelay& operator=(const CMicDelay&) = delete;

  // The delay stored for the device pair in use goes to the engine (0 when never measured);
  // returns it.
  int applyStored();
  // The stored delay of the pair in use; -1 when never measured.
  int stored() const;

  // Starts a measurement; false while one runs. The result arrives as the global event
  // "MicDelayMeasured" (MicDelayEventArgs); this object stores and applies it first, so other
  // listeners read the new value from stored().
  bool startMeasuring();
  bool measuring() const { return running_.load(); }
  // Waits until a measurement started has posted its result (which the GUI thread's loop
  // then delivers). Tests and shut-down.
  void waitForResult();

  // Worker thread: what measures (the engine's VokaMeasureMicDelay unless replaced). Tests.
  void setMeasure(std::function<int()> measure) { measure_ = std::move(measure); }

  // The singer's words for a result: the delay, or why nothing was measured (with the value
  // kept).
  static CEGUI::String describe(int result, int kept);

 private:
  bool onMeasured(const CEGUI::EventArgs& args);
  CEGUI::String outputName() const;
  CEGUI::String inputName() const;

  CAudioDevConfigSet& configs_;
  CAudioDevUseSet& devices_;
  std::function<int()> measure_;
  std::thread worker_;
  std::atomic<bool> running_{false};
  CEGUI::Event::Connection measured_;
};

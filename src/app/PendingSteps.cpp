#include "app/PendingSteps.h"

#include "app/AppLog.h"

const std::vector<PendingStepInfo>& pendingSteps() {
  static const std::vector<PendingStepInfo> steps = {
      {PendingStep::DeviceCheck, "the audio device check", "audio devices"},
      {PendingStep::DeviceSetup, "the audio device set-up (device lists, engine and system audio component)",
       "audio devices"},
      {PendingStep::SystemAudioRestore, "the system audio component", "audio devices"},
      {PendingStep::AudioSetupPage, "the audio setup page", "audio devices"},
      {PendingStep::EngineDeviceError, "the karaoke engine's device error flag", "audio devices"},
      {PendingStep::DeviceManager, "the audio device manager (applying the devices)", "audio devices"},
  };
  return steps;
}

void logPendingStep(PendingStep step, const std::string& where, const std::string& detail) {
  for (const PendingStepInfo& info : pendingSteps())
    if (info.step == step) {
      appLogNotBuilt(where, std::string(info.what) + detail);
      return;
    }
}

#pragma once
// The steps of start-up, clean-up and the application's handlers whose subsystem is not built
// yet: one list, so that what the program still skips is seen in one place (and in the log,
// one line each time a step is skipped). A step leaves the list when its subsystem lands.
#include <string>
#include <vector>

enum class PendingStep {
  DeviceCheck,        // start-up: the device-check timer and the device selection dialog
  DeviceSetup,        // start-up: device lists, engine devices, the system audio component
  SystemAudioRestore, // clean-up: the system audio component's saved settings
  AudioSetupPage,     // the play control bar's audio button
  EngineDeviceError,  // the shell's "audio device changed" event
  DeviceManager,      // the launcher's device choice applied to the devices
};

struct PendingStepInfo {
  PendingStep step;
  const char* what;       // as the log names it
  const char* subsystem;  // what builds it: "payment" or "audio devices"
};

const std::vector<PendingStepInfo>& pendingSteps();
// One log line: `where`: WHAT is not built yet; step skipped.
void logPendingStep(PendingStep step, const std::string& where, const std::string& detail = "");

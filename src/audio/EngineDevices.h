#pragma once
// The device manager's engine: the karaoke engine's device exports. GUI thread.
#include "audio/AudioDeviceManager.h"

class CEngineDevices : public IDeviceEngine {
 public:
  std::vector<std::wstring> deviceNames(bool input) override;
  int VokaSetAudioID(int index) override;
  int VokaSetAudioInID(int index) override;
  int VokaSetDeviceError(int lost) override;
  int MicSetRoomMode(int mode) override;
};

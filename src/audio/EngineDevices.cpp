#include "audio/EngineDevices.h"

#include "vokaran/Vokaran.h"

std::vector<std::wstring> CEngineDevices::deviceNames(bool input) {
  std::vector<std::wstring> names;
  const int capture = input ? 1 : 0;
  const int count = VokaGetAudioDeviceCount(capture);
  for (int i = 0; i < count; ++i) {
    wchar_t name[256];
    if (VokaGetAudioDeviceName(capture, i, name, 256) < 0) name[0] = L'\0';
    names.emplace_back(name);
  }
  return names;
}

int CEngineDevices::VokaSetAudioID(int index) { return ::VokaSetAudioID(index); }
int CEngineDevices::VokaSetAudioInID(int index) { return ::VokaSetAudioInID(index); }
// Without an opened engine there is no device to mark; the manager keeps its own state.
int CEngineDevices::VokaSetDeviceError(int lost) { return ::VokaSetDeviceError(lost); }
int CEngineDevices::MicSetRoomMode(int mode) { return ::MicSetRoomMode(mode); }

#pragma once
// The audio settings' calls into the karaoke engine. GUI thread, like every engine call.
#include "AppSet/AudioEngine.h"

class CEngineAudio : public IAudioEngine {
 public:
  void VokaSetVolume(int accompaniment) override;
  void MidiSetMelodyVolume(int melody) override;
  void VokaSetTempo(int tempo) override;
  void VokaSetKey(int key) override;
  // The engine has no microphone level or echo yet: these values are kept by the settings
  // and reach the engine once it has the calls.
  void MicSetVolume(int) override {}
  void MicSetEchoDeep(int) override {}
  void MicSetEchoLevel(int) override {}
};

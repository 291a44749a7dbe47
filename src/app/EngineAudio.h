#pragma once
// The audio settings' calls into the karaoke engine. GUI thread, like every engine call.
#include "AppSet/AudioEngine.h"

class CEngineAudio : public IAudioEngine {
 public:
  void VokaSetVolume(int accompaniment) override;
  void MidiSetMelodyVolume(int melody) override;
  void VokaSetTempo(int tempo) override;
  void VokaSetKey(int key) override;
  void MicSetVolume(int microphone) override;
  void MicSetEchoDeep(int depth) override;
  void MicSetEchoLevel(int echo) override;
};

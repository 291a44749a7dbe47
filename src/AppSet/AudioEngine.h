#pragma once
// What the audio settings apply their values to: the karaoke engine's setting calls and the
// system audio component's two levels. The application hands implementations to the audio
// settings; without one, a change is stored and not applied. GUI thread.
#include <string>

class IAudioEngine {
 public:
  virtual ~IAudioEngine() = default;
  virtual void VokaSetVolume(int accompaniment) = 0;
  virtual void MicSetVolume(int microphone) = 0;
  virtual void MidiSetMelodyVolume(int melody) = 0;
  virtual void VokaSetTempo(int tempo) = 0;
  virtual void VokaSetKey(int key) = 0;
  virtual void MicSetEchoDeep(int depth) = 0;
  virtual void MicSetEchoLevel(int echo) = 0;
};

// The system audio component (optional: the machine may have none).
class IAudioComponent {
 public:
  virtual ~IAudioComponent() = default;
  virtual void setMasterVolume(int volume) = 0;
  virtual void setMicrophoneLevel(int level) = 0;
  // The system's own monitoring of the microphone ("SysMICRC").
  virtual void setMonitorLevel(int) {}
  // The devices whose levels the calls above set.
  virtual void selectOutputDevice(const std::wstring&) {}
  virtual void selectInputDevice(const std::wstring&) {}
};

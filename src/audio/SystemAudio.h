#pragma once
// The audio settings' system audio component: the system mixer's levels (platform
// audiocomponent). GUI thread.
#include <memory>

#include "AppSet/AudioEngine.h"

namespace audiocomponent {
class SystemAudioComponent;
}

class CSystemAudio : public IAudioComponent {
 public:
  explicit CSystemAudio(std::unique_ptr<audiocomponent::SystemAudioComponent> mixer);
  ~CSystemAudio() override;
  // The component over the machine's mixer, or null (with the reason logged) when there is
  // none: the settings then keep "VOL", "MIC" and "SysMICRC" without applying them.
  static std::unique_ptr<CSystemAudio> create();

  void setMasterVolume(int volume) override;
  void setMicrophoneLevel(int level) override;
  void setMonitorLevel(int level) override;
  void selectOutputDevice(const std::wstring& name) override;
  void selectInputDevice(const std::wstring& name) override;
  // The system's levels as they were before the module set them.
  void restore();

 private:
  std::unique_ptr<audiocomponent::SystemAudioComponent> mixer_;
};

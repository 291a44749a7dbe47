#include "audio/SystemAudio.h"

#include "app/AppLog.h"
#include "audiocomponent/SystemAudioComponent.h"
#include "oscompat/Utf.h"

CSystemAudio::CSystemAudio(std::unique_ptr<audiocomponent::SystemAudioComponent> mixer) : mixer_(std::move(mixer)) {}
CSystemAudio::~CSystemAudio() = default;

std::unique_ptr<CSystemAudio> CSystemAudio::create() {
  std::string why;
  auto mixer = audiocomponent::SystemAudioComponent::createAlsa(why);
  if (!mixer) {
    appLog("system audio: no system mixer (" + why + "); the master and microphone levels stay the system's");
    return nullptr;
  }
  appLog("system audio: the levels go to " + mixer->mixerName());
  return std::make_unique<CSystemAudio>(std::move(mixer));
}

void CSystemAudio::setMasterVolume(int volume) { mixer_->setMasterVolume(volume); }
void CSystemAudio::setMicrophoneLevel(int level) { mixer_->setMicrophoneLevel(level); }
void CSystemAudio::setMonitorLevel(int level) { mixer_->setMonitorLevel(level); }
void CSystemAudio::selectOutputDevice(const std::wstring& name) { mixer_->selectOutputDevice(oscompat::utf8FromWide(name)); }
void CSystemAudio::selectInputDevice(const std::wstring& name) { mixer_->selectInputDevice(oscompat::utf8FromWide(name)); }
void CSystemAudio::restore() { mixer_->restore(); }

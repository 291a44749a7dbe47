#include "audiocomponent/SystemAudioComponent.h"

#include <algorithm>
#include <cmath>

#include "audiocomponent/AlsaMixer.h"
#include "oscompat/Log.h"

namespace audiocomponent {

namespace {
constexpr int kMaxLevel = 65535;
int index(MixerControl c) { return static_cast<int>(c); }
}  // namespace

std::unique_ptr<SystemAudioComponent> SystemAudioComponent::createAlsa(std::string& why) {
  const int card = firstAlsaCard(why);
  if (card < 0) return nullptr;
  auto mixer = openAlsaMixer(card, why);
  if (!mixer) return nullptr;
  auto component = std::make_unique<SystemAudioComponent>(std::move(mixer));
  bool any = false;
  for (const Saved& s : component->saved_) any = any || s.present;
  if (!any) {
    why = "the mixer of " + component->mixerName() + " has no master, capture or microphone control";
    return nullptr;
  }
  component->alsa_ = true;
  component->card_ = card;
  return component;
}

SystemAudioComponent::SystemAudioComponent(std::unique_ptr<MixerBackend> mixer) : mixer_(std::move(mixer)) {
  remember();
}

SystemAudioComponent::~SystemAudioComponent() = default;

void SystemAudioComponent::remember() {
  for (MixerControl c : {MixerControl::Master, MixerControl::Capture, MixerControl::Monitor}) {
    Saved& s = saved_[index(c)];
    s.present = mixer_ && mixer_->get(c, s.value);
  }
}

void SystemAudioComponent::restore() {
  if (!mixer_) return;
  for (MixerControl c : {MixerControl::Master, MixerControl::Capture, MixerControl::Monitor})
    if (const Saved& s = saved_[index(c)]; s.present) mixer_->set(c, s.value);
}

bool SystemAudioComponent::setLevel(MixerControl control, int level) {
  long min = 0, max = 0;
  if (!mixer_ || !mixer_->range(control, min, max) || max < min) return false;
  const double share = std::clamp(level, 0, kMaxLevel) / double(kMaxLevel);
  return mixer_->set(control, min + std::lround(share * double(max - min)));
}

int SystemAudioComponent::level(MixerControl control) {
  long min = 0, max = 0, value = 0;
  if (!mixer_ || !mixer_->range(control, min, max) || !mixer_->get(control, value)) return -1;
  if (max <= min) return 0;
  return static_cast<int>(std::lround(double(value - min) / double(max - min) * kMaxLevel));
}

bool SystemAudioComponent::setMasterVolume(int level) { return setLevel(MixerControl::Master, level); }
bool SystemAudioComponent::setMicrophoneLevel(int level) { return setLevel(MixerControl::Capture, level); }
bool SystemAudioComponent::setMonitorLevel(int level) { return setLevel(MixerControl::Monitor, level); }

void SystemAudioComponent::selectCardFor(const std::string& deviceName) {
  if (!alsa_) return;
  std::string why;
  const int card = alsaCardNamed(deviceName);
  if (card < 0 || card == card_) return;
  auto mixer = openAlsaMixer(card, why);
  if (!mixer) {
    oscompat::log(oscompat::LogLevel::Warning, "system audio: " + why + "; the mixer stays " + mixerName());
    return;
  }
  restore();
  mixer_ = std::move(mixer);
  card_ = card;
  remember();
  oscompat::log(oscompat::LogLevel::Info, "system audio: the levels now go to " + mixerName());
}

void SystemAudioComponent::selectOutputDevice(const std::string& deviceName) { selectCardFor(deviceName); }
void SystemAudioComponent::selectInputDevice(const std::string& deviceName) { selectCardFor(deviceName); }

std::string SystemAudioComponent::mixerName() const { return mixer_ ? mixer_->name() : "no mixer"; }

}  // namespace audiocomponent

// The system audio component: levels mapped onto each control's range, missing controls,
// the levels found given back; the ALSA mixer absent on a machine without a sound card.
#include <gtest/gtest.h>

#include <map>

#include "audiocomponent/SystemAudioComponent.h"

using audiocomponent::MixerBackend;
using audiocomponent::MixerControl;
using audiocomponent::SystemAudioComponent;

namespace {

// A mixer with a master of 0..31, a capture of -10..53 and no monitoring control.
struct FakeMixer : MixerBackend {
  std::map<MixerControl, long>& values;
  explicit FakeMixer(std::map<MixerControl, long>& v) : values(v) {}
  bool range(MixerControl c, long& min, long& max) override {
    if (c == MixerControl::Monitor) return false;
    min = c == MixerControl::Master ? 0 : -10;
    max = c == MixerControl::Master ? 31 : 53;
    return true;
  }
  bool get(MixerControl c, long& v) override {
    if (c == MixerControl::Monitor) return false;
    v = values[c];
    return true;
  }
  bool set(MixerControl c, long v) override {
    if (c == MixerControl::Monitor) return false;
    values[c] = v;
    return true;
  }
  std::string name() const override { return "fake"; }
};

TEST(SystemAudio, LevelsSpanEachControlsRangeAndComeBackAtTheEnd) {
  std::map<MixerControl, long> values{{MixerControl::Master, 20}, {MixerControl::Capture, 7}};
  SystemAudioComponent component(std::make_unique<FakeMixer>(values));
  EXPECT_TRUE(component.setMasterVolume(65535));
  EXPECT_EQ(values[MixerControl::Master], 31);
  EXPECT_TRUE(component.setMasterVolume(0));
  EXPECT_EQ(values[MixerControl::Master], 0);
  EXPECT_TRUE(component.setMicrophoneLevel(32768));
  EXPECT_EQ(values[MixerControl::Capture], 22);  // the middle of -10..53
  EXPECT_EQ(component.level(MixerControl::Capture), 33288);
  EXPECT_TRUE(component.setMicrophoneLevel(99999));  // beyond the settings' range: the top
  EXPECT_EQ(values[MixerControl::Capture], 53);
  EXPECT_FALSE(component.setMonitorLevel(30000));  // no such control: nothing changes
  EXPECT_EQ(component.level(MixerControl::Monitor), -1);
  component.restore();
  EXPECT_EQ(values[MixerControl::Master], 20);
  EXPECT_EQ(values[MixerControl::Capture], 7);
}

// Without libasound or without a card there is no component, and it says why.
TEST(SystemAudio, TheAlsaComponentIsAbsentOrWorks) {
  std::string why;
  auto component = SystemAudioComponent::createAlsa(why);
  if (!component) {
    EXPECT_FALSE(why.empty());
    return;
  }
  const int before = component->level(MixerControl::Master);
  if (before >= 0) {
    EXPECT_TRUE(component->setMasterVolume(before));
    EXPECT_NEAR(component->level(MixerControl::Master), before, 2100);
  }
  component->restore();
}

}  // namespace

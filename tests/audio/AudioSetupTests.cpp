// The audio setup page on the headless shell: the bars follow the keys and set the items (which
// reach the engine), the focus skips what cannot be used and passes into the mode list at both
// ends, the mode list wraps, a contest song keeps its guide melody, key 1 resets, Back ends the
// page, and the measured microphone delay is stored per device pair or refused with the old
// value kept.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/AudioEngine.h"
#include "AppSet/AudioSet.h"
#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "audio/CAudioModeWorker.h"
#include "audio/CAudioSetup.h"
#include "audio/CAudioSetupModle.h"
#include "audio/CEffectWnd.h"
#include "audio/CMicDelay.h"
#include "vokaran/Vokaran.h"

namespace {

class RecordingEngine : public IAudioEngine {
 public:
  std::vector<std::string> calls;
  void VokaSetVolume(int v) override { add("VokaSetVolume", v); }
  void MicSetVolume(int v) override { add("MicSetVolume", v); }
  void MidiSetMelodyVolume(int v) override { add("MidiSetMelodyVolume", v); }
  void VokaSetTempo(int v) override { add("VokaSetTempo", v); }
  void VokaSetKey(int v) override { add("VokaSetKey", v); }
  void MicSetEchoDeep(int v) override { add("MicSetEchoDeep", v); }
  void MicSetEchoLevel(int v) override { add("MicSetEchoLevel", v); }
  bool called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

 private:
  void add(const char* name, int v) { calls.push_back(std::string(name) + "(" + std::to_string(v) + ")"); }
};

// What the mode workers hand the engine; a fixed room answers with echo 40 and depth 30.
struct RoomLog {
  std::mutex m;
  std::vector<int> rooms;
};

class AudioSetupPage : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    audio_.setEngine(&engine_);
    modeWorkers().setApply([log = &rooms_](int room, int depth, int echo) {
      std::lock_guard g(log->m);
      log->rooms.push_back(room);
      return EffectDataArgs(room, depth < 0 ? 30 : depth, echo < 0 ? 40 : echo);
    });
  }
  void TearDown() override {
    if (page_ && page_->loaded()) page_->endModal(0);
    delete page_;
    page_ = nullptr;
    modeWorkers().joinAll();
    modeWorkers().setApply(nullptr);
    GuiTest::TearDown();
  }
  void open(bool challenge = false, CMicDelay* delay = nullptr) {
    page_ = new CAudioSetupModle(audio_, challenge, delay);
    page_->attach(sheet());
    ASSERT_TRUE(page_->loaded());
    page_->subscribeEvent("EndModal", CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
      ended_ = page_->result();
      return true;
    }));
  }
  // The mode workers' answers reach the page through the shell's loop.
  void settle() {
    modeWorkers().joinAll();
    shell().runFrame();
  }
  CAudioSetup& panel() { return *page_->panel(); }
  CEffectWnd& modes() { return *page_->effects(); }
  int value(const wchar_t* name) { return audio_.getItem(name)->value(); }
  CEGUI::Window* part(const CEGUI::String& path) { return vktest::GuiTest::sheet()->getChild("AudioSetup/" + path); }
  bool inModeList() { return modes().button(modes().selected())->isActive(); }
  void pressTimes(CEGUI::Key::Scan key, int n) {
    for (int i = 0; i < n; ++i) pressKey(key);
  }

  CAudioSet audio_{L"unused-Audio.xml"};
  RecordingEngine engine_;
  RoomLog rooms_;
  CAudioSetupModle* page_ = nullptr;
  int ended_ = -1;
};

}  // namespace

// Catches a bar whose move does not reach its item (or the engine), a step taken from the bar
// instead of the item, and a value shown that is not the item's.
TEST_F(AudioSetupPage, UpAndDownMoveTheFocusedBarByTheItemsStep) {
  ASSERT_NO_FATAL_FAILURE(open());
  EXPECT_EQ(panel().focusedBar(), CAudioSetup::kVolumeBar);
  EXPECT_EQ(part("Progress_vol/Progress_vol1")->getProperty("Image"), "DirUdeZud/AudioSetup/Progress_vol1_Over");
  // The master volume's own step (10 of 65535) would be inaudible: a press moves a hundredth.
  const int loudest = value(L"VOL");
  pressKey(CEGUI::Key::ArrowDown);
  EXPECT_NEAR(value(L"VOL"), loudest - 655, 1);
  pressKey(CEGUI::Key::ArrowUp);
  EXPECT_NEAR(value(L"VOL"), loudest, 1);
  pressKey(CEGUI::Key::ArrowRight);
  EXPECT_EQ(panel().focusedBar(), 1);
  EXPECT_EQ(part("Progress_vol/Progress_vol1")->getProperty("Image"), "DirUdeZud/AudioSetup/Progress_vol1_Nomal");
  pressKey(CEGUI::Key::ArrowUp);
  EXPECT_EQ(value(L"Accompany"), 82);
  EXPECT_TRUE(engine_.called("VokaSetVolume(82)"));
  pressTimes(CEGUI::Key::ArrowDown, 3);
  EXPECT_EQ(value(L"Accompany"), 76);
  EXPECT_EQ(part("Progress_Accompany/Progress_AccompanyValue")->getText(), "76");
  // The key: one semitone a press, shown signed.
  pressTimes(CEGUI::Key::ArrowRight, 5);
  ASSERT_EQ(panel().focusedBar(), CAudioSetup::kKeyBar);
  pressTimes(CEGUI::Key::ArrowUp, 2);
  EXPECT_EQ(value(L"KEY"), 2);
  EXPECT_TRUE(engine_.called("VokaSetKey(2)"));
  EXPECT_EQ(part("ProgressKey/ProgressKeyValue")->getText(), "+2");
  pressTimes(CEGUI::Key::ArrowUp, 9);
  EXPECT_EQ(value(L"KEY"), 6);  // the bar stops at the top
}

// Catches the half-up rounding lost (1.5 giving 1) between a bar and its item.
TEST_F(AudioSetupPage, AHalfwayBarOverThreeStepsGivesTwo) {
  Item three(L"T", L"T", 0, 3, 1, 0, 0);
  EXPECT_EQ(CAudioSetup::valueAt(three, 0.5f), 2);
  Item key(L"KEY", L"", -6, 6, 1, 0, 0);
  EXPECT_EQ(CAudioSetup::valueAt(key, 0.5f), 0);
  EXPECT_EQ(CAudioSetup::valueAt(key, 0.0f), -6);
  EXPECT_EQ(CAudioSetup::valueAt(key, 1.0f), 6);
}

// Catches the focus landing on a disabled echo bar in a fixed room, a mode list that cannot be
// reached from either end, and a list that stops at its ends instead of wrapping.
TEST_F(AudioSetupPage, TheFocusSkipsFixedRoomEchoBarsAndEntersTheModeListAtBothEnds) {
  ASSERT_NO_FATAL_FAILURE(open());
  EXPECT_TRUE(panel().bar(CAudioSetup::kEchoBar)->isDisabled());  // KTV: a fixed room
  EXPECT_TRUE(panel().bar(CAudioSetup::kDepthBar)->isDisabled());
  pressTimes(CEGUI::Key::ArrowRight, 6);
  EXPECT_EQ(panel().focusedBar(), CAudioSetup::kKeyBar);
  pressKey(CEGUI::Key::ArrowRight);  // past the last bar that can be used
  EXPECT_TRUE(inModeList());
  EXPECT_EQ(modes().root()->getProperty("Image"), "DirUdeZud/AudioEffectBK_Over");
  pressKey(CEGUI::Key::ArrowUp);  // wraps from the first mode to the last
  EXPECT_EQ(modes().selected(), 3);
  settle();
  EXPECT_TRUE(audio_.isUserMode());
  EXPECT_FALSE(panel().bar(CAudioSetup::kEchoBar)->isDisabled());
  EXPECT_EQ(value(L"ECHO"), 63);  // the user mode's own echo, as the engine applied it
  EXPECT_EQ(value(L"Depth"), 76);
  EXPECT_EQ(part("StatEffectTxt")->getText(), CEGUI::String(reinterpret_cast<const CEGUI::utf8*>("自定义")));
  pressKey(CEGUI::Key::ArrowLeft);  // back to the nearest bar: Depth, now adjustable
  EXPECT_EQ(panel().focusedBar(), CAudioSetup::kDepthBar);
  EXPECT_EQ(modes().root()->getProperty("Image"), "DirUdeZud/AudioEffectBK_Normal");
  pressKey(CEGUI::Key::ArrowRight);
  ASSERT_TRUE(inModeList());
  pressKey(CEGUI::Key::ArrowDown);  // wraps from the last to the first
  EXPECT_EQ(modes().selected(), 0);
  settle();
  EXPECT_FALSE(audio_.isUserMode());
  EXPECT_EQ(value(L"ECHO"), 40);  // KTV's own echo
  pressKey(CEGUI::Key::ArrowRight);  // out on the right: the volume bar again
  EXPECT_EQ(panel().focusedBar(), CAudioSetup::kVolumeBar);
  pressKey(CEGUI::Key::ArrowLeft);  // before the first bar
  EXPECT_TRUE(inModeList());
  std::lock_guard g(rooms_.m);
  EXPECT_EQ(rooms_.rooms, (std::vector<int>{7, 6}));
}

// Catches a contest song's guide melody given back to the singer by the bar or by a reset,
// and a page that never hears that the contest ended.
TEST_F(AudioSetupPage, DuringAContestSongTheMelodyStaysAndResetLeavesIt) {
  audio_.getItem(L"MELODY")->setValue(8, true);  // as the contest set it
  audio_.getItem(L"VOL")->setValue(30000, true);
  ASSERT_NO_FATAL_FAILURE(open(true));
  EXPECT_TRUE(panel().bar(CAudioSetup::kMelodyBar)->isDisabled());
  pressTimes(CEGUI::Key::ArrowRight, 4);
  EXPECT_EQ(panel().focusedBar(), 5);  // the melody bar is skipped
  pressKey(CEGUI::Key::One);
  settle();
  EXPECT_EQ(value(L"VOL"), 65500);
  EXPECT_EQ(value(L"MELODY"), 8);
  EXPECT_EQ(panel().focusedBar(), CAudioSetup::kVolumeBar);
  CEGUI::EventArgs args;
  CEGUI::GlobalEventSet::getSingleton().fireEvent(EventNames::ChallengeEnd, args, "");
  EXPECT_FALSE(panel().bar(CAudioSetup::kMelodyBar)->isDisabled());
  pressKey(CEGUI::Key::One);
  EXPECT_EQ(value(L"MELODY"), 25);
}

// Catches a reset that leaves the engine in the old room or the list on the old mode.
TEST_F(AudioSetupPage, ResetBringsTheDefaultModeToTheEngineAndTheList) {
  ASSERT_NO_FATAL_FAILURE(open());
  pressKey(CEGUI::Key::ArrowLeft);
  pressTimes(CEGUI::Key::ArrowDown, 2);  // 录音棚
  settle();
  ASSERT_EQ(audio_.currentMode()->Name, L"RecordingStudio");
  pressKey(CEGUI::Key::Numpad1);
  settle();
  EXPECT_EQ(audio_.currentMode()->Name, L"KTV");
  EXPECT_EQ(modes().selected(), 0);
  std::lock_guard g(rooms_.m);
  ASSERT_FALSE(rooms_.rooms.empty());
  EXPECT_EQ(rooms_.rooms.back(), 6);
}

// Catches a Back key that is swallowed by the bars or the list.
TEST_F(AudioSetupPage, TheKeyMapsBackKeyEndsThePageFromTheModeListToo) {
  CKeyMap keys(L"no-such-KEYMAP.xml");
  const int back = keyMapCode(L"Back");
  ASSERT_GE(back, 0);
  ASSERT_NO_FATAL_FAILURE(open());
  pressKey(CEGUI::Key::ArrowLeft);
  ASSERT_TRUE(inModeList());
  pressKey(static_cast<unsigned>(back));
  EXPECT_EQ(ended_, 0);
  EXPECT_FALSE(page_->loaded());
}

namespace {
class MicDelayPage : public AudioSetupPage {
 protected:
  void SetUp() override {
    AudioSetupPage::SetUp();
    devices_.setOutput({L"HDMI 输出", 1});
    devices_.setInput({L"USB Mic/2", 0});
    configs_.setPath((install_.path() + "/PKData/AppSets/AudioDeviceConfig.xml").c_str());
    delay_ = std::make_unique<CMicDelay>(configs_, devices_);
  }
  void TearDown() override {
    delay_.reset();
    VokaSetMicDelay(0);
    AudioSetupPage::TearDown();
  }
  void measure(int result) {
    delay_->setMeasure([result] { return result; });
    pressKey(CEGUI::Key::Two);
    EXPECT_TRUE(delay_->measuring());
    delay_->waitForResult();
    shell().runFrame();
    EXPECT_FALSE(delay_->measuring());
  }
  std::string delayText() { return part("DelayTxt")->getText().c_str(); }
  CAudioDevUseSet devices_;
  CAudioDevConfigSet configs_;
  std::unique_ptr<CMicDelay> delay_;
};
}  // namespace

// Catches a delay stored for the wrong devices or not at all, a refused measurement that
// overwrites the value that worked, and a singer left without the reason.
TEST_F(MicDelayPage, AMeasuredDelayIsStoredForTheDevicePairAndARefusalKeepsIt) {
  ASSERT_NO_FATAL_FAILURE(open(false, delay_.get()));
  EXPECT_NE(delayText().find("未测量"), std::string::npos) << delayText();
  measure(150);
  EXPECT_EQ(configs_.micDelay(CEGUI::String(reinterpret_cast<const CEGUI::utf8*>("HDMI 输出")), "USB Mic/2"), 150);
  EXPECT_EQ(VokaGetMicDelay(), 150);
  EXPECT_NE(delayText().find("150"), std::string::npos) << delayText();
  CAudioDevConfigSet saved(configs_.path());
  ASSERT_TRUE(saved.LoadSets());
  EXPECT_EQ(saved.micDelay(CEGUI::String(reinterpret_cast<const CEGUI::utf8*>("HDMI 输出")), "USB Mic/2"), 150);

  measure(VOKA_ERR_DELAY_SILENT);  // headphones
  EXPECT_EQ(delay_->stored(), 150);
  EXPECT_EQ(VokaGetMicDelay(), 150);
  EXPECT_NE(delayText().find("耳机"), std::string::npos) << delayText();
  EXPECT_NE(delayText().find("150"), std::string::npos) << delayText();
  measure(VOKA_ERR_DELAY_CLIPPED);
  EXPECT_EQ(delay_->stored(), 150);
  EXPECT_NE(delayText().find("调低"), std::string::npos) << delayText();

  // Another output is another path: nothing measured for it yet.
  devices_.setOutput({L"Speakers", 0});
  EXPECT_EQ(delay_->stored(), -1);
  EXPECT_EQ(delay_->applyStored(), 0);
  EXPECT_EQ(VokaGetMicDelay(), 0);
}

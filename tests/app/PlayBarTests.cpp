// The play control bar: its windows, the time display, the remote-control focus, the key tip
// and hiding after idle time, headless on the virtual clock.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "app/CPlayCtrolBar.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"

namespace {

const char* const kButtons[] = {"PlayCtrolWnd/BtnCut", "PlayCtrolWnd/BtnRePlay", "PlayCtrolWnd/BtnMelody",
                                "PlayCtrolWnd/BtnTurn"};

class PlayBar : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    appRoot_ = loadLayout("PK_AppRoot.layout");
    bar_ = std::make_unique<CPlayCtrolBar>(appRoot_);
    for (int i = 0; i < 4; ++i) {
      std::function<void()>* callback[] = {&bar_->onCut, &bar_->onReplay, &bar_->onMelody, &bar_->onAudioSettings};
      *callback[i] = [this, i] { clicks_ += std::to_string(i); };
    }
  }
  void TearDown() override {
    bar_.reset();
    GuiTest::TearDown();
  }
  CEGUI::Window* part(const char* name) { return findWindow(CEGUI::String("PlayCtrolWnd/") + name); }
  std::string focused() {
    for (const char* name : kButtons)
      if (findWindow(name)->isActive()) return name;
    return "none";
  }
  void moveMouseOver(CEGUI::Window* w) {
    const CEGUI::Rectf r = w->getUnclippedOuterRect().get();
    shell().injectMouseMove(r.left() + r.getWidth() / 2, r.top() + r.getHeight() / 2);
  }
  bool toolTipShowing() { return part("ToolTipBK")->isVisible() || part("ToolTip")->isVisible(); }

  CEGUI::Window* appRoot_ = nullptr;
  std::unique_ptr<CPlayCtrolBar> bar_;
  std::string clicks_;  // the indices of the buttons reported, in order
};

// Catches a window missing or misnamed in the layout, the bar not starting hidden, or a bar
// that reaches up into the lyrics.
TEST_F(PlayBar, LoadsHiddenIntoTheSheetWithItsNamedWindowsAlongTheBottom) {
  for (const char* name : {"BtnCut", "BtnRePlay", "BtnMelody", "BtnTurn", "CurTime", "TotalTime", "ProgressSlider",
                           "ToolTip", "ToolTipBK", "ControlWnd"})
    EXPECT_NE(part(name), nullptr) << name;
  ASSERT_NE(bar_->window(), nullptr);
  EXPECT_EQ(bar_->window()->getParent(), appRoot_);
  EXPECT_FALSE(bar_->isVisible());
  const CEGUI::Rectf area = bar_->window()->getUnclippedOuterRect().get();
  EXPECT_GE(area.top(), 0.86f * 900);
  EXPECT_FLOAT_EQ(area.bottom(), 900);
}

struct TimeCase {
  const char* name;
  int seconds;
  int total;
  const wchar_t* current;
  const wchar_t* totalText;
  float progress;
};

class PlayBarTime : public PlayBar, public ::testing::WithParamInterface<TimeCase> {};

// Catches wrong minute/second split, a half-width colon, division by a zero total and
// progress outside the track.
TEST_P(PlayBarTime, ShowsMinutesSecondsAndProgress) {
  const TimeCase& c = GetParam();
  bar_->setTime(c.seconds, c.total);
  EXPECT_EQ(part("CurTime")->getText(), guiString(c.current));
  EXPECT_EQ(part("TotalTime")->getText(), guiString(c.totalText));
  EXPECT_FLOAT_EQ(static_cast<CEGUI::Slider*>(part("ProgressSlider"))->getCurrentValue(), c.progress);
}

INSTANTIATE_TEST_SUITE_P(
    Times, PlayBarTime,
    ::testing::Values(TimeCase{"at75s", 75, 240, L"01：15", L"04：00", 0.3125f},
                      TimeCase{"start", 0, 240, L"00：00", L"04：00", 0.0f},
                      TimeCase{"end", 240, 240, L"04：00", L"04：00", 1.0f},
                      TimeCase{"pastTheEnd", 250, 240, L"04：10", L"04：00", 1.0f},
                      TimeCase{"noTotal", 75, 0, L"01：15", L"00：00", 0.0f},
                      TimeCase{"negativeTotal", 75, -1, L"01：15", L"00：00", 0.0f},
                      TimeCase{"negativeTime", -5, 240, L"00：00", L"04：00", 0.0f},
                      TimeCase{"overAnHour", 3725, 4000, L"62：05", L"66：40", 0.93125f}),
    [](const ::testing::TestParamInfo<TimeCase>& info) { return std::string(info.param.name); });

// Catches focus that does not start on the first button, arrows that stop at the ends, and a
// repeated show() (the application calls it on every key) throwing the focus back.
TEST_F(PlayBar, ArrowsMoveTheFocusAlongTheRowAndWrap) {
  bar_->show();
  EXPECT_EQ(focused(), kButtons[0]);
  pressKey(CEGUI::Key::ArrowLeft);
  EXPECT_EQ(focused(), kButtons[3]);
  pressKey(CEGUI::Key::ArrowRight);
  pressKey(CEGUI::Key::ArrowDown);
  EXPECT_EQ(focused(), kButtons[1]);
  bar_->show();
  EXPECT_EQ(focused(), kButtons[1]);
  pressKey(CEGUI::Key::ArrowUp);
  pressKey(CEGUI::Key::ArrowUp);
  EXPECT_EQ(focused(), kButtons[3]);
  pressKey(CEGUI::Key::ArrowRight);
  EXPECT_EQ(focused(), kButtons[0]);
}

class PlayBarOk : public PlayBar, public ::testing::WithParamInterface<int> {};

// Catches OK reporting another button than the focused one, or reporting it twice.
TEST_P(PlayBarOk, OkReportsTheFocusedButtonOnce) {
  bar_->show();
  for (int i = 0; i < GetParam(); ++i) pressKey(CEGUI::Key::ArrowRight);
  pressKey(CEGUI::Key::Return);
  EXPECT_EQ(clicks_, std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Buttons, PlayBarOk, ::testing::Range(0, 4), [](const ::testing::TestParamInfo<int>& info) {
  return std::string(kButtons[info.param] + 13);  // without "PlayCtrolWnd/"
});

TEST_F(PlayBar, TheRemoteControlsOkKeyFromTheKeyMapAndTheMouseClickToo) {
  CKeyMap keys;
  keys.setEntry({L"OK", CEGUI::Key::F5, L"VK_F5", L""});
  bar_->show();
  pressKey(CEGUI::Key::F5);
  shell().clickWindow(part("BtnTurn"));
  EXPECT_EQ(clicks_, "03");
}

// Catches a hidden bar still holding the focus, so OK would cut the song unseen.
TEST_F(PlayBar, HiddenByItsOwnCallbackTheBarTakesNoMoreKeys) {
  bar_->onCut = [this] { bar_->hide(); };
  bar_->show();
  pressKey(CEGUI::Key::Return);
  EXPECT_FALSE(bar_->isVisible());
  pressKey(CEGUI::Key::Return);
  EXPECT_EQ(focused(), "none");
  EXPECT_EQ(clicks_, "");
}

TEST_F(PlayBar, HidesAfterIdleTimeWhichEveryKeyOrMouseMoveStartsOver) {
  bar_->show();
  advance(CPlayCtrolBar::kAutoHideMs - 1);
  EXPECT_TRUE(bar_->isVisible());
  pressKey(CEGUI::Key::ArrowRight);
  advance(CPlayCtrolBar::kAutoHideMs - 1);
  shell().injectMouseMove(700, 300);
  advance(CPlayCtrolBar::kAutoHideMs - 1);
  bar_->show();
  advance(CPlayCtrolBar::kAutoHideMs - 1);
  EXPECT_TRUE(bar_->isVisible());
  advance(1);
  EXPECT_FALSE(bar_->isVisible());
  EXPECT_EQ(focused(), "none");
}

TEST_F(PlayBar, KeyTipGoesAfterItsTimeAndComesBackWithTheNextShowing) {
  bar_->show();
  advance(CPlayCtrolBar::kToolTipMs - 1);
  EXPECT_TRUE(part("ToolTipBK")->isVisible());
  EXPECT_TRUE(part("ToolTip")->isVisible());
  advance(1);
  EXPECT_FALSE(toolTipShowing());
  EXPECT_TRUE(bar_->isVisible());
  bar_->hide();
  bar_->show();
  EXPECT_TRUE(part("ToolTipBK")->isVisible());
}

// Catches the tip hiding on any mouse move rather than over the buttons, and the focus
// staying behind while the mouse highlights another button.
TEST_F(PlayBar, MouseOverAButtonHidesTheKeyTipAndTakesTheFocus) {
  bar_->show();
  moveMouseOver(part("ControlWnd"));
  moveMouseOver(part("CurTime"));
  EXPECT_TRUE(part("ToolTipBK")->isVisible());
  moveMouseOver(part("BtnMelody"));
  EXPECT_FALSE(toolTipShowing());
  EXPECT_EQ(focused(), kButtons[2]);
}

TEST_F(PlayBar, MelodyButtonShowsTheSwitchState) {
  CEGUI::Window* melody = part("BtnMelody");
  EXPECT_TRUE(bar_->melodyOn());
  bar_->setMelodyOn(false);
  EXPECT_EQ(melody->getProperty("NormalImage"), "PlayCtrol/MelodyOff_Normal");
  EXPECT_EQ(melody->getProperty("HoverImage"), "PlayCtrol/MelodyOff_Hover");
  bar_->setMelodyOn(true);
  EXPECT_EQ(melody->getProperty("PushedImage"), "PlayCtrol/MelodyOn_Down");
}

// Catches the bar destroying its windows a second time after the sheet took them along.
TEST_F(PlayBar, SheetDestroyedFirstLeavesTheBarHarmless) {
  CEGUI::WindowManager::getSingleton().destroyWindow(appRoot_);
  CEGUI::WindowManager::getSingleton().cleanDeadPool();
  EXPECT_EQ(bar_->window(), nullptr);
  bar_->show();
  bar_->setTime(10, 20);
  EXPECT_FALSE(bar_->isVisible());
}

}  // namespace

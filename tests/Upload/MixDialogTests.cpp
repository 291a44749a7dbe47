// The mixing progress dialog over the GUI, with a stand-in job whose progress the test sets.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "Upload/CMixProssCtrl.h"
#include "app/EventNames.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kNumpadEnter = 156;

// Reports the progress the test asks for, as the real job does, until 1.0 or a cancel.
class SteppedJob : public IMix {
 public:
  bool run() override {
    float reported = -1;
    while (!cancelled) {
      const float wanted = target.load();
      if (wanted < 0) {
        reason = "writing the file: the disk is full";
        return false;
      }
      if (wanted != reported) {
        progress = reported = wanted;
        Win32AppHelper::postEvent(this, EventItemUpdate, new MixItemEventArgs(this), "");
        if (wanted == 1.0f) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  float getProgress() override { return progress; }
  void cancel() override { cancelled = true; }
  std::string lastFailure() const override { return reason; }
  std::string reason;
  std::atomic<float> target{0}, progress{0};
  std::atomic<bool> cancelled{false};
};

class MixDialog : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    keyMap_ = std::make_unique<CKeyMap>();
    page_ = std::make_unique<CMixProssCtrl>(&job_);
    ASSERT_TRUE(page_->attach(sheet()));
    page_->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++ends_;
                            return true;
                          }));
  }
  void TearDown() override {
    page_.reset();
    GuiTest::TearDown();
  }
  // Lets the job report `progress` and the GUI take the posted update.
  void reach(float progress) {
    job_.target = progress;
    for (int i = 0; i < 200 && job_.progress.load() != progress; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    advance(20);
  }
  CEGUI::String text() { return findWindow("MixProssWnd/MixPercentText", sheet())->getText(); }
  float bar() { return static_cast<CEGUI::ProgressBar*>(findWindow("MixProssWnd/ProgressMix", sheet()))->getProgress(); }
  CEGUI::Window* button() { return findWindow("MixProssWnd/BtnCancel", sheet()); }

  std::unique_ptr<CKeyMap> keyMap_;
  SteppedJob job_;
  std::unique_ptr<CMixProssCtrl> page_;
  int ends_ = 0;
};

CEGUI::String utf8(const char* text) { return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(text)); }

}  // namespace

TEST_F(MixDialog, ShowsWholePercentsAndTurnsIntoOkWhenTheMixIsComplete) {
  EXPECT_EQ(text(), utf8("合成进度：0%"));
  reach(0.2f);
  EXPECT_EQ(text(), utf8("合成进度：20%"));
  EXPECT_FLOAT_EQ(bar(), 0.2f);
  reach(0.999f);
  EXPECT_EQ(text(), utf8("合成进度：99%"));  // truncated: never 100 % before it is complete
  EXPECT_FALSE(page_->done());
  EXPECT_EQ(button()->getText(), utf8("取消"));
  reach(1.0f);
  EXPECT_EQ(text(), utf8("合成进度：100%"));
  EXPECT_TRUE(page_->done());
  EXPECT_EQ(button()->getProperty("NormalImage"), "PK/Ok_Normal");
  EXPECT_EQ(button()->getProperty("HoverImage"), "PK/Ok_Hover");
  EXPECT_EQ(button()->getProperty("PushedImage"), "PK/Ok_Down");
  pressKey(kReturn);
  advance(20);
  EXPECT_EQ(page_->result(), 1);
  EXPECT_EQ(ends_, 1);
  EXPECT_TRUE(page_->succeeded());
  EXPECT_FALSE(job_.cancelled);
}

// A mix that fails says why; the button then closes the dialog with 0.
TEST_F(MixDialog, AFailedMixSaysWhyAndTheButtonClosesWithZero) {
  reach(0.4f);
  job_.target = -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  advance(20);
  EXPECT_TRUE(page_->failed());
  EXPECT_EQ(text(), utf8("合成失败：磁盘空间不足，请清理磁盘后重试"));
  EXPECT_EQ(button()->getText(), utf8("关闭"));
  EXPECT_FALSE(page_->done());
  pressKey(kReturn);
  advance(20);
  EXPECT_EQ(page_->result(), 0);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(CMixProssCtrl::failureText("its recordings are missing"), "合成失败：这首作品的录音已不存在");
  EXPECT_EQ(CMixProssCtrl::failureText("the graph did not run"), "合成失败，请稍后重试");
}

// Return, numeric-pad Enter, the remote's Back key and a click all act as the button: before the
// mix is complete they cancel it and the dialog ends with 0.
class MixDialogCancel : public MixDialog, public ::testing::WithParamInterface<std::pair<const char*, unsigned>> {};

TEST_P(MixDialogCancel, CancelsTheRunningMixAndEndsWithZero) {
  reach(0.5f);
  if (GetParam().second) pressKey(GetParam().second);
  else shell().clickWindow(button());
  advance(20);
  EXPECT_TRUE(job_.cancelled);
  EXPECT_EQ(page_->result(), 0);
  EXPECT_EQ(ends_, 1);
  EXPECT_FALSE(page_->succeeded());
  pressKey(kReturn);  // the dialog is gone: nothing more happens
  advance(20);
  EXPECT_EQ(ends_, 1);
}

INSTANTIATE_TEST_SUITE_P(Inputs, MixDialogCancel,
                         ::testing::Values(std::make_pair("Return", kReturn), std::make_pair("NumpadEnter", kNumpadEnter),
                                           std::make_pair("Back", kEscape), std::make_pair("Click", 0u)),
                         [](const auto& info) { return std::string(info.param.first); });

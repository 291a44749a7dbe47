// The score window at the end of a contest song on its own: the numbers it shows, the percent
// bar climbing on the virtual clock with its sounds, and the keys. The window is shown over an
// empty sheet with the sounds caught instead of played.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/KeyMap.h"
#include "PK/PKScoreWnd.h"
#include "Upload/CAlbumManager.h"
#include "PlaybackFakes.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "oscompat/SoundPlayer.h"
#include "oscompat/Utf.h"

namespace {

// Counts the application's requests to open the works page while it lives.
struct WorksPageAsks {
  int count = 0;
  CEGUI::Event::ScopedConnection connection;
  WorksPageAsks()
      : connection(CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
            EventNames::global(EventNames::OpenWorksWindow), CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
              ++count;
              return true;
            }))) {}
};

constexpr unsigned kEscape = 1, kReturn = 28, kNumpadEnter = 156;
constexpr unsigned kUp = 200, kLeft = 203, kRight = 205, kDown = 208;

class ScoreWindow : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    oscompat::setSoundPlayHandler([this](const std::string& path) { sounds_.push_back(path); });
  }
  void TearDown() override {
    page_.reset();
    oscompat::setSoundPlayHandler(nullptr);
    GuiTest::TearDown();
  }
  void open(const PkScoreRecord& scores) {
    page_ = std::make_unique<PKScoreWnd>();
    page_->setScores(scores);
    page_->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++ends_;
                            return true;
                          }));
    ASSERT_TRUE(page_->attach(sheet()));
  }
  CEGUI::Window* part(const char* path) { return page_->pageWindow()->getChild(path); }
  std::string text(const char* path) { return part(path)->getText().c_str(); }
  float progress() { return static_cast<CEGUI::ProgressBar*>(part("Right/PercentBar"))->getProgress(); }
  unsigned focusedId() {
    CEGUI::Window* active = sheet()->getActiveChild();
    return active ? active->getID() : 0;
  }
  int count(const std::wstring& sound) const {
    return static_cast<int>(std::count(sounds_.begin(), sounds_.end(), oscompat::utf8FromWide(sound)));
  }

  CKeyMap keyMap_;
  std::unique_ptr<PKScoreWnd> page_;
  std::vector<std::string> sounds_;
  int ends_ = 0;
};

TEST_F(ScoreWindow, ShowsTheTotalsAndTheBarClimbsStepByStepToTheEngineTotal) {
  open({300, 250, 280, 0, 1200, 69});
  EXPECT_EQ(text("Middle/TotalScoreTxt"), "830");
  EXPECT_EQ(text("Middle/PitchScoreTxt"), "300");
  EXPECT_EQ(text("Middle/EmotionScoreTxt"), "250");
  EXPECT_EQ(text("Middle/TempoScoreTxt"), "280");
  EXPECT_EQ(text("FullScore/Txt"), "1200");
  EXPECT_EQ(text("RateTxt"), "69%");
  EXPECT_FALSE(part("Right/Percent")->isVisible());

  // One step of 0.05 and one step sound every 400 ms: 14 steps reach 0.70 >= 0.69.
  advance(PKScoreWnd::kBarPeriodMs * 14);
  EXPECT_NEAR(progress(), 0.70f, 1e-4);
  EXPECT_EQ(count(PKScoreWnd::stepSoundPath()), 14);
  EXPECT_EQ(count(PKScoreWnd::totalSoundPath()), 0);
  advance(PKScoreWnd::kBarPeriodMs);
  EXPECT_EQ(count(PKScoreWnd::totalSoundPath()), 1);
  EXPECT_NEAR(progress(), 0.69f, 1e-4);
  // The rate sits on top of the column: 31 % of the bar's 340 pixels down, less its height.
  CEGUI::Window* percent = part("Right/Percent");
  EXPECT_TRUE(percent->isVisible());
  EXPECT_EQ(percent->getText(), "69%");
  EXPECT_FLOAT_EQ(percent->getYPosition().d_offset, 105.0f - percent->getPixelSize().d_height);
  // It has stopped.
  advance(PKScoreWnd::kBarPeriodMs * 5);
  EXPECT_EQ(sounds_.size(), 15u);
}

TEST_F(ScoreWindow, AnEngineTotalOfZeroStopsTheBarOnTheFirstTick) {
  open({10, 10, 10, 0, 300, 0});
  advance(PKScoreWnd::kBarPeriodMs);
  EXPECT_EQ(progress(), 0.0f);
  ASSERT_EQ(sounds_.size(), 1u);
  EXPECT_EQ(sounds_[0], oscompat::utf8FromWide(PKScoreWnd::totalSoundPath()));
  EXPECT_TRUE(part("Right/Percent")->isVisible());
}

// A song without scored words has a full score of 0: no rate can be given.
TEST_F(ScoreWindow, AFullScoreOfZeroShowsNoRate) {
  open({0, 0, 0, 0, 0, 0});
  EXPECT_EQ(text("RateTxt"), "--");
  EXPECT_EQ(text("FullScore/Txt"), "0");
  EXPECT_EQ(PKScoreWnd::rateText({2000000000, 2000000000, 0, 0, 2000000000, 0}), "200%");
}

TEST_F(ScoreWindow, ArrowsWrapOverTheFourButtonsAndTheBackKeyCloses) {
  open({1, 1, 1, 0, 30, 5});
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kLeft);
  EXPECT_EQ(focusedId(), 4u);  // wraps below the first
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 1u);  // and past the fourth
  pressKey(kRight);
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 3u);
  pressKey(kUp);
  EXPECT_EQ(focusedId(), 2u);
  EXPECT_EQ(ends_, 0);
  pressKey(kEscape);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 1);
  // Closing silences the window and stops the bar.
  ASSERT_FALSE(sounds_.empty());
  EXPECT_EQ(sounds_.back(), "");
  EXPECT_EQ(page_->pageWindow(), nullptr);
  const size_t heard = sounds_.size();
  advance(PKScoreWnd::kBarPeriodMs * 3);
  EXPECT_EQ(sounds_.size(), heard);
}

TEST_F(ScoreWindow, PreviewWithoutASilentVideoDoesNothingAndUploadClosesWithZero) {
  open({1, 1, 1, 0, 30, 5});
  pressKey(kReturn);  // preview: the works record names no silent video
  EXPECT_EQ(ends_, 0);
  EXPECT_NE(page_->pageWindow(), nullptr);
  pressKey(kRight);
  pressKey(kNumpadEnter);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 0);
}

TEST_F(ScoreWindow, AClickRunsTheButtonsAction) {
  open({1, 1, 1, 0, 30, 5});
  shell().clickWindow(part("BottomBtn/Upload"));
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 0);
}

// Catches: an upload that does not reach the album, or a works page asked for while the score
// window's own handler still runs (the page opens once it has gone).
TEST_F(ScoreWindow, UploadGivesTheWorkToTheAlbumAndAsksForTheWorksPage) {
  CAlbumManager album(nullptr);
  album.setWorksFilePath(std::wstring(install_.path().begin(), install_.path().end()) + L"/PKData/1.xml");
  WorksPageAsks asks;
  const int& asked = asks.count;
  open({1, 1, 1, 0, 30, 5});
  UploadItem works;
  works.Key = L"20261210120000_100";
  page_->setWorks(works);
  shell().clickWindow(part("BottomBtn/Upload"));
  EXPECT_EQ(ends_, 1);
  ASSERT_NE(album.findByKey(L"20261210120000_100"), nullptr);
  EXPECT_EQ(asked, 0);
  advance(10);
  EXPECT_EQ(asked, 1);
}

// The recording of the song just sung, with its two recordings on disk.
UploadItem sungWorks(const std::string& installation) {
  const std::wstring temp = std::wstring(installation.begin(), installation.end()) + L"/Temp/20261210120000_100";
  UploadItem works;
  works.Key = L"20261210120000_100";
  works.VoicePcmFile = temp + L"Voice.pcm";
  works.MusicPcmFile = temp + L"music.pcm";
  works.SoundlessVideoFile = temp + L"noAudio.WMV";
  works.LyricFile = temp + L".lyric";
  works.UploadFile = temp + L".WMV";
  vktest::writeFile(oscompat::utf8FromWide(works.VoicePcmFile), std::string(4410, '\0'));
  vktest::writeFile(oscompat::utf8FromWide(works.MusicPcmFile), std::string(8820, '\0'));
  return works;
}

class ScorePreview : public ScoreWindow {
 protected:
  void SetUp() override {
    ScoreWindow::SetUp();
    calls_.clock = &clock_;
  }
  void openWithPreview() {
    open({300, 250, 280, 0, 1200, 69});
    page_->setWorks(sungWorks(install_.path()));
    page_->setPreviewFactory([this] {
      PlaybackWndContext context;
      context.engine = std::make_unique<vktest::ClockMix>(calls_);
      context.video = [this](CEGUI::Window*) { return std::make_unique<vktest::NotedVideo>(calls_); };
      // As the score window's own preview: its Upload is the score window's.
      context.onUpload = [] {};
      return new CPKPlaybackWnd(std::move(context));
    });
  }
  CEGUI::Window* modal() { return CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow(); }

  vktest::Calls calls_;
};

// Catches: a preview that plays other files than the song's, step sounds of the bar over the
// recording, a score window that does not come back (modal, bar climbing) when it ends.
TEST_F(ScorePreview, PlaysTheSongJustSungAndTheScoreWindowIsBackWhenItEnds) {
  openWithPreview();
  advance(PKScoreWnd::kBarPeriodMs * 2);
  const float before = progress();
  shell().clickWindow(part("BottomBtn/PreviewBtn"));
  CPKPlaybackWnd* preview = page_->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->source().voicePath, page_->works().VoicePcmFile);
  EXPECT_EQ(preview->source().musicPath, page_->works().MusicPcmFile);
  EXPECT_EQ(calls_.video.front(), "open " + oscompat::utf8FromWide(page_->works().SoundlessVideoFile));
  EXPECT_EQ(modal(), preview->pageWindow());
  advance(PKScoreWnd::kBarPeriodMs * 5);
  EXPECT_EQ(progress(), before);
  EXPECT_EQ(count(PKScoreWnd::stepSoundPath()), 2);

  pressKey(kEscape);  // Back on the preview
  EXPECT_EQ(page_->preview(), nullptr);
  EXPECT_EQ(ends_, 0);
  EXPECT_EQ(modal(), page_->pageWindow());
  advance(PKScoreWnd::kBarPeriodMs);
  EXPECT_GT(progress(), before);
  EXPECT_EQ(count(PKScoreWnd::stepSoundPath()), 3);
}

// Catches: Upload from the preview that leaves the score window open, loses the work, or asks
// for the works page twice.
TEST_F(ScorePreview, UploadFromThePreviewIsTheScoreWindowsUpload) {
  CAlbumManager album(nullptr);
  album.setWorksFilePath(std::wstring(install_.path().begin(), install_.path().end()) + L"/PKData/1.xml");
  WorksPageAsks asks;
  const int& asked = asks.count;
  openWithPreview();
  shell().clickWindow(part("BottomBtn/PreviewBtn"));
  ASSERT_NE(page_->preview(), nullptr);
  CEGUI::Window* upload = page_->preview()->part("ControlWnd/Upload");
  CEGUI::WindowEventArgs args(upload);
  upload->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 0);
  ASSERT_NE(album.findByKey(L"20261210120000_100"), nullptr);
  advance(10);
  EXPECT_EQ(asked, 1);
}

// Catches: a preview of a song whose recordings are gone that opens an empty player.
TEST_F(ScorePreview, NothingOpensWhenTheRecordingsAreGone) {
  openWithPreview();
  std::filesystem::remove(oscompat::utf8FromWide(page_->works().MusicPcmFile));
  std::filesystem::remove(oscompat::utf8FromWide(page_->works().VoicePcmFile));
  shell().clickWindow(part("BottomBtn/PreviewBtn"));
  EXPECT_EQ(page_->preview(), nullptr);
  EXPECT_EQ(ends_, 0);
}

}  // namespace

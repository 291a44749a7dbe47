// The playback window headless on the virtual clock, with a live mix whose position follows the
// clock and a video that notes what it is told: the times it shows, the control strip that
// hides and comes back, play and pause with their images, seeking with the slider and the
// remote's keys (sound and picture together), the end of the recording, Upload and Back; and
// the works row that opens it.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/KeyMap.h"
#include "MixMedia.h"
#include "PlaybackFakes.h"
#include "TestSupport.h"
#include "Upload/CAlbumManager.h"
#include "Upload/CAlbumWnd.h"
#include "Upload/IMix.h"
#include "Upload/CPKPlaybackWnd.h"
#include "Upload/UploadItem.h"
#include "app/EventNames.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"
#include "widgets/VideoWnd.h"
#include "vokanetlink/VokaNetLink.h"

namespace vktest {
namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kUp = 200, kDown = 208, kLeft = 203, kRight = 205;

class Playback : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    calls_.clock = &clock_;
    keyMap_ = std::make_unique<CKeyMap>();
    if (auto* global = CEGUI::GlobalEventSet::getSingletonPtr())
      worksOpened_ = global->subscribeEvent(EventNames::global(EventNames::OpenWorksWindow),
                                            CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                              ++worksOpens_;
                                              return true;
                                            }));
  }
  void TearDown() override {
    if (worksOpened_.isValid()) worksOpened_->disconnect();
    page_.reset();
    GuiTest::TearDown();
  }
  PlaybackWndContext context() {
    PlaybackWndContext c;
    c.engine = std::make_unique<ClockMix>(calls_);
    c.video = [this](CEGUI::Window* w) -> std::unique_ptr<IPlaybackVideo> {
      videoWindow_ = w;
      return std::make_unique<NotedVideo>(calls_);
    };
    return c;
  }
  static PlaybackSource source() {
    PlaybackSource s;
    s.voicePath = L"/rec/aVoice.pcm";
    s.musicPath = L"/rec/amusic.pcm";
    s.videoPath = L"/rec/anoAudio.WMV";
    s.voiceGain = 120;
    s.musicGain = 80;
    s.micDelay = 40;
    return s;
  }
  void open() {
    page_ = std::make_unique<CPKPlaybackWnd>(context());
    page_->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            results_.push_back(page_->result());
                            return true;
                          }));
    page_->subscribeEvent(CPKPlaybackWnd::EventEndPlay, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++endPlays_;
                            return true;
                          }));
    ASSERT_TRUE(page_->attach(sheet()));
    page_->setSource(source());
    calls_.engine.clear();
    calls_.video.clear();
  }
  std::string text(const char* path) const { return page_->part(path)->getText().c_str(); }
  std::string image(const char* property) const {
    return page_->part("ControlWnd/BtnPlayPause")->getProperty(property).c_str();
  }
  float sliderShare() const {
    auto* s = static_cast<CEGUI::Slider*>(page_->part("ControlWnd/ProgressSlider"));
    return s->getCurrentValue() / s->getMaxValue();
  }
  static void click(CEGUI::Window* w) {
    CEGUI::WindowEventArgs args(w);
    w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
  }
  static std::string fullWidth(const char* minutes, const char* seconds) {
    return std::string(minutes) + "\xEF\xBC\x9A" + seconds;
  }

  Calls calls_;
  std::unique_ptr<CKeyMap> keyMap_;
  std::unique_ptr<CPKPlaybackWnd> page_;
  CEGUI::Window* videoWindow_ = nullptr;
  std::vector<int> results_;
  int endPlays_ = 0;
  int worksOpens_ = 0;
  CEGUI::Event::Connection worksOpened_;
};

// Catches: minutes and seconds swapped or unpadded, an ASCII colon, a position that does not
// follow the sound, a slider that does not show it.
TEST_F(Playback, ShowsTheTotalAndTheRunningPositionWithAFullWidthColon) {
  open();
  EXPECT_EQ(text("ControlWnd/TotalTime"), fullWidth("01", "15"));
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "00"));
  advance(3000);
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "03"));
  EXPECT_NEAR(sliderShare(), 3.0f / 75.0f, 1e-3);
  advance(62000);
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("01", "05"));
  EXPECT_EQ(std::string(CPKPlaybackWnd::timeText(600).c_str()), fullWidth("10", "00"));
  EXPECT_EQ(std::string(CPKPlaybackWnd::timeText(-3).c_str()), fullWidth("00", "00"));
}

// Catches: gains or delay not handed to the engine, the video opened after the sound started
// (picture late), a video window that is not the layout's.
TEST_F(Playback, SetSourceStartsTheMixWithItsSettingsAndTheVideoBesideIt) {
  page_ = std::make_unique<CPKPlaybackWnd>(context());
  ASSERT_TRUE(page_->attach(sheet()));
  page_->setSource(source());
  EXPECT_EQ(videoWindow_, page_->part("VideoWnd"));
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"stop", "names /rec/aVoice.pcm /rec/amusic.pcm", "mix 120 80 40", "play"}));
  // The picture's clock starts with the sound's: it is put at the start as it runs.
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"open /rec/anoAudio.WMV", "run", "seek 0"}));
  EXPECT_TRUE(page_->playing());
}

// Catches: a strip that never hides, one that hides early, input that does not restart the ten
// seconds, and a key that brings the strip back and also acts.
TEST_F(Playback, ControlStripHidesAfterTenQuietSecondsAndInputBringsItBack) {
  open();
  advance(CPKPlaybackWnd::kHideDelayMs - 1);
  EXPECT_TRUE(page_->controlsVisible());
  advance(1);
  EXPECT_FALSE(page_->controlsVisible());

  shell().injectMouseMove(200, 300);
  EXPECT_TRUE(page_->controlsVisible());
  advance(CPKPlaybackWnd::kHideDelayMs - 100);
  shell().injectMouseMove(210, 300);  // restarts the ten seconds
  advance(CPKPlaybackWnd::kHideDelayMs - 1);
  EXPECT_TRUE(page_->controlsVisible());
  advance(1);
  EXPECT_FALSE(page_->controlsVisible());

  // OK on a hidden strip only shows it: the recording goes on playing.
  pressKey(kReturn);
  EXPECT_TRUE(page_->controlsVisible());
  EXPECT_TRUE(page_->playing());
  EXPECT_EQ(page_->focusIndex(), 0);
  advance(CPKPlaybackWnd::kHideDelayMs);
  EXPECT_FALSE(page_->controlsVisible());
}

// Catches: images that do not follow the state, a picture that runs on while the sound is
// paused, or resumes away from where the sound is.
TEST_F(Playback, PlayPauseTwiceReturnsToThePlayingImagesWithPictureAndSoundTogether) {
  open();
  EXPECT_EQ(image("NormalImage"), "PK/Play_Normal");
  advance(4000);
  click(page_->part("ControlWnd/BtnPlayPause"));
  EXPECT_FALSE(page_->playing());
  EXPECT_EQ(image("NormalImage"), "PK/Pause_Normal");
  EXPECT_EQ(image("HoverImage"), "PK/Pause_Hover");
  EXPECT_EQ(image("PushedImage"), "PK/Pause_Hover");
  advance(2000);  // paused: nothing moves
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "04"));
  click(page_->part("ControlWnd/BtnPlayPause"));
  EXPECT_TRUE(page_->playing());
  EXPECT_EQ(image("NormalImage"), "PK/Play_Normal");
  EXPECT_EQ(image("HoverImage"), "PK/Play_Hover");
  EXPECT_EQ(image("PushedImage"), "PK/Play_Hover");
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"pause", "resume"}));
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"pause", "seek 4000", "run", "seek 4000"}));
}

// Catches: a slider that only shows the position, a seek of the sound without the picture, a
// slider that seeks when the window itself moves it, seeks outside the recording.
TEST_F(Playback, MovingTheSliderSeeksSoundAndPictureButShowingThePositionDoesNot) {
  open();
  advance(1000);  // the window moved the slider itself ten times
  EXPECT_TRUE(calls_.engine.empty());
  auto* slider = static_cast<CEGUI::Slider*>(page_->part("ControlWnd/ProgressSlider"));
  slider->setCurrentValue(0.5f * slider->getMaxValue());
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"seek 37500"}));
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"seek 37500"}));
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "37"));
  advance(2000);
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "39"));

  // While the thumb is dragged the sound stays; letting go seeks once.
  calls_.engine.clear();
  CEGUI::WindowEventArgs args(slider);
  slider->fireEvent(CEGUI::Slider::EventThumbTrackStarted, args, CEGUI::Slider::EventNamespace);
  slider->setCurrentValue(0.1f * slider->getMaxValue());
  slider->setCurrentValue(0.2f * slider->getMaxValue());
  advance(300);  // the position does not pull the thumb back meanwhile
  EXPECT_NEAR(sliderShare(), 0.2f, 1e-4);
  EXPECT_TRUE(calls_.engine.empty());
  slider->fireEvent(CEGUI::Slider::EventThumbTrackEnded, args, CEGUI::Slider::EventNamespace);
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"seek 15000"}));

  page_->seekTo(-500);
  page_->seekTo(80000);
  EXPECT_EQ(calls_.engine.back(), "seek 75000");
  EXPECT_EQ(calls_.engine[calls_.engine.size() - 2], "seek 0");
}

// Catches: a focus order that skips the slider or does not wrap, Left/Right on the slider that
// move the focus instead of the position, a seek below zero.
TEST_F(Playback, RemoteKeysWalkTheControlsAndSeekTenSecondsOnTheSlider) {
  open();
  EXPECT_EQ(page_->focusIndex(), 0);
  pressKey(kDown);
  EXPECT_EQ(page_->focusIndex(), 1);
  EXPECT_TRUE(page_->part("ControlWnd/ProgressSlider")->isActive());
  advance(20000);
  shell().injectMouseMove(1, 1);
  pressKey(kRight);
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"seek 30000"}));
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"seek 30000"}));
  pressKey(kLeft);
  pressKey(kLeft);
  pressKey(kLeft);  // 0 s is as far back as it goes
  EXPECT_EQ(calls_.engine.back(), "seek 0");
  EXPECT_EQ(page_->focusIndex(), 1);
  pressKey(kReturn);  // OK on the slider pauses
  EXPECT_FALSE(page_->playing());
  pressKey(kDown);
  pressKey(kDown);
  EXPECT_EQ(page_->focusIndex(), 3);
  pressKey(kDown);
  EXPECT_EQ(page_->focusIndex(), 0);
  pressKey(kUp);
  EXPECT_EQ(page_->focusIndex(), 3);
  pressKey(kLeft);  // on a button Left moves the focus
  EXPECT_EQ(page_->focusIndex(), 2);
  EXPECT_TRUE(page_->part("ControlWnd/Upload")->isActive());
}

// Catches: a recording that ends with the window still "playing" (the button says pause while
// nothing moves), and play after the end that does nothing.
TEST_F(Playback, AtTheEndItRestsAndPlayStartsAgainFromTheTop) {
  open();
  advance(75000 + CPKPlaybackWnd::kPositionPeriodMs);
  EXPECT_FALSE(page_->playing());
  EXPECT_EQ(image("NormalImage"), "PK/Pause_Normal");
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("01", "15"));
  EXPECT_TRUE(page_->controlsVisible());
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"pause"}));
  calls_.engine.clear();
  click(page_->part("ControlWnd/BtnPlayPause"));
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"seek 0", "resume"}));
  advance(2000);
  EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "02"));
  EXPECT_TRUE(page_->playing());
}

// Catches: Upload ending with the wrong result, the works page not asked for, sound or video
// left running after the window has gone, "PlayBackEndPlay" not fired.
TEST_F(Playback, UploadEndsWithOneStopsEverythingAndOpensTheWorksPage) {
  open();
  click(page_->part("ControlWnd/Upload"));
  EXPECT_EQ(results_, (std::vector<int>{1}));
  EXPECT_EQ(endPlays_, 1);
  EXPECT_EQ(page_->pageWindow(), nullptr);
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"stop"}));
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"close"}));
  advance(CPKPlaybackWnd::kPositionPeriodMs * 3);  // no timer of the gone window fires
  EXPECT_EQ(calls_.engine.size(), 1u);
  EXPECT_EQ(worksOpens_, 1);
}

// Catches: Back (button, Escape, the key map's Back) ending with 1 or opening the works page,
// and a Back that needs the strip to be showing.
class PlaybackBack : public Playback, public ::testing::WithParamInterface<const char*> {};

TEST_P(PlaybackBack, EndsWithZeroAndNoWorksPage) {
  open();
  const std::string way = GetParam();
  if (way == "button") {
    click(page_->part("ControlWnd/Back"));
  } else if (way == "escape") {
    pressKey(kEscape);
  } else {
    advance(CPKPlaybackWnd::kHideDelayMs);  // strip hidden: Back works all the same
    ASSERT_FALSE(page_->controlsVisible());
    KeyMapEntry back{L"Back", 14, L"VK_BACK", L""};
    keyMap_->setEntry(back);
    pressKey(14);
  }
  EXPECT_EQ(results_, (std::vector<int>{0}));
  EXPECT_EQ(endPlays_, 1);
  advance(10);
  EXPECT_EQ(worksOpens_, 0);
  EXPECT_EQ(calls_.engine, (std::vector<std::string>{"stop"}));
}

INSTANTIATE_TEST_SUITE_P(Ways, PlaybackBack, ::testing::Values("button", "escape", "mappedKeyWhileHidden"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Catches: a picture left to drift from the sound, one pulled about for a difference nobody sees,
// corrections while paused, and a short video dragged back past its end instead of looping.
TEST_F(Playback, APictureThatDriftsFromTheSoundIsPutBackWhereTheSoundIs) {
  open();
  calls_.videoMs = 60000;
  advance(5000);
  calls_.pictureMs = 5100 - CPKPlaybackWnd::kResyncMs;  // within the margin at the next tick
  advance(CPKPlaybackWnd::kPositionPeriodMs);
  EXPECT_TRUE(calls_.video.empty());
  calls_.pictureMs = 4800;  // lags
  advance(CPKPlaybackWnd::kPositionPeriodMs);
  EXPECT_EQ(calls_.video, (std::vector<std::string>{"seek 5200"}));
  calls_.pictureMs = 4800;  // still reported while the picture gets there: left alone
  advance(CPKPlaybackWnd::kPositionPeriodMs * CPKPlaybackWnd::kResyncHoldTicks);
  EXPECT_EQ(calls_.video.size(), 1u);
  calls_.pictureMs = 5600;  // leads
  advance(CPKPlaybackWnd::kPositionPeriodMs);
  EXPECT_EQ(calls_.video.back(), "seek 5800");
  calls_.video.clear();
  page_->togglePlay();
  calls_.video.clear();
  calls_.pictureMs = 1000;
  advance(CPKPlaybackWnd::kPositionPeriodMs * 5);
  EXPECT_TRUE(calls_.video.empty());  // paused: the picture was put in place when it paused
  page_->seekTo(61000);
  page_->togglePlay();
  calls_.video.clear();
  calls_.pictureMs = 200;  // the video ended and started again
  advance(CPKPlaybackWnd::kPositionPeriodMs * 5);
  EXPECT_TRUE(calls_.video.empty());
}

// Catches: a crash or a stuck window when the silent video is missing or damaged: the sound
// plays, play/pause and seeking work, the window closes.
TEST_F(Playback, AMissingOrBrokenVideoLeavesThePictureEmptyWhileTheSoundPlays) {
  writeFile(install_.path() + "/Temp/broken.WMV", "not a video at all");
  for (const std::string& file : {std::string("/Temp/none.WMV"), std::string("/Temp/broken.WMV")}) {
    PlaybackWndContext c;
    c.engine = std::make_unique<ClockMix>(calls_);
    page_ = std::make_unique<CPKPlaybackWnd>(std::move(c));  // the real video player
    ASSERT_TRUE(page_->attach(sheet()));
    ASSERT_NE(dynamic_cast<CEGUI::VideoWnd*>(page_->part("VideoWnd")), nullptr);
    PlaybackSource s = source();
    s.videoPath = oscompat::wideFromUtf8(install_.path() + file);
    page_->setSource(s);
    shell().runFrame();
    advance(1500);
    EXPECT_EQ(text("ControlWnd/CurTime"), fullWidth("00", "01"));
    page_->togglePlay();
    page_->seekTo(30000);
    page_->togglePlay();
    shell().runFrame();
    EXPECT_TRUE(page_->playing());
    page_->back();
    EXPECT_EQ(page_->pageWindow(), nullptr);
    page_.reset();
  }
}

// --------------------------------------------------------------------------------------------
// The real video player behind the window

// Catches: a picture that stays where it was when the sound is moved, a pause that lets the
// picture run on, and frames that never reach the window.
TEST_F(Playback, TheWorksOwnSilentVideoFollowsSeekAndPause) {
  const std::string video = install_.path() + "/Temp/knoAudio.WMV";
  ASSERT_TRUE(writeSilentVideo(video, 4.0, 320, 200, 25));
  IPlaybackVideo* picture = nullptr;
  PlaybackWndContext c;
  c.engine = std::make_unique<ClockMix>(calls_);
  c.video = [&picture](CEGUI::Window* w) {
    std::unique_ptr<IPlaybackVideo> v = makePlaybackVideo(w);  // the real player
    picture = v.get();
    return v;
  };
  page_ = std::make_unique<CPKPlaybackWnd>(std::move(c));
  ASSERT_TRUE(page_->attach(sheet()));
  ASSERT_NE(picture, nullptr);
  PlaybackSource s = source();
  s.videoPath = oscompat::wideFromUtf8(video);
  // Twice, as a window given a second source: the second file plays in the same window.
  page_->setSource(s);
  page_->setSource(s);
  EXPECT_NEAR(picture->durationMs(), 4000, 100);
  auto* renderer = dynamic_cast<CEGUI::FalagardVideo*>(page_->part("VideoWnd")->getWindowRenderer());
  ASSERT_NE(renderer, nullptr);
  ASSERT_TRUE(shell().pumpUntil([&] {
    shell().runFrame();
    CEGUI::System::getSingleton().renderAllGUIContexts();
    return renderer->framesDrawn() > 0;
  }));
  page_->togglePlay();  // pause
  page_->seekTo(2000);
  // The streaming thread moves: real time, bounded.
  ASSERT_TRUE(shell().pumpUntil([&] { return std::abs(picture->positionMs() - 2000) <= 40; }));
  const int held = picture->positionMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // real time: the graph's own clock
  EXPECT_EQ(picture->positionMs(), held);
  page_->back();  // the player goes, and takes its window with it
  EXPECT_EQ(page_->pageWindow(), nullptr);
}

// --------------------------------------------------------------------------------------------
// The works row that opens it

class QuietNetwork : public IWorksNetwork {
 public:
  int RequestUpload(const IUploadProductInfo*) override { return 0; }
  int ResumeUpload(int) override { return 0; }
  int SuspendUpload() override { return 0; }
  int UploadFile(const std::wstring&, const std::wstring&, const std::wstring&) override { return 0; }
  int RequestWorksList(int) override { return 0; }
  int DeleteWork(int) override { return 0; }
};

class WorksRowPlay : public Playback {
 protected:
  void SetUp() override {
    Playback::SetUp();
    album_ = std::make_unique<CAlbumManager>(std::make_unique<QuietNetwork>());
    temp_ = install_.path() + "/Temp/";
    const std::wstring root(install_.path().begin(), install_.path().end());
    album_->setWorksFilePath(root + L"/PKData/10001.xml");
    album_->setUser(L"10001");
  }
  void TearDown() override {
    if (works_) {
      works_->closePage();
      delete works_;
    }
    album_.reset();
    Playback::TearDown();
  }
  UploadItem work(const std::string& name) {
    UploadItem w;
    w.Key = std::wstring(name.begin(), name.end());
    w.Song = L"歌曲";
    w.RecordTime = L"2026/12/10 12:00";
    const std::wstring temp(temp_.begin(), temp_.end());
    w.VoicePcmFile = temp + w.Key + L"Voice.pcm";
    w.MusicPcmFile = temp + w.Key + L"music.pcm";
    w.SoundlessVideoFile = temp + w.Key + L"noAudio.WMV";
    w.LyricFile = temp + w.Key + L".lyric";
    w.UploadFile = temp + w.Key + L".WMV";
    return w;
  }
  void record(const UploadItem& w) {
    writeFile(oscompat::utf8FromWide(w.VoicePcmFile), std::string(4410, '\0'));
    writeFile(oscompat::utf8FromWide(w.MusicPcmFile), std::string(8820, '\0'));
  }
  void openWorks() {
    AlbumWndContext c;
    c.playbackFactory = [this] {
      auto* page = new CPKPlaybackWnd(context());
      opened_.push_back(page);
      return page;
    };
    works_ = createWorksWindow(sheet(), std::move(c));
    ASSERT_NE(works_, nullptr);
  }
  CLocalRecordingItem& row(int i) { return *works_->localList()->items()[static_cast<std::size_t>(i)]; }

  std::unique_ptr<CAlbumManager> album_;
  std::string temp_;
  CAlbumWnd* works_ = nullptr;
  std::vector<CPKPlaybackWnd*> opened_;
};

// Catches: Play left disabled, the window given another work's files, the row keeping a
// window that has ended, and a Back that leaves the works page without its modal focus.
TEST_F(WorksRowPlay, PlayOpensTheWorksRecordingsAndBackReturnsToTheRow) {
  const UploadItem w = work("20261210120000_101");
  record(w);
  album_->addRecording(w);
  openWorks();
  CEGUI::Window* play = row(0).child("Play");
  ASSERT_TRUE(play->isVisible());
  EXPECT_FALSE(play->isDisabled());
  click(play);
  ASSERT_EQ(opened_.size(), 1u);
  ASSERT_EQ(row(0).dialog("PlayBack"), opened_[0]);
  EXPECT_EQ(opened_[0]->source().voicePath, w.VoicePcmFile);
  EXPECT_EQ(opened_[0]->source().musicPath, w.MusicPcmFile);
  EXPECT_EQ(opened_[0]->source().videoPath, w.SoundlessVideoFile);
  EXPECT_EQ(calls_.video,
            (std::vector<std::string>{"open " + oscompat::utf8FromWide(w.SoundlessVideoFile), "run", "seek 0"}));
  EXPECT_EQ(CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow(), opened_[0]->pageWindow());
  pressKey(kEscape);
  EXPECT_EQ(row(0).dialog("PlayBack"), nullptr);
  advance(10);  // the ended window is freed
  EXPECT_EQ(CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow(), nullptr);
  EXPECT_EQ(worksOpens_, 0);
}

// Catches: a crash or an empty playback when the recordings were removed, before or after the
// row was drawn.
TEST_F(WorksRowPlay, ARowWhoseRecordingsAreGoneDoesNotPlay) {
  const UploadItem never = work("20261210120000_101");
  const UploadItem removed = work("20261210120000_102");
  record(removed);
  album_->addRecording(never);
  album_->addRecording(removed);
  openWorks();
  const auto rowOf = [this](const UploadItem& w) -> CLocalRecordingItem& {
    for (int i = 0; i < 6; ++i)
      if (row(i).work() && row(i).work()->Key == w.Key) return row(i);
    return row(0);
  };
  EXPECT_TRUE(rowOf(never).child("Play")->isDisabled());
  CEGUI::Window* play = rowOf(removed).child("Play");
  ASSERT_FALSE(play->isDisabled());
  std::filesystem::remove(oscompat::utf8FromWide(removed.VoicePcmFile));
  click(play);
  EXPECT_TRUE(opened_.empty());
  EXPECT_TRUE(play->isDisabled());
  rowOf(never).play();  // from code as well
  EXPECT_TRUE(opened_.empty());
}

// Catches: Upload from a work's playback that does nothing for that work (no upload, no mix
// first for an unmixed one), pauses an upload under way, or leaves the works page.
TEST_F(WorksRowPlay, UploadFromTheRowsPlaybackUploadsThatWork) {
  UploadItem mixed = work("20261210120000_101");
  mixed.Mixed = 1;
  const UploadItem unmixed = work("20261210120000_102");
  record(mixed);
  record(unmixed);
  album_->addRecording(mixed);
  album_->addRecording(unmixed);
  int mixes = 0;
  AlbumWndContext c;
  c.playbackFactory = [this] {
    auto* page = new CPKPlaybackWnd(context());
    opened_.push_back(page);
    return page;
  };
  c.mixFactory = [&mixes](const UploadItem&) -> std::unique_ptr<IMix> {
    ++mixes;
    return nullptr;  // counted only
  };
  works_ = createWorksWindow(sheet(), std::move(c));
  ASSERT_NE(works_, nullptr);
  const auto rowOf = [this](const std::wstring& key) -> CLocalRecordingItem& {
    for (int i = 0; i < 6; ++i)
      if (row(i).work() && row(i).work()->Key == key) return row(i);
    return row(5);
  };
  const auto uploadFromPlayback = [&](const std::wstring& key) {
    click(rowOf(key).child("Play"));
    ASSERT_FALSE(opened_.empty());
    click(opened_.back()->part("ControlWnd/Upload"));
    EXPECT_EQ(rowOf(key).dialog("PlayBack"), nullptr);
  };
  uploadFromPlayback(mixed.Key);
  EXPECT_TRUE(rowOf(mixed.Key).showingUpload());
  uploadFromPlayback(mixed.Key);  // under way: it goes on
  EXPECT_TRUE(rowOf(mixed.Key).showingUpload());
  uploadFromPlayback(unmixed.Key);
  EXPECT_EQ(mixes, 1);
  EXPECT_EQ(works_->localList()->mixKey(), unmixed.Key);
  advance(10);
  EXPECT_EQ(worksOpens_, 3);  // the works page is the one showing: it stays
}

// --------------------------------------------------------------------------------------------
// The engine's own live mix behind the window

class EngineLiveMix : public Playback {
 protected:
  void SetUp() override {
    Playback::SetUp();
    // In real time, so that the window's checks find the three seconds still playing.
    ::setenv("VOKARAN_AUDIO", "file", 1);
    ::setenv("VOKARAN_AUDIO_PACE", "realtime", 1);
    ASSERT_EQ(VokaOpenW(oscompat::wideFromUtf8(std::string(VK_DIST_DIR) + "/PKData/RadeZuz76e.sdc").c_str()), 0);
    voice_ = oscompat::wideFromUtf8(install_.path() + "/Temp/kVoice.pcm");
    music_ = oscompat::wideFromUtf8(install_.path() + "/Temp/kmusic.pcm");
    // Three seconds at the engine's 44100 Hz: mono voice, stereo music.
    writeFile(oscompat::utf8FromWide(voice_), std::string(2 * 3 * 44100, '\x01'));
    writeFile(oscompat::utf8FromWide(music_), std::string(4 * 3 * 44100, '\x01'));
  }
  void TearDown() override {
    page_.reset();
    VokaClose();
    Playback::TearDown();
  }
  // The engine runs on its own threads: a bounded real-time wait.
  static bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  std::wstring voice_, music_;
};

// Catches: the adapter calling the wrong export (a position in seconds, a seek that does not
// reach the mix), an end that is not seen, or one that sticks after the mix was moved back.
TEST_F(EngineLiveMix, MovesPausesAndEndsAsTheWindowAsks) {
  std::unique_ptr<IPlaybackEngine> mix = makeEnginePlayback();
  EXPECT_EQ(mix->totalSeconds(voice_, music_), 3);
  mix->stop();
  mix->setNames(voice_, music_);
  mix->setMix(100, 100, 0);
  ASSERT_TRUE(mix->play());
  mix->pause(true);
  mix->seekMs(2500);
  EXPECT_EQ(mix->positionMs(), 2500);
  EXPECT_FALSE(mix->ended());
  mix->pause(false);
  ASSERT_TRUE(waitFor([&] { return mix->ended(); }));
  EXPECT_EQ(mix->positionMs(), 3000);
  mix->seekMs(500);
  EXPECT_FALSE(mix->ended());
  mix->stop();
  EXPECT_EQ(mix->positionMs(), 0);
}

// Catches: a window that cannot play a real recording (names, gains or start not reaching the
// engine) or leaves the engine's mix running after Back.
TEST_F(EngineLiveMix, TheWindowPlaysARealRecordingAndBackStopsIt) {
  PlaybackWndContext c;
  c.video = [this](CEGUI::Window*) -> std::unique_ptr<IPlaybackVideo> { return std::make_unique<NotedVideo>(calls_); };
  page_ = std::make_unique<CPKPlaybackWnd>(std::move(c));
  ASSERT_TRUE(page_->attach(sheet()));
  PlaybackSource s;
  s.voicePath = voice_;
  s.musicPath = music_;
  page_->setSource(s);
  EXPECT_EQ(text("ControlWnd/TotalTime"), fullWidth("00", "03"));
  EXPECT_NE(GetRecMixState(), 0);
  click(page_->part("ControlWnd/BtnPlayPause"));
  EXPECT_EQ(GetRecMixState(), 3);
  page_->seekTo(1500);
  EXPECT_EQ(GetRecMixPlayPosMs(), 1500);
  click(page_->part("ControlWnd/Back"));
  EXPECT_EQ(GetRecMixState(), 0);
  EXPECT_EQ(GetRecMixPlayPosMs(), 0);
}

}  // namespace
}  // namespace vktest

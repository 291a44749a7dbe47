// The application while a song is sung: a song queued at start plays with the play control
// bar showing its time, the bar's commands act on the engine and the queue, and the end of the
// song shows its score window and brings the menus back; leaving the score window keeps the
// song in the sang list.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppFixture.h"
#include "PK/CMissonManager.h"
#include "app/CPlayCtrolBar.h"
#include "app/TextConvert.h"
#include "catalog/CSongList.h"
#include "app/PracticeMenu.h"
#include "catalog/QueueLists.h"
#include "widgets/MultiColumnListEx.h"
#include "vokaran/Vokaran.h"

namespace {

class SongPlay : public vktest::App {
 protected:
  SongPlay() : App(true) {}
  void SetUp() override {
    App::SetUp();
    ::setenv("VOKARAN_QUEUE_SONGS", "100002:两只老虎", 1);
  }
  void TearDown() override {
    ::unsetenv("VOKARAN_QUEUE_SONGS");
    App::TearDown();
  }
  CMissonManager& missons() { return *app_->missonManager(); }
  bool singing() { return app_->contestSinging(); }
  std::string text(const CEGUI::String& name) { return window(name)->getText().c_str(); }
};

TEST_F(SongPlay, AQueuedSongPlaysWithTheBarAndItsEndBringsTheMenusBack) {
  start();
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 60000));
  // Without the launcher's tone selection nothing is asked.
  EXPECT_EQ(app_->toneChoice(), nullptr);
  EXPECT_TRUE(app_->playCtrolBar()->isVisible());
  EXPECT_FALSE(window("MainMenu")->isVisible());
  EXPECT_EQ(text("PlayCtrolWnd/CurTime"), "00：00");
  EXPECT_NE(text("PlayCtrolWnd/TotalTime"), "00：00");
  // The title tells what is being sung.
  app_->advance(50);
  EXPECT_NE(text("AppRoot/Title").find("正在播放：两只老虎"), std::string::npos);

  // The time display follows the engine every second.
  ASSERT_TRUE(app_->pumpUntil([] { return VokaGetMidiTime() >= VOKA_TICKS_PER_SECOND; }, 10000));
  app_->advance(1000);
  EXPECT_NE(text("PlayCtrolWnd/CurTime"), "00：00");

  // Cut: the engine stops and the song ends the ordinary way.
  app_->cutSong();
  EXPECT_FALSE(app_->playCtrolBar()->isVisible());
  ASSERT_TRUE(app_->pumpUntil([&] { return !singing() && window("MainMenu")->isVisible(); }, 10000));
  // The score window waits for the singer; the key map's Back key leaves it.
  ASSERT_NE(window("PKEndScoreWnd"), nullptr);
  EXPECT_TRUE(missons().sang().empty());
  press(CEGUI::Key::Escape);
  EXPECT_EQ(window("PKEndScoreWnd"), nullptr);
  ASSERT_EQ(missons().sang().size(), 1u);
  EXPECT_EQ(missons().sang()[0]->song.SongID, L"100002");
  EXPECT_EQ(missons().current(), nullptr);
  // Keys and mouse no longer bring the bar back.
  press(CEGUI::Key::ArrowRight);
  EXPECT_FALSE(app_->playCtrolBar()->isVisible());

  app_->requestQuit();
  app_->advance(0);
  app_->shutDown();
  EXPECT_NE(vktest::readFile(install_.path() + "/PKData/AppSets/SangSet.xml").find("Value=\"100002\""),
            std::string::npos);
}

// A list opened over the song (to choose the next songs) keeps the remote's keys: the play
// control bar does not come up and take the focus from it.
TEST_F(SongPlay, AListOpenedDuringTheSongKeepsTheKeys) {
  start();
  CSongList* list = openQueueList();  // open before the song has come
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 60000));
  EXPECT_FALSE(app_->playCtrolBar()->isVisible());
  press(CEGUI::Key::ArrowRight);
  press(CEGUI::Key::ArrowDown);
  EXPECT_FALSE(app_->playCtrolBar()->isVisible());
  EXPECT_TRUE(list->list()->isActive());
  press(CEGUI::Key::Escape);  // the list ends; now a key brings the bar back
  press(CEGUI::Key::ArrowRight);
  EXPECT_TRUE(app_->playCtrolBar()->isVisible());
  app_->cutSong();
}

// A practice-menu page that ends while a contest song is sung leaves the menus hidden; they
// come back when the song has ended.
TEST_F(SongPlay, ThePracticeMenuStaysAwayWhileASongIsSung) {
  start();
  press(CEGUI::Key::ArrowRight);
  press(CEGUI::Key::Return);  // 练歌房
  ASSERT_TRUE(app_->practiceMenu()->isShowing());
  press(CEGUI::Key::ArrowDown);  // 参赛练歌: 参赛歌曲
  press(CEGUI::Key::ArrowDown);  // (no deeper level)
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 60000));
  EXPECT_FALSE(app_->practiceMenu()->isShowing());
  app_->practiceMenu()->openQueue();
  ASSERT_EQ(app_->menuPages().count("SongList"), 1u);
  press(CEGUI::Key::Escape);  // the queue list ends over the song
  app_->advance(0);
  EXPECT_TRUE(app_->menuPages().empty());
  EXPECT_FALSE(app_->practiceMenu()->isShowing());
  EXPECT_FALSE(window("MainMenu")->isVisible());
  app_->cutSong();
  ASSERT_TRUE(app_->pumpUntil([&] { return !singing() && window("MainMenu")->isVisible(); }, 10000));
  EXPECT_TRUE(app_->practiceMenu()->isShowing());
}

TEST_F(SongPlay, TheGuideMelodySwitchRestoresTheVolumeItFound) {
  start();
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 60000));
  MidiSetMelodyVolume(77);
  app_->toggleGuideMelody();
  EXPECT_EQ(MidiGetMelodyVolume(), 0);
  EXPECT_FALSE(app_->playCtrolBar()->melodyOn());
  EXPECT_EQ(text("AppRoot/MelodyInfo"), "主旋关闭");
  EXPECT_TRUE(window("AppRoot/MelodyInfo")->isVisible());
  app_->advance(2000);
  EXPECT_FALSE(window("AppRoot/MelodyInfo")->isVisible());
  app_->toggleGuideMelody();
  EXPECT_EQ(MidiGetMelodyVolume(), 77);
  EXPECT_EQ(text("AppRoot/MelodyInfo"), "主旋打开");
  EXPECT_TRUE(app_->playCtrolBar()->melodyOn());
}

TEST_F(SongPlay, ReSingingSingsTheSameSongAgainAndPauseLeavesAContestSongAlone) {
  start();
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 60000));
  const MissonKey key = missons().current()->key;
  app_->pauseOrResume();  // a contest song is sung through
  EXPECT_EQ(missons().current()->state, CBaseMisson::Playing);
  app_->reSing();
  ASSERT_TRUE(app_->pumpUntil([&] { return missons().sang().size() == 1 && singing(); }, 30000));
  EXPECT_EQ(missons().current()->key, key);
  EXPECT_EQ(missons().waitingCount(), 0u);
}

// Without a song, cut only clears the state image.
using vktest::App;
TEST_F(App, CutWithNothingPlayingOnlyClearsTheStateImage) {
  start();
  window("AppRoot/StateFlg")->setProperty("Image", "VokaranStage/Background");
  app_->cutSong();
  EXPECT_EQ(window("AppRoot/StateFlg")->getProperty("Image"), "");
  EXPECT_EQ(app_->missonManager()->current(), nullptr);
  EXPECT_TRUE(window("MainMenu")->isVisible());
}

}  // namespace

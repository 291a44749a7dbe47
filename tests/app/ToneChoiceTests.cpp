// The key choice before a contest song, through the application with a real service and the
// engine: the song waits for the choice, the choice reaches the "KEY" setting through the
// engine's fitting, and a song cut or a program ended meanwhile starts nothing.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppFixture.h"
#include "AppSet/AudioSet.h"
#include "PK/CMissonManager.h"
#include "PK/CPKSelectToneWnd.h"
#include "vokaran/Vokaran.h"

namespace {

class ToneSong : public vktest::App {
 protected:
  ToneSong() : App(true) {}
  void SetUp() override {
    App::SetUp();
    ::setenv("VOKARAN_QUEUE_SONGS", "100002:两只老虎", 1);
    app_->appOptions().NorSet_SelTone = 1;
  }
  void TearDown() override {
    ::unsetenv("VOKARAN_QUEUE_SONGS");
    App::TearDown();
  }
  bool singing() { return app_->contestSinging(); }
  int setting(const wchar_t* name) { return app_->audioSet().getItem(name)->value(); }
  // Starts the program and waits until the queued song asks for its key.
  void startUntilAsked() {
    start();
    // What the singer chose for the song before.
    app_->audioSet().getItem(L"KEY")->setValue(4, true);
    app_->audioSet().getItem(L"TEMPO")->setValue(120, true);
    ASSERT_TRUE(app_->pumpUntil([&] { return app_->toneChoice() != nullptr; }, 60000));
    EXPECT_FALSE(singing());
    CEGUI::Window* page = window("SelectToneWnd");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->getGUIContext().getModalWindow(), page);
  }
  CEGUI::String stageImage() { return window("AppRoot/Background")->getProperty("Image"); }
};

// Catches a key kept from the song before, or a song that starts before the choice ends.
TEST_F(ToneSong, CancelSingsInTheSongsOwnKeyOnTheContestStage) {
  ASSERT_NO_FATAL_FAILURE(startUntilAsked());
  EXPECT_EQ(stageImage(), "VokaranStage/Background");
  press(CEGUI::Key::ArrowRight);
  press(CEGUI::Key::Return);  // Cancel
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 10000));
  EXPECT_EQ(app_->toneChoice(), nullptr);
  EXPECT_EQ(setting(L"KEY"), 0);
  EXPECT_EQ(setting(L"TEMPO"), 100);
  EXPECT_EQ(stageImage(), "PkBackgroundImageSet/full_image");

  app_->cutSong();
  ASSERT_TRUE(app_->pumpUntil([&] { return !singing() && window("MainMenu")->isVisible(); }, 10000));
  EXPECT_EQ(stageImage(), "VokaranStage/Background");
}

// The fitted key is the engine's answer for the singer's level, and the singer is told.
TEST_F(ToneSong, TheFittedKeyComesFromTheEngineAndIsAnnounced) {
  ASSERT_NO_FATAL_FAILURE(startUntilAsked());
  ASSERT_NE(app_->lastUserTone().second, 0);  // the demo user has a measured range
  press(CEGUI::Key::Return);                  // OK with the preselected fitted key
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 10000));
  const int fitted = VokaSetSingerLevel(app_->lastUserTone().second, app_->lastUserTone().first);
  EXPECT_EQ(setting(L"KEY"), fitted);
  EXPECT_EQ(setting(L"TEMPO"), 100);
  CEGUI::Window* tip = window("AudioKeyInfo/KeyTipWnd/Text");
  ASSERT_NE(tip, nullptr);
  const std::string told = tip->getText().c_str();
  EXPECT_NE(told.find(fitted == 0 ? "原调" : "个调"), std::string::npos) << told;
}

TEST_F(ToneSong, AMaleKeyStartsFromTheSongsKey) {
  ASSERT_NO_FATAL_FAILURE(startUntilAsked());
  press(CEGUI::Key::ArrowDown);  // MyTone
  press(CEGUI::Key::ArrowDown);  // MaleTone
  press(CEGUI::Key::Return);     // chosen, the focus on OK
  press(CEGUI::Key::Return);
  ASSERT_TRUE(app_->pumpUntil([&] { return singing(); }, 10000));
  EXPECT_EQ(setting(L"KEY"), 0);
}

// Catches a song started by a choice that ends after its song was cut, and a dialog left open.
TEST_F(ToneSong, CuttingTheSongWhileItsKeyIsChosenStartsNothing) {
  ASSERT_NO_FATAL_FAILURE(startUntilAsked());
  app_->cutSong();
  EXPECT_EQ(app_->toneChoice(), nullptr);
  EXPECT_EQ(window("SelectToneWnd"), nullptr);
  for (int i = 0; i < 20; ++i) app_->advance(100);
  EXPECT_FALSE(singing());
  EXPECT_EQ(app_->missonManager()->current(), nullptr);
  EXPECT_EQ(app_->missonManager()->sang().size(), 1u);
  EXPECT_EQ(CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow(), nullptr);
  EXPECT_TRUE(window("MainMenu")->isVisible());
}

TEST_F(ToneSong, EndingTheProgramWhileTheKeyIsChosenStartsNothing) {
  ASSERT_NO_FATAL_FAILURE(startUntilAsked());
  app_->requestQuit();
  app_->advance(0);
  app_->shutDown();
  EXPECT_EQ(vktest::cleanups, 1);
  EXPECT_EQ(app_->toneChoice(), nullptr);
  EXPECT_EQ(VokaGetPlayState(), 0);
}

}  // namespace

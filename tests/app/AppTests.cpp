// The application object headless on the virtual clock: start-up order and progress, the exit
// paths, the application's event handlers, the main menu, the title and the global keys.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <thread>

#include "AppFixture.h"
#include "app/AppEventArgs.h"
#include "app/CInfoTipManager.h"
#include "app/DeviceChoice.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "app/TextConvert.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Display.h"
#include "oscompat/ShellOpen.h"

using vktest::App;
using vktest::cleanups;

TEST_F(App, StartUpShowsProgressInOrderThenTheRootPageWithItsMenu) {
  ASSERT_TRUE(app_->startUp());
  auto* bar = dynamic_cast<CEGUI::ProgressBar*>(window("AppInit/ProgressInit"));
  ASSERT_NE(bar, nullptr);
  std::vector<float> progress;
  bar->subscribeEvent(CEGUI::ProgressBar::EventProgressChanged,
                      CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                        progress.push_back(bar->getProgress());
                        return false;
                      }));
  ASSERT_TRUE(app_->pumpUntil([&] { return app_->startupDone(); }));
  EXPECT_EQ(progress, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 1.0f}));
  EXPECT_EQ(window("AppInit"), nullptr);  // the start-up window is gone
  ASSERT_NE(window("MainMenu/Menubar"), nullptr);
  EXPECT_TRUE(window("MainMenu")->isVisible());
  EXPECT_TRUE(window("MainMenu/Menubar/PK")->isDisabled());  // the current section
  EXPECT_FALSE(window("MainMenu/Menubar/Practice")->isDisabled());
  EXPECT_NE(install_.log().find("AppInitDone"), std::string::npos);
}

// Start-up asks the service about the user and waits for the menu version; at its end it asks
// for the contest square without waiting, and the square's end arrives as an event that takes
// the loading notice away. Each reply is in the log.
// Every step of start-up and clean-up is built: none is skipped as not built yet.
TEST_F(App, StartUpAndCleanUpSkipNoStep) {
  start();
  app_->requestQuit();
  app_->advance(0);
  app_->shutDown();
  const std::string log = install_.log();
  EXPECT_EQ(log.find("is not built yet"), std::string::npos) << log;
  EXPECT_NE(log.find("cleanupApp done"), std::string::npos);
}

TEST_F(App, StartUpTakesUserMenuAndSquareFromTheService) {
  start();
  ASSERT_TRUE(app_->pumpUntil(
      [&] { return install_.log().find("square information reply was handled") != std::string::npos; }, 30000));
  EXPECT_FALSE(window("AppRoot/LoadingInfo")->isVisible());
  EXPECT_EQ(app_->userInfor().VokaCoin, L"100.00");
  EXPECT_EQ(app_->lastUserTone(), std::make_pair(62, 3));
  const std::string log = install_.log();
  EXPECT_NE(log.find("network reply 5024 status 0"), std::string::npos);  // no menu file yet
  EXPECT_NE(log.find("network reply 6323 status 0"), std::string::npos);
  EXPECT_LT(log.find("network reply 5024"), log.find("AppInitDone"));
  EXPECT_NE(vktest::readFile(install_.path() + "/PKData/AppSets/NetMenu.xml").find("menuVersion=\"2024.1\""),
            std::string::npos);
  EXPECT_TRUE(app_->dialogs().empty());
  EXPECT_NE(log.find("/PKData/10001.xml"), std::string::npos);  // the works file of this user
}

// Without the service every request fails, yet start-up completes; the failed square opens the
// network error dialog.
TEST_F(App, WithoutTheServiceStartUpCompletesAndOffersTheNetworkErrorDialog) {
  ::setenv("VOKARAN_SERVICE_URL", ("http://127.0.0.1:" + std::to_string(vk::netlink::test::closedPort())).c_str(), 1);
  ASSERT_TRUE(app_->startUp());
  ASSERT_TRUE(app_->pumpUntil([&] { return app_->startupDone() && app_->dialogs().count("NetErrorPage"); }, 30000));
  EXPECT_NE(install_.log().find("network reply 6323 status -15004"), std::string::npos);
  press(CEGUI::Key::Return);  // its one button: the module ends
  EXPECT_TRUE(app_->quitRequested());
}

TEST_F(App, UnreadableEngineDataStopsStartUpAfterTheMessageBox) {
  std::filesystem::remove(install_.path() + "/PKData/RadeZuz76e.sdc");
  ASSERT_TRUE(app_->startUp());
  ASSERT_TRUE(app_->pumpUntil([&] { return window("MessageBoxWnd/Message") != nullptr; }));
  EXPECT_EQ(window("MessageBoxWnd/Message")->getText(), "VokaOpen() of Vokaran.dll not open file");
  EXPECT_EQ(window("MessageBoxWnd/Title")->getText(), "Error");
  EXPECT_FALSE(app_->quitRequested());  // start-up waits for the answer
  press(CEGUI::Key::Return);
  ASSERT_TRUE(app_->pumpUntil([&] { return app_->quitRequested(); }));
  EXPECT_FALSE(app_->startupDone());
  EXPECT_EQ(window("MainMenu"), nullptr);  // no main menu was ever shown
  app_->shutDown();
  EXPECT_EQ(cleanups, 1);
}

TEST_F(App, ConfirmedExitQuitsAndCleansUpOnce) {
  start();
  postGlobal(Win32AppHelper::eventExitApp, new CEGUI::EventArgs);
  ASSERT_EQ(app_->dialogs().count("Exit"), 1u);
  postGlobal(Win32AppHelper::eventExitApp, new CEGUI::EventArgs);  // asked again while open
  EXPECT_EQ(app_->dialogs().size(), 1u);
  EXPECT_FALSE(app_->quitRequested());
  press(CEGUI::Key::Return);  // on the first button, "yes"
  EXPECT_TRUE(app_->quitRequested());
  app_->advance(0);
  EXPECT_EQ(app_->dialogs().count("Exit"), 0u);
  app_->shutDown();
  app_->shutDown();
  EXPECT_EQ(cleanups, 1);
  EXPECT_TRUE(app_->cleanupDone());
  EXPECT_NE(install_.log().find("cleanupApp done"), std::string::npos);
}

TEST_F(App, DeclinedExitKeepsRunningAndTheExitKeyAnswersNo) {
  start();
  postGlobal(Win32AppHelper::eventExitApp, new CEGUI::EventArgs);
  press(CEGUI::Key::ArrowRight);
  press(CEGUI::Key::Return);  // "no"
  EXPECT_FALSE(app_->quitRequested());
  app_->advance(0);
  EXPECT_TRUE(app_->dialogs().empty());
  postGlobal(Win32AppHelper::eventExitApp, new CEGUI::EventArgs);
  press(CEGUI::Key::Escape);  // the key map's Exit key
  EXPECT_FALSE(app_->quitRequested());
  app_->advance(0);
  EXPECT_TRUE(app_->dialogs().empty());
  press(CEGUI::Key::Escape);  // with nothing open: no effect
  EXPECT_TRUE(app_->dialogs().empty());
}

// Every way out ends the loop; the clean-up runs once whichever it was.
TEST_F(App, ImmediateExitSystemExitAndConfirmedNetworkErrorAllQuit) {
  start();
  postGlobal(Win32AppHelper::eventPkExitApp, new CEGUI::EventArgs);
  EXPECT_TRUE(app_->quitRequested());
  app_->quit(false);
  postGlobal(EventNames::ExitSystem, new CEGUI::EventArgs);
  EXPECT_TRUE(app_->quitRequested());
  app_->quit(false);
  postGlobal(EventNames::NetErrorWnd, new CEGUI::EventArgs);
  ASSERT_EQ(app_->dialogs().count("NetErrorPage"), 1u);
  press(CEGUI::Key::Escape);
  EXPECT_FALSE(app_->quitRequested());
  press(CEGUI::Key::Return);
  EXPECT_TRUE(app_->quitRequested());
  app_->shutDown();
  EXPECT_EQ(cleanups, 1);
}

TEST_F(App, ServerRepliesUpdateTheUserAndShowNotices) {
  start();
  app_->userInfor().UserID = L"10001";
  app_->userInfor().setRights({1, 1, 1, 1});
  auto* info = new UserSpecailInfoEventArgs;
  info->user.VokaCoin = L"3.5";
  postGlobal(EventNames::GetUserSpecialInfo, info);
  EXPECT_EQ(app_->userInfor().VokaCoin, L"3.5");
  EXPECT_EQ(app_->userInfor().UserID, L"10001");
  EXPECT_EQ(app_->userInfor().IsVod, 1);
  auto* rights = new UserRightsInfoEventArgs;
  rights->rights = {0, 1, 0, 1};
  postGlobal(EventNames::GetUserPermit, rights);
  EXPECT_EQ(app_->userInfor().IsVod, 0);
  auto* tone = new UserToneFunRecvEventArgs;
  tone->firstToneValue = 4;
  tone->toneLevel = 2;
  postGlobal(EventNames::RecBackUserTone, tone);
  EXPECT_EQ(app_->lastUserTone(), std::make_pair(4, 2));

  postGlobal(EventNames::NetError, new ErrorEventArgs(-15004, 2549));
  CEGUI::Window* text = window("NetErrorInfoTipWnd/Text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->getText(), guiString(L"已上传专辑信息获取失败,请检查网络！"));
  postGlobal(EventNames::EventSongBookAddNotify, new ErrorEventArgs(-2246, 2502));
  ASSERT_NE(window("AddSongBookFailInfoTipWnd/Text"), nullptr);
  EXPECT_EQ(window("AddSongBookFailInfoTipWnd/Text")->getText(), guiString(L"该歌曲已收藏!"));
  postGlobal(EventNames::EventSongBookAddNotify, new ErrorEventArgs(0, 2502));
  EXPECT_NE(window("AddSongBookSucceedInfoTipWnd"), nullptr);
}

TEST_F(App, LauncherDeviceChoiceIsTakenAndAnnounced) {
  start();
  int changed = 0;
  auto c = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::DevChanged), CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
        ++changed;
        return false;
      }));
  const DeviceChoice choice = DeviceChoice::make(4, L"耳机", 2, L"USB 麦克风");
  const auto* bytes = reinterpret_cast<const uint8_t*>(&choice);
  postGlobal(Win32AppHelper::eventSettingAudioDevChange,
             new LauncherDataEventArgs(std::vector<uint8_t>(bytes, bytes + sizeof(choice))));
  EXPECT_EQ(app_->launchDevices().DeviceIDOut, 4);
  EXPECT_EQ(app_->launchDevices().DeviceOut, L"耳机");
  EXPECT_EQ(app_->launchDevices().DeviceIDIn, 2);
  EXPECT_EQ(app_->launchDevices().DeviceIn, L"USB 麦克风");
  EXPECT_EQ(changed, 1);
  postGlobal(Win32AppHelper::eventSettingAudioDevChange, new LauncherDataEventArgs({1, 2, 3}));
  EXPECT_EQ(changed, 1);  // a short record is refused
  c->disconnect();
}

TEST_F(App, MenuSwitchesSectionsAndOpensTheWebPages) {
  start();
  CEGUI::Window* pk = window("MainMenu/Menubar/PK");
  CEGUI::Window* practice = window("MainMenu/Menubar/Practice");
  app_->clickWindow(practice);
  EXPECT_TRUE(practice->isDisabled());
  EXPECT_FALSE(pk->isDisabled());
  app_->clickWindow(practice);  // re-selecting the current section does nothing
  EXPECT_TRUE(practice->isDisabled());
  app_->clickWindow(pk);
  EXPECT_TRUE(pk->isDisabled());
  EXPECT_FALSE(practice->isDisabled());
  app_->clickWindow(window("MainMenu/Menubar/Community"));
  EXPECT_EQ(opened_, (std::vector<std::string>{"http://community.example/"}));
}

// Catches: a menu bar that the remote control cannot reach, or OK clicks the application
// does not see.
TEST_F(App, TheMenuBarWorksWithTheArrowKeysAndOk) {
  start();
  CEGUI::Window* practice = window("MainMenu/Menubar/Practice");
  press(CEGUI::Key::ArrowRight);  // the current section's item is skipped
  EXPECT_TRUE(practice->isActive());
  press(CEGUI::Key::Return);
  EXPECT_TRUE(practice->isDisabled());  // now the current section
  EXPECT_FALSE(window("MainMenu/Menubar/PK")->isDisabled());
  // The practice menu has the keys now; Back gives them to the bar's first enabled item.
  EXPECT_TRUE(window("Root/Menubar/Practice")->isActive());
  press(CEGUI::Key::Escape);
  EXPECT_TRUE(window("MainMenu/Menubar/PK")->isActive());
  press(CEGUI::Key::ArrowLeft);  // past the current section's item, wrapping to the last
  EXPECT_TRUE(window("MainMenu/Menubar/Community")->isActive());
  press(CEGUI::Key::Return);
  EXPECT_EQ(opened_, (std::vector<std::string>{"http://community.example/"}));
}

TEST_F(App, TitleScrollsTwoPixelsEvery50MsAndReentersFromTheRight) {
  start();
  CEGUI::Window* title = window("AppRoot/Title");
  auto left = [&] { return CEGUI::PropertyHelper<float>::fromString(title->getProperty("TextLeftEdge")); };
  const float start = left();
  EXPECT_FLOAT_EQ(start, title->getPixelSize().d_width);  // entered from the right edge
  app_->advance(500);
  EXPECT_FLOAT_EQ(left(), start - 20.0f);
  const float width = title->getFont()->getTextExtent(title->getText());
  // Steps until the text has left on the left, then one more brings it back at the right.
  const auto steps = static_cast<uint64_t>(std::ceil((left() + width) / 2.0f));
  app_->advance(steps * 50);
  EXPECT_LE(left(), -width);
  app_->advance(50);
  EXPECT_FLOAT_EQ(left(), start);
}

// Catches: a works item that still only shows a notice, a works page left open under the
// contest hub, or a Back key that strands the remote control on it.
TEST_F(App, TheWorksItemOpensTheWorksPageAndBackReturnsToTheHub) {
  start();
  app_->clickWindow(window("MainMenu/Menubar/UploadList"));
  app_->advance(20);
  ASSERT_NE(window("WorksWnd"), nullptr);
  EXPECT_EQ(window("PKWnd"), nullptr);
  EXPECT_TRUE(window("MainMenu/Menubar/UploadList")->isDisabled());
  EXPECT_EQ(install_.log().find("the works window"), std::string::npos);  // no longer a skipped step
  press(CEGUI::Key::Escape);
  app_->advance(20);
  EXPECT_EQ(window("WorksWnd"), nullptr);
  EXPECT_NE(window("PKWnd"), nullptr);
  EXPECT_FALSE(window("MainMenu/Menubar/UploadList")->isDisabled());
}

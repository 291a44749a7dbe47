#pragma once
// The application object under test: headless, on the virtual clock, with a scratch
// installation and its own contest service.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/ShellOpen.h"

namespace vktest {

// Clean-up hook runs of the application under test.
inline int cleanups = 0;

// Counts the clean-up hook's runs.
class CountingApp : public VokaranPlayerApp {
 protected:
  void cleanupApp() override {
    ++cleanups;
    VokaranPlayerApp::cleanupApp();
  }
};

class App : public ::testing::Test {
 protected:
  // With `realSongs` the service serves the compiled demo songs, which the engine can play.
  explicit App(bool realSongs = false) : service_(realSongs) {}
  void SetUp() override {
    CEGUI::Exception::setStdErrEnabled(false);
    setenv("VOKARAN_AUDIO", "null", 1);  // the engine plays to no device
    cleanups = 0;
    app_ = std::make_unique<CountingApp>();
    app_->setHeadless(true);
    app_->setClock(&clock_);
    app_->launchContext().urls.set(UrlTable::strPKBlogURL, L"http://community.example/");
    // The demo user of the test service, as the launcher would hand it over.
    app_->launchContext().sessionId = L"vk-demo-session-10001";
    app_->userInfor().UserID = L"10001";
    app_->userInfor().Mail = L"demo@vokaran.example";
    oscompat::setShellOpenHandler([this](const std::string& url) { opened_.push_back(url); });
  }
  void TearDown() override {
    oscompat::setShellOpenHandler(nullptr);
    app_.reset();
  }
  // Starts the shell and waits for the start-up thread's "AppInitDone" and for the replies
  // about the user that start-up asked for, so that none arrives later in a test.
  void start() {
    ASSERT_TRUE(app_->startUp());
    int replies = 0;
    std::vector<CEGUI::Event::Connection> connections;
    for (const auto& name : {EventNames::GetUserSpecialInfo, EventNames::GetUserPermit, EventNames::RecBackUserTone})
      connections.push_back(CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
          EventNames::global(name), CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
            ++replies;
            return false;
          })));
    const bool done = app_->pumpUntil([&] { return app_->startupDone() && replies == 3; }, 30000);
    for (auto& c : connections) c->disconnect();
    ASSERT_TRUE(done);
  }
  void postGlobal(const CEGUI::String& name, CEGUI::EventArgs* args) {
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), name, args, "");
    app_->advance(0);
  }
  void press(CEGUI::Key::Scan key) {
    app_->injectKeyDown(key);
    app_->injectKeyUp(key);
  }
  CEGUI::Window* window(const CEGUI::String& name) { return findWindow(name); }

  vktest::ScratchInstallation install_;
  vktest::TestService service_;
  guishell::VirtualClock clock_;
  std::unique_ptr<CountingApp> app_;
  std::vector<std::string> opened_;
};

}  // namespace vktest

#pragma once
// A contest song sung through the queue, headless: a real service for the song file (the
// project's compiled songs), the engine on its file device rendering as fast as it can, the
// mission manager driven the way the application drives it. The microphone hears silence, or
// the voice file a derived fixture names.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/AudioSet.h"
#include "AppSet/KeyMap.h"
#include "MissonTestSupport.h"
#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "PK/CMissonManager.h"
#include "PK/CMissonPk.h"
#include "PK/PKScoreWnd.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/SoundPlayer.h"
#include "vokaran/Vokaran.h"

namespace vktest {

constexpr unsigned kEscape = 1, kReturn = 28, kLeft = 203, kRight = 205;

class ContestSong : public vktest::GuiTest {
 protected:
  explicit ContestSong(const std::string& voice = "") : service_(true), engine_("file", voice) {}
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(engine_.ok);
    oscompat::setSoundPlayHandler([](const std::string&) {});
    VokaSetCBFun([] {
      Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver,
                                new CEGUI::EventArgs, "");
    });
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
    std::filesystem::create_directories(install_.path() + "/Temp");
    manager_ = std::make_unique<CMissonManager>();
    manager_->setAudioSet(&audio_);
    // What the application does on "EventPlay".
    connections_.push_back(manager_->subscribeEvent(
        CMissonManager::EventPlay, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
          ++plays_;
          if (CBaseMisson* m = manager_->current()) m->Play();
          melodyWhilePlaying_ = audio_.getItem(L"MELODY")->value();
          if (onPlay_) onPlay_();
          return true;
        })));
    connections_.push_back(manager_->subscribeEvent(
        CMissonManager::EventStop, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
          ++stops_;
          return true;
        })));
  }
  void TearDown() override {
    // A song still singing is ended first: the engine's contest callbacks would otherwise go on
    // posting to a GUI that is about to go away.
    if (manager_ && manager_->current() && manager_->current()->state == CBaseMisson::Playing) {
      const int stops = stops_;
      VokaStop();
      EXPECT_TRUE(waitFor([&] { return stops_ > stops; }));
    }
    engine_.quiet();
    for (auto& c : connections_) c->disconnect();
    manager_.reset();
    net_.reset();
    oscompat::setSoundPlayHandler(nullptr);
    GuiTest::TearDown();
  }
  bool waitFor(const std::function<bool()>& done) { return shell().pumpUntil(done, 60000); }
  // The score window of the song that has just ended, or null.
  PKScoreWnd* scoreWindow() {
    auto* performance = dynamic_cast<CMissonPk*>(manager_->current());
    if (!performance) return nullptr;
    auto it = performance->pages.find(CMissonPk::kScorePage);
    return it == performance->pages.end() ? nullptr : static_cast<PKScoreWnd*>(it->second);
  }
  bool scoreWindowShown() { return sheet()->getChildRecursive("PKEndScoreWnd") != nullptr; }
  // Moves the focus from the first button to `id` and presses Return there.
  void pressButton(unsigned id) {
    for (unsigned i = 1; i < id; ++i) pressKey(kRight);
    pressKey(kReturn);
  }
  std::vector<std::string> tempFiles() {
    std::vector<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(install_.path() + "/Temp"))
      names.push_back(f.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  vktest::TestService service_;
  vktest::OpenEngine engine_;
  CVokaPlayCtrol play_;
  CAudioSet audio_;
  CKeyMap keyMap_;
  std::unique_ptr<NetworkInterface> net_;
  std::unique_ptr<CMissonManager> manager_;
  std::vector<CEGUI::Event::Connection> connections_;
  std::function<void()> onPlay_;
  int plays_ = 0, stops_ = 0;
  int melodyWhilePlaying_ = -1;
};

}  // namespace vktest

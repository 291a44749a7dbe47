#pragma once
// Helpers of the module's network tests: a real contest service for one test, and catching
// the events that replies become.
#include <CEGUI/EventSet.h>
#include <CEGUI/GlobalEventSet.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ServiceProcess.h"
#include "app/EventNames.h"
#include "guishell/Win32AppHelper.h"

namespace vktest {

// vokaran-service with the small world on a loopback port, for as long as the object lives;
// VOKARAN_SERVICE_URL points at it (or at its proxy, with `proxied`). With `realSongs` it
// serves the project's compiled songs instead of stand-in bytes.
class TestService {
 public:
  explicit TestService(bool realSongs = false, bool proxied = false);
  ~TestService();
  std::string url() const;
  vk::netlink::test::FaultProxy* proxy() { return proxy_.get(); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<vk::netlink::test::ServiceProcess> service_;
  std::unique_ptr<vk::netlink::test::FaultProxy> proxy_;
};

// Copies of the arguments of every `name` event fired on `set` (GUI-library event sets are
// subscribed by the bare name; pass EventNames::global(name) for the global set), and whether
// each came on the GUI thread.
template <class Args>
class Caught {
 public:
  Caught(CEGUI::EventSet& set, const CEGUI::String& name) {
    connection_ = set.subscribeEvent(name, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs& a) {
      got.push_back(static_cast<const Args&>(a));
      onGuiThread.push_back(Win32AppHelper::isGuiThread());
      return false;
    }));
  }
  ~Caught() { connection_->disconnect(); }
  Caught(const Caught&) = delete;
  Caught& operator=(const Caught&) = delete;

  std::vector<Args> got;
  std::vector<bool> onGuiThread;

 private:
  CEGUI::Event::Connection connection_;
};

// The same for an application-wide event on the global event set.
template <class Args>
class CaughtGlobal : public Caught<Args> {
 public:
  explicit CaughtGlobal(const CEGUI::String& name)
      : Caught<Args>(CEGUI::GlobalEventSet::getSingleton(), EventNames::global(name)) {}
};

}  // namespace vktest

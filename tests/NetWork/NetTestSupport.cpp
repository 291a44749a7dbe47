#include "NetTestSupport.h"

#include <cstdlib>

namespace vktest {

TestService::TestService(bool realSongs, bool proxied)
    : dir_(vk::netlink::test::makeTempDir("vk-module-net")) {
  service_ = std::make_unique<vk::netlink::test::ServiceProcess>(dir_);
  if (realSongs) {
    // The stand-ins make way for real song files, which pass the engine's checksum test.
    std::filesystem::remove_all(dir_ / "songs");
    std::filesystem::create_directories(dir_ / "songs");
    for (const auto& entry : std::filesystem::directory_iterator(VK_SONGS_DIR))
      if (entry.path().extension() == ".mic")
        std::filesystem::copy_file(entry.path(), dir_ / "songs" / entry.path().filename());
  }
  service_->start();
  if (proxied) proxy_ = std::make_unique<vk::netlink::test::FaultProxy>(service_->port());
  ::setenv("VOKARAN_SERVICE_URL", url().c_str(), 1);
}

TestService::~TestService() {
  proxy_.reset();
  service_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string TestService::url() const { return proxy_ ? proxy_->url() : service_->url(); }

}  // namespace vktest

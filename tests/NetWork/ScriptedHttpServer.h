#pragma once
// A loopback HTTP server that answers each path with raw bytes given by the test (lengths
// that lie, bodies cut short, no length at all), one answer per connection.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vktest {

class ScriptedHttpServer {
 public:
  ScriptedHttpServer();
  ~ScriptedHttpServer();
  // Requests of `path` get these answers in turn; the last one repeats.
  void on(const std::string& path, std::vector<std::string> rawAnswers);
  std::string url(const std::string& path) const;
  int requests(const std::string& path) const;

  // A complete answer: status 200, `body`, and a Content-Length of `announced` (the body's
  // size when negative; none at all with `noLength`).
  static std::string answer(const std::string& body, long long announced = -1, bool noLength = false);

 private:
  void serve(int client);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<std::string, std::vector<std::string>> answers_;
  std::map<std::string, int> counts_;
  std::thread acceptor_;
};

// A small picture encoded by FreeImage in `format` (FIF_PNG, FIF_JPEG, FIF_BMP, ...).
std::string encodedPicture(int format);

}  // namespace vktest

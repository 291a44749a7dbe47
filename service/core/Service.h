// The contest service, independent of the HTTP transport: a request in, a response out.
// HttpServer puts it behind cpp-httplib; tests and the fuzz target call handle() directly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vk::service {

struct ServiceConfig {
  std::filesystem::path dataDir;   // created on first start
  std::filesystem::path songsDir;  // the engine's song files (*.mic), served as opaque bytes
  std::filesystem::path unihanDir; // Unihan_*.txt.bz2, read when the catalogue is indexed
  std::string publicUrl;           // scheme, host and port that addresses given out start with
  bool fullSync = false;           // sync packets and commits to disk (survive a machine crash)
  std::int64_t sessionTtlSeconds = 30LL * 24 * 3600;
  // Seconds since the epoch; tests inject their own clock.
  std::function<std::int64_t()> clock;
};

// A request as the transport read it. Views stay valid for the duration of handle().
struct Request {
  std::string_view method;  // "GET", "POST", "PUT", "DELETE"
  std::string_view path;    // percent-decoded, without the query
  std::vector<std::pair<std::string_view, std::string_view>> query;  // decoded
  std::string_view session;  // the session and user headers, empty when absent
  std::string_view user;
  std::string_view crc;      // the packet checksum header
  std::string_view body;
};

struct Response {
  int http = 200;
  std::string contentType = "application/json";
  std::string body;
  // When not empty, the body is this file of the store, streamed by the transport.
  std::filesystem::path file;
  std::uint64_t fileSize = 0;
};

// How large a world --seed-demo (or a test) builds.
struct SeedOptions {
  int songs = 2000;
  int singers = 300;
  int contestSongs = 10;
  int otherUsers = 30;
  int worksPerContestSong = 20;
  bool demoUserWorks = true;
};

// The demo user the launcher falls back to; docs/service-protocol.md names the same values.
inline constexpr std::string_view kDemoUserId = "10001";
inline constexpr std::string_view kDemoMail = "demo@vokaran.example";
inline constexpr std::string_view kDemoPassword = "vokaran-demo";
inline constexpr std::string_view kDemoSessionId = "vk-demo-session-10001";

class Service {
 public:
  // Opens (creating) the data directory and its database; takes an exclusive lock on the
  // directory so that no second service writes into it. Throws std::runtime_error.
  explicit Service(ServiceConfig config);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Any thread, concurrently.
  Response handle(const Request& request);

  // The largest body the route accepts; the transport refuses larger ones before reading.
  static std::size_t bodyLimit(std::string_view method, std::string_view path);

  void setPublicUrl(std::string url);
  const ServiceConfig& config() const;

  // Builds the demo world unless the database already holds one; then makes sure the demo
  // user's seeded session is valid again. Returns true when it seeded.
  bool seedDemo(const SeedOptions& options = {});

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vk::service

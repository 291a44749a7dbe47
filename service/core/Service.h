// The contest service, independent of the HTTP transport: a request in, a response out.
// HttpServer puts it behind HTTP/1.1 (Boost.Beast); tests and the fuzz target call handle()
// directly.
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
  // Empty: SQLite in dataDir/vokaran.db. Otherwise a PostgreSQL server's URL
  // (postgresql://user@host:port/database), which several services may share; the uploaded
  // files stay in dataDir/store.
  std::string databaseUrl;
  std::int64_t sessionTtlSeconds = 30LL * 24 * 3600;
  // Wrong passwords: after loginFreeFailures in a row for one mail from one client address,
  // or loginAddressFreeFailures from one address whatever the mails, further attempts wait
  // loginFirstDelaySeconds, doubling with each further failure up to loginMaxDelaySeconds.
  // Failures are forgotten loginForgetSeconds after the last one.
  int loginFreeFailures = 5;
  int loginAddressFreeFailures = 20;
  std::int64_t loginFirstDelaySeconds = 1;
  std::int64_t loginMaxDelaySeconds = 300;
  std::int64_t loginForgetSeconds = 900;
  // The cost of new password hashes (argon2id): memory in KiB, passes, lanes.
  std::uint32_t passwordMemoryKiB = 19 * 1024;
  std::uint32_t passwordPasses = 2;
  std::uint32_t passwordLanes = 1;
  // The practice menu's version to serve ("" keeps the one in the database); a version other
  // than kFirstMenuVersion serves the menu's later edition, so a client's rebuild can be seen.
  std::string menuVersion;
  // An upload that was never finished and whose last packet (or, without any, its request) is
  // older than this is abandoned: its part file and its record are removed.
  std::int64_t uploadMaxAgeSeconds = 7LL * 24 * 3600;
  // Development: a logged-in user may set their own allowance, coins and phone number
  // (POST /v1/dev/account), so a demo can start from a used-up account. Off unless asked for.
  bool devAccounts = false;
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
  std::string_view remote;   // the client's address as the transport saw it; empty in-process
  std::string_view range;    // the Range header of a media request ("bytes=0-99"), empty when absent
};

struct Response {
  int http = 200;
  std::string contentType = "application/json";
  std::string body;
  // When not empty, the body is this file of the store, streamed by the transport.
  std::filesystem::path file;
  std::uint64_t fileOffset = 0;  // the part of the file sent: fileSize bytes from fileOffset
  std::uint64_t fileSize = 0;
  // Further headers (Accept-Ranges, Content-Range).
  std::vector<std::pair<std::string, std::string>> headers;
};

// How large a world --seed-demo (or a test) builds. Every world also holds the demo songs
// (kDemoSongs) under their own names, after the generated songs and singers.
struct SeedOptions {
  int songs = 2000;    // generated songs; the demo songs come on top
  int singers = 300;   // generated singers; the demo songs' singers come on top
  int contestSongs = 10;
  int otherUsers = 30;
  int worksPerContestSong = 20;
  bool demoUserWorks = true;
  // Names from the long lists of common surnames, given names and title words (the large
  // world); the short lists give the demo and small worlds the names their tests know.
  bool wideNames = false;
};

// The worlds of --seed-small and --seed-large; --seed-demo builds SeedOptions{}.
inline constexpr SeedOptions kSmallSeed{.songs = 60, .singers = 20, .contestSongs = 10, .otherUsers = 6,
                                        .worksPerContestSong = 4};
inline constexpr SeedOptions kLargeSeed{.songs = 100000, .singers = 10000, .wideNames = true};

// The project's compiled demo songs (songs/CMakeLists.txt): each is in every seeded world
// under its name, and its catalogue entry plays <file> from the songs folder.
struct DemoSong {
  const char* file;
  const char* name;
  const char* singer;
  int singerCategory;  // 201 男歌手 ... 204 新人
  int categories[2];   // song categories 101..108; 0 for none
};
inline constexpr DemoSong kDemoSongs[] = {
    {"xiaoxingxing.mic", "小星星", "儿歌", 203, {106, 0}},
    {"liangzhilaohu.mic", "两只老虎", "儿歌", 203, {106, 0}},
    {"huanlesong.mic", "欢乐颂", "合唱曲", 203, {102, 0}},
    {"songbie.mic", "送别", "李叔同", 201, {102, 104}},
    {"molihua.mic", "茉莉花", "江苏民歌", 203, {104, 0}},
    {"youyidijiutianchang.mic", "友谊地久天长", "苏格兰民歌", 203, {102, 103}},
};

// The version of the seeded practice menu.
inline constexpr const char* kFirstMenuVersion = "2024.1";

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

  // Waits until the playable copies of published works asked for so far are made (or failed);
  // false at the timeout. For tests and benchmarks: the service never waits for them.
  bool waitForPlayableCopies(int timeoutMs);

  // Builds the demo world unless the database already holds one; then makes sure the demo
  // user's seeded session is valid again. Returns true when it seeded.
  bool seedDemo(const SeedOptions& options = {});

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vk::service

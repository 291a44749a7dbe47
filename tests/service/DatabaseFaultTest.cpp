// The database failing under the service: a PostgreSQL server that stops in the middle of a
// run and comes back, and a service killed (SIGKILL) while it writes, on either backend.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "ServiceFixture.h"
#include "netwire/Wire.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

// A PostgreSQL server of the test's own (scripts/pg-test-cluster), so that stopping it
// disturbs no other test.
class OwnCluster {
 public:
  OwnCluster() {
    dir_ = makeTempDir("vk-pg-own");
    // The server runs as an unprivileged user when the tests run as root: it must reach in.
    ::chmod(dir_.c_str(), 0755);
    auto [status, output] = script("start");
    // A port taken by a parallel cluster at the same moment makes the script try the next one,
    // after pg_ctl's complaint about the first: the URL is the line it prints at the end.
    const std::size_t at = output.rfind("postgresql://");
    if (status == 0 && at != std::string::npos && (at == 0 || output[at - 1] == '\n'))
      url_ = output.substr(at, output.find('\n', at) - at);
    else reason_ = output;
  }
  ~OwnCluster() {
    if (!url_.empty()) script("stop");
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
  }

  const std::string& url() const { return url_; }
  const std::string& reason() const { return reason_; }
  bool stop() { return script("stop").first == 0; }
  bool restart() { return script("restart").first == 0; }

 private:
  std::pair<int, std::string> script(const std::string& command) {
    std::string line = std::string(VK_SOURCE_DIR) + "/scripts/pg-test-cluster " + command + " '" +
                       (dir_ / "cluster").string() + "' 2>&1";
    std::FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    std::string output;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    return {::pclose(pipe), output};
  }

  std::filesystem::path dir_;
  std::string url_, reason_;
};

class Outage : public ServiceFixture {
 protected:
  void SetUp() override {
    // Runs once, in the SQLite run of the suite: it brings its own server either way.
    if (!testDatabaseUrl().empty()) GTEST_SKIP() << "runs in the suite's SQLite run, against a server of its own";
    cluster_ = std::make_unique<OwnCluster>();
    if (cluster_->url().empty())
      GTEST_SKIP() << "no PostgreSQL server could start here, so the outage is not tested: " << cluster_->reason();
    ::setenv("VK_TEST_DATABASE_URL", cluster_->url().c_str(), 1);
    ServiceFixture::SetUp();
  }
  void TearDown() override {
    ServiceFixture::TearDown();
    ::unsetenv("VK_TEST_DATABASE_URL");
    cluster_.reset();
  }
  Call addSong(const std::string& songId) { return call("POST", "/v1/songbook", json{{"songId", songId}, {"songName", ""}, {"singerName", ""}, {"singerKey", ""},
                                                          {"flash", {"", "", "", "", ""}}}.dump()); }

  std::unique_ptr<OwnCluster> cluster_;
};

// A stopped server answers 503 with a status of its own, the service stays up, and once the
// server is back the same service answers again, with everything it acknowledged before.
TEST_F(Outage, RequestsFailClearlyWhileTheServerIsDownAndRecoverWhenItIsBack) {
  ASSERT_EQ(addSong("100001").http, 200);
  ASSERT_EQ(call("GET", "/v1/songs?kind=6&scope=3&keyword=").http, 200);

  ASSERT_TRUE(cluster_->stop());
  // A cached catalogue page may still be served; everything that needs the database fails.
  for (int i = 0; i < 3; ++i) {
    auto refused = addSong("100002");
    EXPECT_EQ(refused.http, 503) << refused.response.body;
    EXPECT_EQ(refused.json["status"], wire::status::kUnavailable);
    EXPECT_NE(refused.json["error"].get<std::string>().find("database"), std::string::npos);
    bool retryAfter = false;
    for (auto& [name, value] : refused.response.headers) retryAfter |= name == "Retry-After";
    EXPECT_TRUE(retryAfter);
  }
  auto login = call("POST", "/v1/launcher/login", json{{"mail", kDemoMail}, {"password", kDemoPassword}}.dump());
  EXPECT_EQ(login.http, 503) << login.response.body;
  EXPECT_EQ(call("GET", "/v1/health").http, 200);

  ASSERT_TRUE(cluster_->restart());
  auto again = addSong("100002");
  EXPECT_EQ(again.http, 200) << again.response.body;
  auto book = call("GET", "/v1/songbook");
  ASSERT_EQ(book.http, 200) << book.response.body;
  std::set<std::string> ids;
  for (auto& song : book.json["songs"]) ids.insert(song["songId"].get<std::string>());
  EXPECT_TRUE(ids.count("100001")) << "acknowledged before the outage";
  EXPECT_TRUE(ids.count("100002")) << "acknowledged after it";
  EXPECT_EQ(addSong("100001").http, 409) << "the first song stayed in the book";
}

// A service starting while its server is down says so and does not start half-way.
TEST_F(Outage, AServiceDoesNotStartWithoutItsServer) {
  service_.reset();
  ASSERT_TRUE(cluster_->stop());
  try {
    start();
    ADD_FAILURE() << "the service started without its database";
  } catch (const SqlError& e) {
    EXPECT_TRUE(e.unavailable()) << e.what();
  }
  ASSERT_TRUE(cluster_->restart());
  start();
  EXPECT_EQ(addSong("100003").http, 200);
}

// A service process killed while it charges sings: after a restart every acknowledged charge is
// there, and no charge is half made (the allowance, the coins and the charge records agree).
TEST(Crash, KilledWhileChargingKeepsEveryAcknowledgedChargeWhole) {
  auto dir = makeTempDir("vk-service-crash");
  ServiceConfig config;
  config.dataDir = dir / "data";
  config.songsDir = dir / "songs";
  config.unihanDir = std::filesystem::path(VK_TEST_DATA_DIR) / "unihan-mini";
  TestDatabase database(config);
  std::int64_t allowance = 0, coins = 0;
  {
    Service service(config);
    service.seedDemo(kSmallWorld);
    auto connection = database.open();
    Statement read(*connection, "SELECT leave_sing, coins_cents FROM users WHERE user_id = 10001");
    ASSERT_TRUE(read.step());
    allowance = read.int64(0);
    coins = read.int64(1);
  }

  int acks[2];
  ASSERT_EQ(::pipe(acks), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child charges until it is killed, writing a byte for every acknowledged charge.
    ::close(acks[0]);
    Service service(config);
    const std::string body = R"({"kind":1,"songId":"100001","songName":"x","extra":""})";
    for (;;) {
      Request request;
      request.method = "POST";
      request.path = "/v1/user/charge";
      request.session = kDemoSessionId;
      request.user = kDemoUserId;
      request.body = body;
      if (service.handle(request).http != 200) ::_exit(3);
      if (::write(acks[1], "+", 1) != 1) ::_exit(4);
    }
  }
  ::close(acks[1]);
  int acknowledged = 0;
  char byte = 0;
  // Past the allowance into the coins, then killed at whatever point it has reached.
  while (acknowledged < allowance + 15 && ::read(acks[0], &byte, 1) == 1) ++acknowledged;
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  while (::read(acks[0], &byte, 1) == 1) ++acknowledged;  // written before the kill
  ::close(acks[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
  ASSERT_GE(acknowledged, allowance + 15);

  {
    Service service(config);  // recovers whatever the kill left
    auto connection = database.open();
    Statement read(*connection,
                   "SELECT (SELECT COUNT(*) FROM charges WHERE user_id = 10001),"
                   " (SELECT COUNT(*) FROM charges WHERE user_id = 10001 AND paid_with = 'coins'),"
                   " leave_sing, coins_cents FROM users WHERE user_id = 10001");
    ASSERT_TRUE(read.step());
    const std::int64_t charges = read.int64(0), byCoins = read.int64(1);
    EXPECT_GE(charges, acknowledged) << "an acknowledged charge was lost";
    EXPECT_LE(charges, acknowledged + 1) << "only the charge under way at the kill may be committed unacknowledged";
    EXPECT_EQ(read.int64(2), allowance - (charges - byCoins)) << "the allowance disagrees with the charges";
    EXPECT_EQ(read.int64(3), coins - byCoins * 10) << "the coins disagree with the charges";
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vk::service::test

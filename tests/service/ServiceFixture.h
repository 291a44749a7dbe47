// A service in a temporary data directory with a small seeded world, called in-process. Its
// database is SQLite in the data directory, or, when VK_TEST_DATABASE_URL names a PostgreSQL
// database (scripts/test starts a throw-away server), a schema of its own in that database.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/Service.h"
#include "core/Sql.h"

namespace vk::service::test {

inline std::filesystem::path makeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline constexpr SeedOptions kSmallWorld = kSmallSeed;  // the world of --seed-small

// The PostgreSQL database the service tests run against; empty for SQLite.
inline std::string testDatabaseUrl() {
  const char* url = std::getenv("VK_TEST_DATABASE_URL");
  return url ? url : "";
}

// A database of its own for one service: nothing to do for SQLite (the data directory holds
// it); for PostgreSQL a new schema, dropped again at the end, that the service's URL selects.
class TestDatabase {
 public:
  // Sets `config.databaseUrl`; `config.dataDir` must be set already.
  explicit TestDatabase(ServiceConfig& config) : dataDir_(config.dataDir) {
    const std::string server = testDatabaseUrl();
    if (server.empty()) return;
    static std::atomic<int> counter{0};
    schema_ = "vk_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
              std::to_string(std::random_device{}() % 1000000);
    auto admin = connect(DatabaseTarget{.sqliteFile = {}, .postgresUrl = server});
    admin->exec("CREATE SCHEMA " + schema_);
    url_ = server + (server.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema_;
    config.databaseUrl = url_;
  }
  ~TestDatabase() {
    if (schema_.empty()) return;
    try {
      connect(DatabaseTarget{.sqliteFile = {}, .postgresUrl = testDatabaseUrl()})->exec("DROP SCHEMA " + schema_ + " CASCADE");
    } catch (const std::exception&) {
      // A server stopped by the test itself: the whole cluster goes at the end of the run.
    }
  }
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  bool postgres() const { return !schema_.empty(); }
  // A connection of its own to the service's database, beside the service's.
  std::unique_ptr<Connection> open() const {
    return connect(DatabaseTarget{.sqliteFile = (dataDir_ / "vokaran.db").string(), .postgresUrl = url_});
  }

 private:
  std::filesystem::path dataDir_;
  std::string schema_;
  std::string url_;
};

// Tests of what only an SQLite file can hold (the schemas before PostgreSQL was supported).
#define VK_SQLITE_ONLY()                                                                    \
  do {                                                                                      \
    if (!testDatabaseUrl().empty()) GTEST_SKIP() << "older schemas exist only in SQLite files"; \
  } while (false)

class ServiceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("vk-service-test");
    writeFile(dir_ / "songs" / "a.mic", "first demo song");
    writeFile(dir_ / "songs" / "b.mic", "second demo song");
    writeFile(dir_ / "songs" / "c.mic", "third demo song");
    config_.dataDir = dir_ / "data";
    config_.songsDir = dir_ / "songs";
    config_.unihanDir = std::filesystem::path(VK_TEST_DATA_DIR) / "unihan-mini";
    config_.publicUrl = "http://service.test";
    config_.clock = [this] { return now_.load(); };
    database_ = std::make_unique<TestDatabase>(config_);
    start();
    service_->seedDemo(kSmallWorld);
  }
  void TearDown() override {
    service_.reset();
    database_.reset();
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
  }

  void start() { service_ = std::make_unique<Service>(config_); }
  void restart() {
    service_.reset();
    start();
  }

  struct Call {
    int http = 0;
    nlohmann::json json;
    Response response;
  };

  // `target` may carry a query ("a=b&c=d", values taken as they stand).
  Call call(const std::string& method, const std::string& target, const std::string& body = "",
            const std::string& session = std::string(kDemoSessionId), const std::string& user = std::string(kDemoUserId),
            const std::string& crc = "") {
    std::string path = target, query;
    if (auto q = target.find('?'); q != std::string::npos) {
      path = target.substr(0, q);
      query = target.substr(q + 1);
    }
    Request request;
    request.method = method;
    request.path = path;
    std::vector<std::string> parts;
    for (std::size_t start = 0; !query.empty() && start <= query.size();) {
      auto end = query.find('&', start);
      if (end == std::string::npos) end = query.size();
      parts.push_back(query.substr(start, end - start));
      start = end + 1;
    }
    for (auto& part : parts) {
      auto eq = part.find('=');
      std::string_view view(part);
      request.query.emplace_back(view.substr(0, eq), eq == std::string::npos ? "" : view.substr(eq + 1));
    }
    request.session = session;
    request.user = user;
    request.crc = crc;
    request.body = body;
    request.range = range_;
    Call result;
    result.response = service_->handle(request);
    result.http = result.response.http;
    if (result.response.file.empty() && result.response.contentType == "application/json")
      result.json = nlohmann::json::parse(result.response.body, nullptr, false);
    return result;
  }

  // Counts and balances that a refused request must leave as they were.
  std::string snapshot() {
    auto connection = database_->open();
    Statement read(*connection,
                   "SELECT (SELECT COUNT(*) FROM songbook) || ',' || (SELECT COUNT(*) FROM works) || ',' ||"
                   " (SELECT COUNT(*) FROM uploads) || ',' || (SELECT COUNT(*) FROM upload_packets) || ',' ||"
                   " (SELECT COUNT(*) FROM sessions WHERE revoked = 0) || ',' || (SELECT COUNT(*) FROM songs) || ',' ||"
                   " (SELECT COUNT(*) FROM singers) || ',' || (SELECT COUNT(*) FROM charges) || ',' ||"
                   " (SELECT COUNT(*) FROM packet_log) || ',' || (SELECT COUNT(*) FROM fee_reports) || ',' ||"
                   " (SELECT " + std::string(connection->dialect().groupConcat) +
                       "(coins_cents || ':' || leave_sing || ':' || leave_upload || ':' || telphone ||"
                       " ':' || tone_value || ':' || audio_settings, ',') FROM (SELECT * FROM users ORDER BY user_id) u)");
    read.step();
    return read.text(0);
  }

  void sql(const std::string& statement) { database_->open()->exec(statement); }
  // A connection of its own to the service's database.
  std::unique_ptr<Connection> database() const { return database_->open(); }

  std::filesystem::path dir_;
  ServiceConfig config_;
  std::unique_ptr<TestDatabase> database_;
  std::atomic<std::int64_t> now_{1700000000};
  std::unique_ptr<Service> service_;
  std::string range_;  // the Range header of the next calls
};

}  // namespace vk::service::test

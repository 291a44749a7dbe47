// PostgreSQL behind the service's connection interface (Sql.h), through libpq: for a service
// that runs on several machines against one database server.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Sql.h"

struct pg_conn;
struct pg_result;

namespace vk::service {

struct PgFinisher {
  void operator()(pg_conn* connection) const;
};
struct PgClearer {
  void operator()(pg_result* result) const;
};
using PgResult = std::unique_ptr<pg_result, PgClearer>;

class PostgresConnection final : public Connection {
 public:
  // Connects to `url` (postgresql://user@host:port/database?...); throws SqlError, unavailable()
  // when the server cannot be reached.
  explicit PostgresConnection(const std::string& url);

  Backend backend() const override { return Backend::postgresql; }
  void exec(std::string_view sql) override;
  std::unique_ptr<Cursor> prepare(std::string_view sql) override;
  std::int64_t lastInsertId() override;
  int changes() const override { return changes_; }
  void begin() override;
  void commit() override { exec("COMMIT"); }
  void rollback() override { exec("ROLLBACK"); }
  bool reusable() const override;
  bool lost() const override { return broken_; }
  void resumeKeys() override;

  // Runs `sql` (with $1... placeholders) as a statement prepared once per connection for these
  // parameter types. Values are text except those of format 1 (binary); null values are NULL.
  PgResult execute(const std::string& sql, const std::vector<unsigned>& types, const std::vector<const char*>& values,
                   const std::vector<int>& lengths, const std::vector<int>& formats);

 private:
  [[noreturn]] void fail(const std::string& call, pg_result* result);
  PgResult check(const std::string& call, PgResult result);

  std::unique_ptr<pg_conn, PgFinisher> connection_;
  std::unordered_map<std::string, std::string> prepared_;  // sql and types -> statement name
  int changes_ = 0;
  bool broken_ = false;
};

// `?` placeholders (outside quotes) as PostgreSQL's $1, $2...; `count` receives their number.
std::string numberPlaceholders(std::string_view sql, int& count);

}  // namespace vk::service

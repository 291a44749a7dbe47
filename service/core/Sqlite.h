// SQLite behind the service's connection interface (Sql.h): the embedded default, one file in
// the data folder. Errors throw SqliteError naming the call that failed.
#pragma once

#include <memory>
#include <string>

#include "Sql.h"

struct sqlite3;

namespace vk::service {

class SqliteError : public SqlError {
 public:
  SqliteError(const std::string& call, int code, const std::string& message);
  int code() const { return code_; }

 private:
  int code_;
};

struct SqliteCloser {
  void operator()(sqlite3* db) const;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

class SqliteConnection final : public Connection {
 public:
  // Opens (creating) the database file in WAL mode with foreign keys on.
  SqliteConnection(const std::string& path, bool fullSync);

  Backend backend() const override { return Backend::sqlite; }
  void exec(std::string_view sql) override;
  std::unique_ptr<Cursor> prepare(std::string_view sql) override;
  std::int64_t lastInsertId() override;
  int changes() const override;
  void begin() override { exec("BEGIN IMMEDIATE"); }
  void commit() override { exec("COMMIT"); }
  void rollback() override { exec("ROLLBACK"); }
  bool reusable() const override;

  sqlite3* raw() const { return db_.get(); }

 private:
  SqliteHandle db_;
};

}  // namespace vk::service

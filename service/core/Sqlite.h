// RAII over SQLite: connections, prepared statements and transactions. Errors throw
// SqliteError naming the call that failed.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vk::service {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(const std::string& call, int code, const std::string& message);
  int code() const { return code_; }

 private:
  int code_;
};

struct SqliteCloser {
  void operator()(sqlite3* db) const;
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class Connection {
 public:
  // Opens (creating when asked) the database file in WAL mode with foreign keys on.
  Connection(const std::string& path, bool fullSync);

  void exec(std::string_view sql);
  sqlite3* raw() const { return db_.get(); }
  std::int64_t lastInsertId() const;
  int changes() const;

 private:
  SqliteHandle db_;
};

// A prepared statement; bind by 1-based index, step, read columns by 0-based index.
class Statement {
 public:
  Statement(Connection& connection, std::string_view sql);

  template <std::integral T>
  Statement& bind(int index, T value) {
    return bindInt(index, static_cast<std::int64_t>(value));
  }
  Statement& bindInt(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
  Statement& bind(int index, const std::string& text) { return bind(index, std::string_view(text)); }
  Statement& bindBlob(int index, const void* data, std::size_t size);
  Statement& bindNull(int index);

  // True while a row is available.
  bool step();
  // Runs a statement that returns no rows.
  void run();
  void reset();

  std::int64_t int64(int column) const;
  int integer(int column) const { return static_cast<int>(int64(column)); }
  std::string text(int column) const;
  std::string blob(int column) const;
  bool isNull(int column) const;

 private:
  Connection& connection_;
  StatementHandle statement_;
  std::string sql_;
};

// BEGIN IMMEDIATE ... COMMIT; rolls back when destroyed uncommitted.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Connection& connection_;
  bool done_ = false;
};

}  // namespace vk::service

// The service's view of its database, whichever server holds it: connections, prepared
// statements and transactions over SQLite (Sqlite.h, the embedded default) or PostgreSQL
// (Postgres.h). Statements are written once, in the SQL both understand, with `?` for every
// value; what cannot be written the same way for both lives in Dialect.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vk::service {

// A failed database call, naming the call. unavailable(): the database could not be reached
// (its server stopped, the network went away); the request may succeed later, and a connection
// that raised it is not used again.
class SqlError : public std::runtime_error {
 public:
  explicit SqlError(const std::string& what, bool unavailable = false)
      : std::runtime_error(what), unavailable_(unavailable) {}
  bool unavailable() const { return unavailable_; }

 private:
  bool unavailable_;
};

enum class Backend { sqlite, postgresql };

// The pieces of SQL that differ between the backends.
struct Dialect {
  const char* emptyBlob;     // a zero-length blob literal
  const char* sameMail;      // "mail matches the bound value", ignoring ASCII case
  const char* groupConcat;   // the aggregate joining texts: NAME(value, separator)
};

// A prepared statement inside a backend; Statement is its handle.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual void bindInt(int index, std::int64_t value) = 0;
  virtual void bindText(int index, std::string_view text) = 0;
  virtual void bindBlob(int index, const void* data, std::size_t size) = 0;
  virtual void bindNull(int index) = 0;
  virtual bool step() = 0;
  virtual void reset() = 0;
  virtual std::int64_t int64(int column) const = 0;
  virtual std::string text(int column) const = 0;
  virtual std::string blob(int column) const = 0;
  virtual bool isNull(int column) const = 0;
};

// One connection, used by one thread at a time.
class Connection {
 public:
  virtual ~Connection() = default;
  virtual Backend backend() const = 0;
  const Dialect& dialect() const;

  // Runs one or more statements that return no rows and take no values.
  virtual void exec(std::string_view sql) = 0;
  virtual std::unique_ptr<Cursor> prepare(std::string_view sql) = 0;
  // The key the last INSERT gave its row's INTEGER PRIMARY KEY.
  virtual std::int64_t lastInsertId() = 0;
  // Rows the last INSERT, UPDATE or DELETE changed.
  virtual int changes() const = 0;

  // A writing transaction: one at a time against the database, as SQLite does by itself.
  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;

  // False once the connection cannot be used again (its server went away, or it was left inside
  // a transaction); the pool then drops it.
  virtual bool reusable() const { return true; }
  // True once the database server went away under this connection: the others that were open
  // then are lost as well.
  virtual bool lost() const { return false; }

  // After rows were inserted with keys of their own: later inserts without a key get keys after
  // the largest one (SQLite does so by itself).
  virtual void resumeKeys() {}
};

// Where the database lives: an SQLite file, or a PostgreSQL URL (postgresql://...).
struct DatabaseTarget {
  std::string sqliteFile;
  std::string postgresUrl;
  bool fullSync = false;  // SQLite: sync every commit (PostgreSQL's own settings decide there)
};

// Opens a connection; throws SqlError (unavailable() when the server cannot be reached).
std::unique_ptr<Connection> connect(const DatabaseTarget& target);

// A prepared statement; bind by 1-based index, step, read columns by 0-based index.
class Statement {
 public:
  Statement(Connection& connection, std::string_view sql) : cursor_(connection.prepare(sql)) {}

  template <std::integral T>
  Statement& bind(int index, T value) {
    return bindInt(index, static_cast<std::int64_t>(value));
  }
  Statement& bindInt(int index, std::int64_t value) {
    cursor_->bindInt(index, value);
    return *this;
  }
  Statement& bind(int index, std::string_view text) {
    cursor_->bindText(index, text);
    return *this;
  }
  Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
  Statement& bind(int index, const std::string& text) { return bind(index, std::string_view(text)); }
  Statement& bindBlob(int index, const void* data, std::size_t size) {
    cursor_->bindBlob(index, data, size);
    return *this;
  }
  Statement& bindNull(int index) {
    cursor_->bindNull(index);
    return *this;
  }

  // True while a row is available; after the last row the next step runs the statement again.
  bool step() { return cursor_->step(); }
  // Runs a statement that returns no rows.
  void run() {
    while (step()) {
    }
  }
  // Clears the bound values and starts over.
  void reset() { cursor_->reset(); }

  std::int64_t int64(int column) const { return cursor_->int64(column); }
  int integer(int column) const { return static_cast<int>(int64(column)); }
  std::string text(int column) const { return cursor_->text(column); }
  std::string blob(int column) const { return cursor_->blob(column); }
  bool isNull(int column) const { return cursor_->isNull(column); }

 private:
  std::unique_ptr<Cursor> cursor_;
};

// A writing transaction; rolls back when destroyed uncommitted.
class Transaction {
 public:
  explicit Transaction(Connection& connection) : connection_(connection) { connection_.begin(); }
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit() {
    connection_.commit();
    done_ = true;
  }

 private:
  Connection& connection_;
  bool done_ = false;
};

}  // namespace vk::service

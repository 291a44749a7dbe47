#include "Sqlite.h"

#include <sqlite3.h>

namespace vk::service {

SqliteError::SqliteError(const std::string& call, int code, const std::string& message)
    : SqlError(call + " failed: " + message), code_(code) {}

void SqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

namespace {

[[noreturn]] void raise(sqlite3* db, const std::string& call, int code) {
  throw SqliteError(call, code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

class SqliteCursor final : public Cursor {
 public:
  SqliteCursor(sqlite3* db, std::string_view sql) : db_(db), sql_(sql) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql_.data(), static_cast<int>(sql_.size()), &statement, nullptr);
    statement_.reset(statement);
    if (rc != SQLITE_OK) raise(db_, "sqlite3_prepare_v2(" + sql_.substr(0, 60) + ")", rc);
  }

  void bindInt(int index, std::int64_t value) override {
    check(sqlite3_bind_int64(statement_.get(), index, value), "sqlite3_bind_int64");
  }
  void bindText(int index, std::string_view text) override {
    check(sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT),
          "sqlite3_bind_text");
  }
  void bindBlob(int index, const void* data, std::size_t size) override {
    check(sqlite3_bind_blob(statement_.get(), index, data, static_cast<int>(size), SQLITE_TRANSIENT),
          "sqlite3_bind_blob");
  }
  void bindNull(int index) override { check(sqlite3_bind_null(statement_.get(), index), "sqlite3_bind_null"); }

  bool step() override {
    int rc = sqlite3_step(statement_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    raise(db_, "sqlite3_step(" + sql_.substr(0, 60) + ")", rc);
  }

  void reset() override {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
  }

  std::int64_t int64(int column) const override { return sqlite3_column_int64(statement_.get(), column); }
  std::string text(int column) const override {
    auto* p = sqlite3_column_text(statement_.get(), column);
    int n = sqlite3_column_bytes(statement_.get(), column);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
  }
  std::string blob(int column) const override {
    auto* p = sqlite3_column_blob(statement_.get(), column);
    int n = sqlite3_column_bytes(statement_.get(), column);
    return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
  }
  bool isNull(int column) const override { return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL; }

 private:
  void check(int rc, const char* call) const {
    if (rc != SQLITE_OK) raise(db_, call, rc);
  }

  sqlite3* db_;
  std::string sql_;
  std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement_;
};

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, bool fullSync) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  db_.reset(db);
  if (rc != SQLITE_OK) raise(db, "sqlite3_open_v2(" + path + ")", rc);
  rc = sqlite3_busy_timeout(db, 10000);
  if (rc != SQLITE_OK) raise(db, "sqlite3_busy_timeout", rc);
  exec("PRAGMA journal_mode=WAL");
  // NORMAL in WAL mode: a committed transaction survives a crash of this process; FULL also
  // survives a crash of the machine, at the price of a sync per commit.
  exec(fullSync ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
  exec("PRAGMA foreign_keys=ON");
}

void SqliteConnection::exec(std::string_view sql) {
  char* message = nullptr;
  std::string text(sql);
  int rc = sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    std::string what = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    throw SqliteError("sqlite3_exec(" + text.substr(0, 60) + ")", rc, what);
  }
}

std::unique_ptr<Cursor> SqliteConnection::prepare(std::string_view sql) {
  return std::make_unique<SqliteCursor>(db_.get(), sql);
}

std::int64_t SqliteConnection::lastInsertId() { return sqlite3_last_insert_rowid(db_.get()); }
int SqliteConnection::changes() const { return sqlite3_changes(db_.get()); }
bool SqliteConnection::reusable() const { return sqlite3_get_autocommit(db_.get()) != 0; }

}  // namespace vk::service

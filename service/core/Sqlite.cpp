#include "Sqlite.h"

#include <sqlite3.h>

namespace vk::service {

SqliteError::SqliteError(const std::string& call, int code, const std::string& message)
    : std::runtime_error(call + " failed: " + message), code_(code) {}

void SqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void StatementFinalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

namespace {
[[noreturn]] void raise(sqlite3* db, const std::string& call, int code) {
  throw SqliteError(call, code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}
}  // namespace

Connection::Connection(const std::string& path, bool fullSync) {
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

void Connection::exec(std::string_view sql) {
  char* message = nullptr;
  std::string text(sql);
  int rc = sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    std::string what = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    throw SqliteError("sqlite3_exec(" + text.substr(0, 60) + ")", rc, what);
  }
}

std::int64_t Connection::lastInsertId() const { return sqlite3_last_insert_rowid(db_.get()); }
int Connection::changes() const { return sqlite3_changes(db_.get()); }

Statement::Statement(Connection& connection, std::string_view sql)
    : connection_(connection), sql_(sql) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(connection.raw(), sql_.data(), static_cast<int>(sql_.size()),
                              &statement, nullptr);
  statement_.reset(statement);
  if (rc != SQLITE_OK) raise(connection.raw(), "sqlite3_prepare_v2(" + sql_.substr(0, 60) + ")", rc);
}

Statement& Statement::bindInt(int index, std::int64_t value) {
  int rc = sqlite3_bind_int64(statement_.get(), index, value);
  if (rc != SQLITE_OK) raise(connection_.raw(), "sqlite3_bind_int64", rc);
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  int rc = sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) raise(connection_.raw(), "sqlite3_bind_text", rc);
  return *this;
}

Statement& Statement::bindBlob(int index, const void* data, std::size_t size) {
  int rc = sqlite3_bind_blob(statement_.get(), index, data, static_cast<int>(size), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) raise(connection_.raw(), "sqlite3_bind_blob", rc);
  return *this;
}

Statement& Statement::bindNull(int index) {
  int rc = sqlite3_bind_null(statement_.get(), index);
  if (rc != SQLITE_OK) raise(connection_.raw(), "sqlite3_bind_null", rc);
  return *this;
}

bool Statement::step() {
  int rc = sqlite3_step(statement_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  raise(connection_.raw(), "sqlite3_step(" + sql_.substr(0, 60) + ")", rc);
}

void Statement::run() {
  while (step()) {
  }
}

void Statement::reset() {
  sqlite3_reset(statement_.get());
  sqlite3_clear_bindings(statement_.get());
}

std::int64_t Statement::int64(int column) const { return sqlite3_column_int64(statement_.get(), column); }

std::string Statement::text(int column) const {
  auto* p = sqlite3_column_text(statement_.get(), column);
  int n = sqlite3_column_bytes(statement_.get(), column);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

std::string Statement::blob(int column) const {
  auto* p = sqlite3_column_blob(statement_.get(), column);
  int n = sqlite3_column_bytes(statement_.get(), column);
  return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

bool Statement::isNull(int column) const {
  return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
  connection_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (!done_) {
    try {
      connection_.exec("ROLLBACK");
    } catch (...) {
      // Nothing sensible is left to do; the connection rolls back when it closes.
    }
  }
}

void Transaction::commit() {
  connection_.exec("COMMIT");
  done_ = true;
}

}  // namespace vk::service

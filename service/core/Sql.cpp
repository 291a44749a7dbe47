#include "Sql.h"

#include "Postgres.h"
#include "Sqlite.h"

namespace vk::service {

namespace {
constexpr Dialect kSqlite{
    .emptyBlob = "x''",
    .sameMail = "mail = ?",  // the column is COLLATE NOCASE
    .groupConcat = "group_concat",
};
constexpr Dialect kPostgres{
    .emptyBlob = "'\\x'::bytea",
    .sameMail = "lower(mail) = lower(?)",  // the index users_by_mail is on lower(mail)
    .groupConcat = "string_agg",
};
}  // namespace

const Dialect& Connection::dialect() const { return backend() == Backend::sqlite ? kSqlite : kPostgres; }

std::unique_ptr<Connection> connect(const DatabaseTarget& target) {
  if (!target.postgresUrl.empty()) return std::make_unique<PostgresConnection>(target.postgresUrl);
  return std::make_unique<SqliteConnection>(target.sqliteFile, target.fullSync);
}

Transaction::~Transaction() {
  if (!done_) {
    try {
      connection_.rollback();
    } catch (...) {
      // Nothing sensible is left to do: the connection is not reused (Connection::reusable) and
      // the server rolls back when it closes.
    }
  }
}

}  // namespace vk::service

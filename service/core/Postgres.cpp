#include "Postgres.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>

namespace vk::service {

void PgFinisher::operator()(pg_conn* connection) const { PQfinish(connection); }
void PgClearer::operator()(pg_result* result) const { PQclear(result); }

namespace {

constexpr Oid kInt8 = 20;
constexpr Oid kBytea = 17;

// The server is gone or refuses work for now: class 08 (connection exception), and the
// shutdown and start-up states of class 57.
bool unreachableState(const char* state) {
  if (!state) return false;
  std::string_view s(state);
  return s.starts_with("08") || s == "57P01" || s == "57P02" || s == "57P03";
}

void ignoreNotice(void*, const char*) {}

std::string trimmed(std::string message) {
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class PostgresCursor final : public Cursor {
 public:
  PostgresCursor(PostgresConnection& connection, std::string_view sql) : connection_(connection) {
    int count = 0;
    sql_ = numberPlaceholders(sql, count);
    const auto n = static_cast<std::size_t>(count);
    values_.resize(n);
    isSet_.assign(n, false);
    types_.assign(n, 0);
    formats_.assign(n, 0);
  }

  void bindInt(int index, std::int64_t value) override { set(index, std::to_string(value), kInt8, 0); }
  void bindText(int index, std::string_view text) override { set(index, std::string(text), 0, 0); }
  void bindBlob(int index, const void* data, std::size_t size) override {
    set(index, std::string(static_cast<const char*>(data), size), kBytea, 1);
  }
  void bindNull(int index) override {
    auto& slot = at(index);
    slot.clear();
    isSet_[static_cast<std::size_t>(index - 1)] = false;
    types_[static_cast<std::size_t>(index - 1)] = 0;
    result_.reset();
  }

  bool step() override {
    if (!result_) {
      std::vector<const char*> values(values_.size());
      std::vector<int> lengths(values_.size());
      for (std::size_t i = 0; i < values_.size(); ++i) {
        values[i] = isSet_[i] ? values_[i].data() : nullptr;
        lengths[i] = static_cast<int>(values_[i].size());
      }
      result_ = connection_.execute(sql_, types_, values, lengths, formats_);
      row_ = -1;
      rows_ = PQntuples(result_.get());
    }
    if (++row_ < rows_) return true;
    result_.reset();
    return false;
  }

  void reset() override {
    result_.reset();
    for (std::size_t i = 0; i < values_.size(); ++i) {
      values_[i].clear();
      isSet_[i] = false;
      types_[i] = 0;
      formats_[i] = 0;
    }
  }

  std::int64_t int64(int column) const override {
    const char* value = cell(column);
    std::int64_t number = 0;
    if (value) std::from_chars(value, value + std::char_traits<char>::length(value), number);
    return number;
  }
  // A blob column reads as its bytes, as in SQLite, whether asked for as text or as a blob.
  std::string text(int column) const override {
    const char* value = cell(column);
    if (!value) return {};
    std::string raw(value, static_cast<std::size_t>(PQgetlength(result_.get(), row_, column)));
    return PQftype(result_.get(), column) == kBytea ? unhex(raw) : raw;
  }
  std::string blob(int column) const override { return text(column); }
  bool isNull(int column) const override { return cell(column) == nullptr; }

 private:
  // bytea in its text form: \x and two hex digits a byte.
  static std::string unhex(const std::string& hex) {
    if (!hex.starts_with("\\x")) return hex;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 2; i + 1 < hex.size(); i += 2)
      bytes.push_back(static_cast<char>(hexValue(hex[i]) << 4 | hexValue(hex[i + 1])));
    return bytes;
  }
  std::string& at(int index) {
    if (index < 1 || static_cast<std::size_t>(index) > values_.size())
      throw SqlError("bind(" + std::to_string(index) + ") failed: the statement takes " + std::to_string(values_.size()) +
                     " values: " + sql_.substr(0, 60));
    return values_[static_cast<std::size_t>(index - 1)];
  }
  void set(int index, std::string value, Oid type, int format) {
    at(index) = std::move(value);
    const auto i = static_cast<std::size_t>(index - 1);
    isSet_[i] = true;
    types_[i] = type;
    formats_[i] = format;
    result_.reset();
  }
  // The value of a column of the current row; nullptr for NULL.
  const char* cell(int column) const {
    if (!result_ || row_ < 0 || row_ >= rows_ || column < 0 || column >= PQnfields(result_.get()))
      throw SqlError("reading column " + std::to_string(column) + " failed: no such column or no row: " +
                     sql_.substr(0, 60));
    if (PQgetisnull(result_.get(), row_, column)) return nullptr;
    return PQgetvalue(result_.get(), row_, column);
  }

  PostgresConnection& connection_;
  std::string sql_;
  std::vector<std::string> values_;
  std::vector<bool> isSet_;
  std::vector<unsigned> types_;
  std::vector<int> formats_;
  PgResult result_;
  int row_ = -1;
  int rows_ = 0;
};

}  // namespace

std::string numberPlaceholders(std::string_view sql, int& count) {
  std::string out;
  out.reserve(sql.size() + 16);
  count = 0;
  char quote = 0;
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
      out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == '?') {
      out += '$';
      out += std::to_string(++count);
    } else {
      out += c;
    }
  }
  return out;
}

PostgresConnection::PostgresConnection(const std::string& url) {
  // A server that does not answer fails the request after a few seconds, not after the
  // system's TCP timeout; the URL's own settings come later and win.
  const char* keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count", "dbname",
                        nullptr};
  const char* values[] = {"5", "10", "5", "3", url.c_str(), nullptr};
  connection_.reset(PQconnectdbParams(keys, values, 1));
  if (!connection_) throw SqlError("PQconnectdbParams failed: out of memory", true);
  if (PQstatus(connection_.get()) != CONNECTION_OK)
    throw SqlError("connecting to PostgreSQL failed: " + trimmed(PQerrorMessage(connection_.get())), true);
  PQsetNoticeProcessor(connection_.get(), ignoreNotice, nullptr);
}

void PostgresConnection::fail(const std::string& call, pg_result* result) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  std::string message = trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(connection_.get()));
  if (message.empty()) message = trimmed(PQerrorMessage(connection_.get()));
  const bool gone = PQstatus(connection_.get()) != CONNECTION_OK || unreachableState(state);
  if (gone) broken_ = true;
  throw SqlError(call + " failed: " + message, gone);
}

PgResult PostgresConnection::check(const std::string& call, PgResult result) {
  auto status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(call, result.get());
  if (status == PGRES_COMMAND_OK) {
    const char* tuples = PQcmdTuples(result.get());
    changes_ = tuples && *tuples ? std::atoi(tuples) : 0;
  }
  return result;
}

void PostgresConnection::exec(std::string_view sql) {
  std::string text(sql);
  check("PQexec(" + text.substr(0, 60) + ")", PgResult(PQexec(connection_.get(), text.c_str())));
}

std::unique_ptr<Cursor> PostgresConnection::prepare(std::string_view sql) {
  return std::make_unique<PostgresCursor>(*this, sql);
}

PgResult PostgresConnection::execute(const std::string& sql, const std::vector<unsigned>& types,
                                     const std::vector<const char*>& values, const std::vector<int>& lengths,
                                     const std::vector<int>& formats) {
  std::string key = sql;
  key += '\0';
  for (auto type : types) key += std::to_string(type) + ",";
  auto found = prepared_.find(key);
  if (found == prepared_.end()) {
    std::string name = "vk" + std::to_string(prepared_.size() + 1);
    std::vector<Oid> oids(types.begin(), types.end());
    check("PQprepare(" + sql.substr(0, 60) + ")",
          PgResult(PQprepare(connection_.get(), name.c_str(), sql.c_str(), static_cast<int>(oids.size()), oids.data())));
    found = prepared_.emplace(std::move(key), std::move(name)).first;
  }
  return check("PQexecPrepared(" + sql.substr(0, 60) + ")",
               PgResult(PQexecPrepared(connection_.get(), found->second.c_str(), static_cast<int>(values.size()),
                                       values.data(), lengths.data(), formats.data(), 0)));
}

std::int64_t PostgresConnection::lastInsertId() {
  const int changed = changes_;
  auto result = check("lastval()", PgResult(PQexec(connection_.get(), "SELECT lastval()")));
  changes_ = changed;
  return std::strtoll(PQgetvalue(result.get(), 0, 0), nullptr, 10);
}

void PostgresConnection::begin() {
  // Writers take turns, as with SQLite: a transaction that reads and then writes on what it read
  // (a balance, an upload's packets) sees no other writer's half-done work. The lock is the
  // schema's, so services on separate schemas of one database do not wait for each other, and it
  // ends with the transaction.
  exec("BEGIN; SELECT pg_advisory_xact_lock(hashtext(current_schema()))");
}

bool PostgresConnection::reusable() const {
  return !broken_ && PQstatus(connection_.get()) == CONNECTION_OK &&
         PQtransactionStatus(connection_.get()) == PQTRANS_IDLE;
}

void PostgresConnection::resumeKeys() {
  auto columns = check("PQexec(identity columns)",
                       PgResult(PQexec(connection_.get(),
                                       "SELECT table_name, column_name FROM information_schema.columns"
                                       " WHERE table_schema = current_schema() AND is_identity = 'YES'")));
  for (int row = 0; row < PQntuples(columns.get()); ++row) {
    std::string table = PQgetvalue(columns.get(), row, 0), column = PQgetvalue(columns.get(), row, 1);
    // Names from the catalogue, quoted as identifiers.
    exec("SELECT setval(pg_get_serial_sequence('\"" + table + "\"', '" + column + "'), COALESCE((SELECT MAX(\"" +
         column + "\") FROM \"" + table + "\"), 0) + 1, false)");
  }
}

}  // namespace vk::service

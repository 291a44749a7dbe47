#include "Database.h"

#include <regex>

#include "Sqlite.h"

namespace vk::service {
namespace {

// 2: songs.file, the demo song file a catalogue song plays.
// 3: users.pw_scheme, how pw_hash was made (Password.h); older rows are PBKDF2.
constexpr int kSchemaVersion = 3;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS users(
  user_id INTEGER PRIMARY KEY,
  mail TEXT NOT NULL UNIQUE COLLATE NOCASE,
  nickname TEXT NOT NULL,
  pw_salt BLOB NOT NULL,
  pw_hash BLOB NOT NULL,
  pw_scheme TEXT NOT NULL DEFAULT 'pbkdf2',
  secret_key TEXT NOT NULL,
  telphone TEXT NOT NULL DEFAULT '',
  ruza_zuv INTEGER NOT NULL DEFAULT 0,
  coins_cents INTEGER NOT NULL DEFAULT 0 CHECK(coins_cents >= 0),
  level TEXT NOT NULL DEFAULT '',
  exper TEXT NOT NULL DEFAULT '',
  ipercent INTEGER NOT NULL DEFAULT 0,
  total_sing INTEGER NOT NULL DEFAULT 0,
  total_upload INTEGER NOT NULL DEFAULT 0,
  leave_sing INTEGER NOT NULL DEFAULT 0 CHECK(leave_sing >= 0),
  leave_upload INTEGER NOT NULL DEFAULT 0 CHECK(leave_upload >= 0),
  juded_song_num INTEGER NOT NULL DEFAULT 0,
  over_date TEXT NOT NULL DEFAULT '',
  ktv_num INTEGER NOT NULL DEFAULT 0,
  upload_num INTEGER NOT NULL DEFAULT 0,
  is_vod INTEGER NOT NULL DEFAULT 1,
  is_upload INTEGER NOT NULL DEFAULT 1,
  is_vod_coins INTEGER NOT NULL DEFAULT 1,
  is_upload_coins INTEGER NOT NULL DEFAULT 1,
  tone_value TEXT NOT NULL DEFAULT '0',
  tone_level TEXT NOT NULL DEFAULT '0',
  tone_sex TEXT NOT NULL DEFAULT '1',
  picture TEXT NOT NULL DEFAULT '',
  audio_settings TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS sessions(
  session_id TEXT PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  created INTEGER NOT NULL,
  expires INTEGER NOT NULL,
  revoked INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS tones(
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  idx INTEGER NOT NULL CHECK(idx BETWEEN 0 AND 6),
  data TEXT NOT NULL,
  PRIMARY KEY(user_id, idx));
CREATE TABLE IF NOT EXISTS categories(
  cat_id INTEGER PRIMARY KEY,
  target TEXT NOT NULL CHECK(target IN ('song', 'singer')),
  name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS scopes(
  scope TEXT PRIMARY KEY,
  target TEXT NOT NULL CHECK(target IN ('song', 'singer')),
  cat_id INTEGER REFERENCES categories(cat_id));
CREATE TABLE IF NOT EXISTS singers(
  singer_no INTEGER PRIMARY KEY,
  singer_key TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL,
  initials TEXT NOT NULL DEFAULT '',
  strokes INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS singers_by_initials ON singers(initials);
CREATE INDEX IF NOT EXISTS singers_by_strokes ON singers(strokes);
CREATE TABLE IF NOT EXISTS singer_categories(
  cat_id INTEGER NOT NULL REFERENCES categories(cat_id),
  singer_no INTEGER NOT NULL REFERENCES singers(singer_no),
  PRIMARY KEY(cat_id, singer_no)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS songs(
  song_no INTEGER PRIMARY KEY,
  song_id TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL,
  song_key TEXT NOT NULL,
  singer_no INTEGER NOT NULL REFERENCES singers(singer_no),
  flash1 TEXT NOT NULL DEFAULT '', flash2 TEXT NOT NULL DEFAULT '', flash3 TEXT NOT NULL DEFAULT '',
  flash4 TEXT NOT NULL DEFAULT '', flash5 TEXT NOT NULL DEFAULT '',
  initials TEXT NOT NULL DEFAULT '',
  name_len INTEGER NOT NULL DEFAULT 0,
  file TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS songs_by_singer ON songs(singer_no);
CREATE INDEX IF NOT EXISTS songs_by_initials ON songs(initials);
CREATE INDEX IF NOT EXISTS songs_by_length ON songs(name_len);
CREATE TABLE IF NOT EXISTS song_categories(
  cat_id INTEGER NOT NULL REFERENCES categories(cat_id),
  song_no INTEGER NOT NULL REFERENCES songs(song_no),
  PRIMARY KEY(cat_id, song_no)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS songbook(
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  song_no INTEGER NOT NULL REFERENCES songs(song_no),
  added INTEGER NOT NULL,
  PRIMARY KEY(user_id, song_no)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS menu(
  id INTEGER PRIMARY KEY CHECK(id = 1),
  version TEXT NOT NULL,
  document TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS periods(
  period_id INTEGER PRIMARY KEY,
  start TEXT NOT NULL,
  "end" TEXT NOT NULL,
  title TEXT NOT NULL,
  current INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS contest_songs(
  period_id INTEGER NOT NULL REFERENCES periods(period_id),
  position INTEGER NOT NULL,
  song_no INTEGER NOT NULL REFERENCES songs(song_no),
  picture TEXT NOT NULL,
  PRIMARY KEY(period_id, position));
CREATE TABLE IF NOT EXISTS uploads(
  upload_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  ext TEXT NOT NULL,
  size INTEGER NOT NULL,
  packet_size INTEGER NOT NULL,
  packet_total INTEGER NOT NULL,
  created INTEGER NOT NULL,
  finished INTEGER NOT NULL DEFAULT 0,
  file TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS upload_packets(
  upload_id INTEGER NOT NULL REFERENCES uploads(upload_id) ON DELETE CASCADE,
  idx INTEGER NOT NULL,
  crc INTEGER NOT NULL,
  PRIMARY KEY(upload_id, idx)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS works(
  work_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  upload_id INTEGER UNIQUE,
  song_id TEXT NOT NULL,
  song_name TEXT NOT NULL,
  singer_name TEXT NOT NULL,
  singer_id TEXT NOT NULL,
  time_length TEXT NOT NULL DEFAULT '',
  total INTEGER NOT NULL DEFAULT 0,
  pitch INTEGER NOT NULL DEFAULT 0,
  expression INTEGER NOT NULL DEFAULT 0,
  rhythm INTEGER NOT NULL DEFAULT 0,
  engine_total INTEGER NOT NULL DEFAULT 0,
  type INTEGER NOT NULL DEFAULT 0,
  flowers INTEGER NOT NULL DEFAULT 0,
  listens INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL,
  file TEXT NOT NULL DEFAULT '',
  picture TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS works_by_song ON works(song_id, type);
CREATE INDEX IF NOT EXISTS works_by_user ON works(user_id);
CREATE TABLE IF NOT EXISTS charges(
  charge_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  kind INTEGER NOT NULL,
  song_id TEXT NOT NULL,
  song_name TEXT NOT NULL,
  extra TEXT NOT NULL,
  paid_with TEXT NOT NULL,
  coins_cents INTEGER NOT NULL,
  created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS fee_reports(
  report_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  remaining_sings INTEGER NOT NULL,
  remaining_uploads INTEGER NOT NULL,
  coins TEXT NOT NULL,
  consistent INTEGER NOT NULL,
  created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS recharge_tokens(
  token TEXT PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  expires INTEGER NOT NULL,
  used INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS recharges(
  recharge_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  coins_cents INTEGER NOT NULL,
  created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS packet_log(
  packet_id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(user_id) ON DELETE CASCADE,
  message_id INTEGER NOT NULL,
  body TEXT NOT NULL,
  status INTEGER NOT NULL,
  created INTEGER NOT NULL);
)sql";

// The schema above as PostgreSQL spells it: 64-bit integers (times, CRCs), generated keys where
// SQLite gives a row id, byte arrays for blobs, and the mail's case ignored by an index on
// lower(mail) instead of a collation. Texts compare byte by byte as in SQLite, whatever the
// database's locale: the initials' prefix ranges (up to P + "~") and the orders rely on it.
std::string postgresSchema() {
  std::string schema = std::regex_replace(kSchema, std::regex(R"((\w+) INTEGER PRIMARY KEY)"),
                                          "$1 BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
  schema = std::regex_replace(schema, std::regex(R"(\bINTEGER\b)"), "BIGINT");
  schema = std::regex_replace(schema, std::regex(R"(\bBLOB\b)"), "BYTEA");
  schema = std::regex_replace(schema, std::regex(R"(\bTEXT\b)"), "TEXT COLLATE \"C\"");
  schema = std::regex_replace(schema, std::regex(" WITHOUT ROWID"), "");
  schema = std::regex_replace(schema, std::regex(" UNIQUE COLLATE NOCASE"), "");
  schema += "CREATE UNIQUE INDEX IF NOT EXISTS users_by_mail ON users(lower(mail));\n";
  return schema;
}

// A table the schema above just created already has the column.
bool hasColumn(Connection& connection, std::string_view table, std::string_view column) {
  Statement read(connection, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
  read.bind(1, table).bind(2, column);
  return read.step();
}

}  // namespace

Database::Lease::~Lease() {
  if (!owner_ || !connection_) return;
  std::lock_guard lock(owner_->mutex_);
  if (connection_->reusable()) {
    owner_->idle_.push_back(std::move(connection_));
  } else if (connection_->lost()) {
    // The server went away: the idle connections died with this one. Dropping them now lets
    // the first request after the server's return connect anew instead of failing on them.
    owner_->idle_.clear();
  }
}

Database::Database(DatabaseTarget target) : target_(std::move(target)) {
  auto first = connect(target_);
  createSchema(*first);
  idle_.push_back(std::move(first));
}

Database::Lease Database::acquire() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      auto connection = std::move(idle_.back());
      idle_.pop_back();
      return Lease(*this, std::move(connection));
    }
  }
  return Lease(*this, connect(target_));
}

void Database::createSchema(Connection& connection) {
  Transaction transaction(connection);
  connection.exec(connection.backend() == Backend::sqlite ? std::string(kSchema) : postgresSchema());
  Statement read(connection, "SELECT value FROM meta WHERE key = 'schema_version'");
  if (read.step()) {
    int found = std::stoi(read.text(0));
    if (found > kSchemaVersion)
      throw SqlError("schema check failed: the database was written by a newer service (schema " +
                     std::to_string(found) + ")");
    // Older schemas exist only in SQLite files: PostgreSQL started at schema 3.
    if (found < 2) connection.exec("ALTER TABLE songs ADD COLUMN file TEXT NOT NULL DEFAULT ''");
    if (found < 3 && !hasColumn(connection, "users", "pw_scheme"))
      connection.exec("ALTER TABLE users ADD COLUMN pw_scheme TEXT NOT NULL DEFAULT 'pbkdf2'");
    if (found < kSchemaVersion) {
      Statement write(connection, "UPDATE meta SET value = ? WHERE key = 'schema_version'");
      write.bind(1, std::to_string(kSchemaVersion)).run();
    }
  } else {
    Statement write(connection, "INSERT INTO meta(key, value) VALUES('schema_version', ?)");
    write.bind(1, std::to_string(kSchemaVersion)).run();
  }
  transaction.commit();
}

}  // namespace vk::service

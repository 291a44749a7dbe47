// Users and sessions, the account (rights, tone, charges, fee reports) and generic packets.
#include <openssl/rand.h>
#include <strings.h>

#include <charconv>
#include <regex>

#include "ServiceImpl.h"

namespace vk::service {

namespace st = wire::status;
using nlohmann::json;

namespace {
constexpr std::int64_t kCoinPriceCents = 10;  // a sing or an upload paid by coins costs 0.1
constexpr std::size_t kMaxText = 400;

void checkText(std::string_view name, std::string_view value, std::size_t limit = kMaxText) {
  if (value.size() > limit)
    refuse(400, st::kBadArgument, "'" + std::string(name) + "' is longer than " + std::to_string(limit) + " bytes");
}

std::optional<int> parseDecimal(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}
}  // namespace

std::string randomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(raw.data()), static_cast<int>(bytes)) != 1)
    throw std::runtime_error("RAND_bytes failed");
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : raw) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

wire::UserRecord Service::Impl::loadUser(Connection& connection, std::int64_t userId) {
  Statement read(connection,
                 "SELECT ruza_zuv, coins_cents, level, exper, ipercent, total_sing, total_upload, leave_sing,"
                 " leave_upload, juded_song_num, over_date, ktv_num, upload_num, secret_key, mail, telphone,"
                 " is_vod, is_upload, is_vod_coins, is_upload_coins, tone_level, tone_sex"
                 " FROM users WHERE user_id = ?");
  read.bind(1, userId);
  if (!read.step()) refuse(404, st::kUnknownId, "no such user");
  wire::UserRecord u;
  u.ruzaZuv = read.integer(0);
  u.VokaCoin = formatCoins(read.int64(1));
  u.level = read.text(2);
  u.exper = read.text(3);
  u.iPercent = read.integer(4);
  u.totalCanSingRecNum = read.integer(5);
  u.totalCanUploadNum = read.integer(6);
  u.leaveCanSingRecNum = read.integer(7);
  u.leaveCanUploadNum = read.integer(8);
  u.judedSongNum = read.integer(9);
  u.overDate = read.text(10);
  u.ktvNum = read.integer(11);
  u.uploadNum = read.integer(12);
  u.UserID = std::to_string(userId);
  u.SecretKey = read.text(13);
  u.Mail = read.text(14);
  u.Telphone = read.text(15);
  u.IsVod = read.integer(16);
  u.IsUpload = read.integer(17);
  u.IsVodCoins = read.integer(18);
  u.IsUploadCoins = read.integer(19);
  u.userToneLevel = read.text(20);
  u.userToneSex = read.text(21);
  return u;
}

Response Service::Impl::login(const Request& request) {
  auto credentials = parseBody<wire::LoginRequest>(request);
  checkText("mail", credentials.mail, 254);
  checkText("password", credentials.password, 256);
  auto attempt = logins.begin(credentials.mail, request.remote, now());
  if (attempt.waitSeconds() > 0)
    refuse(429, st::kTooManyAttempts, "too many attempts, try again in " + std::to_string(attempt.waitSeconds()) + " s");
  auto connection = db->acquire();
  std::int64_t userId = 0;
  std::string scheme, stored;
  bool match = false;
  {
    Statement read(*connection, std::string("SELECT user_id, pw_salt, pw_hash, pw_scheme FROM users WHERE ") +
                                     connection->dialect().sameMail);
    read.bind(1, credentials.mail);
    if (!read.step()) {
      // As much work as for an account, so the answer takes as long either way.
      hashForNobody(credentials.password, passwordCost);
    } else {
      userId = read.int64(0);
      stored = read.blob(2);
      scheme = read.text(3);
      if (scheme == kSchemeArgon2id) match = verifyArgon2id(stored, credentials.password);
      else if (scheme == kSchemePbkdf2) match = verifyPbkdf2(stored, read.blob(1), credentials.password);
      else hashForNobody(credentials.password, passwordCost);  // a scheme this service does not know
    }
  }
  if (!match) {
    attempt.failed();
    refuse(401, st::kLoginFailed, "wrong mail or password");
  }
  attempt.succeeded();
  if (scheme != kSchemeArgon2id || belowCost(stored, passwordCost)) {
    // The password is at hand only now: bring its hash up to the current scheme and cost.
    std::string upgraded = hashArgon2id(credentials.password, passwordCost);
    Statement update(*connection, std::string("UPDATE users SET pw_scheme = ?, pw_hash = ?, pw_salt = ") +
                                       connection->dialect().emptyBlob + " WHERE user_id = ?");
    update.bind(1, kSchemeArgon2id).bindBlob(2, upgraded.data(), upgraded.size()).bind(3, userId).run();
  }
  wire::LoginReply reply;
  reply.userId = std::to_string(userId);
  reply.sessionId = randomHex(16);
  reply.expiresAt = now() + config.sessionTtlSeconds;
  Statement insert(*connection, "INSERT INTO sessions(session_id, user_id, created, expires) VALUES(?, ?, ?, ?)");
  insert.bind(1, reply.sessionId).bind(2, userId).bind(3, now()).bind(4, reply.expiresAt).run();
  reply.user = loadUser(*connection, userId);
  return okResponse(json(reply));
}

Response Service::Impl::revokeSession(const Caller& caller) {
  auto connection = db->acquire();
  Statement revoke(*connection, "UPDATE sessions SET revoked = 1 WHERE session_id = ?");
  revoke.bind(1, caller.sessionId).run();
  sessions.erase(caller.sessionId);
  return okResponse();
}

Response Service::Impl::userRecord(const Caller& caller) {
  auto connection = db->acquire();
  return okResponse({{"user", loadUser(*connection, caller.userId)}});
}

Response Service::Impl::rights(const Caller& caller) {
  auto connection = db->acquire();
  auto u = loadUser(*connection, caller.userId);
  return okResponse(json(wire::Rights{u.IsVod, u.IsUpload, u.IsVodCoins, u.IsUploadCoins}));
}

Response Service::Impl::tone(const Caller& caller) {
  auto connection = db->acquire();
  Statement read(*connection, "SELECT tone_value, tone_level FROM users WHERE user_id = ?");
  read.bind(1, caller.userId);
  if (!read.step()) refuse(404, st::kUnknownId, "no such user");
  return okResponse(json(wire::ToneValues{read.text(0), read.text(1)}));
}

Response Service::Impl::charge(const Request& request, const Caller& caller) {
  auto wanted = parseBody<wire::ChargeRequest>(request);
  if (wanted.kind != 1 && wanted.kind != 2) refuse(400, st::kBadArgument, "kind must be 1 (sing) or 2 (upload)");
  checkText("songId", wanted.songId);
  checkText("songName", wanted.songName);
  checkText("extra", wanted.extra);
  const bool sing = wanted.kind == 1;
  auto connection = db->acquire();
  Transaction transaction(*connection);
  Statement read(*connection, sing ? "SELECT leave_sing, coins_cents, is_vod, is_vod_coins FROM users WHERE user_id = ?"
                                   : "SELECT leave_upload, coins_cents, is_upload, is_upload_coins FROM users WHERE user_id = ?");
  read.bind(1, caller.userId);
  if (!read.step()) refuse(404, st::kUnknownId, "no such user");
  int left = read.integer(0);
  std::int64_t coins = read.int64(1);
  bool mayUseAllowance = read.integer(2) != 0, mayUseCoins = read.integer(3) != 0;
  if (!mayUseAllowance && !mayUseCoins) refuse(403, st::kNoRight, "the account may not do this");

  wire::ChargeAnswer answer;
  answer.kind = wanted.kind;
  answer.result = "0";
  std::int64_t price = 0;
  if (mayUseAllowance && left > 0) {
    answer.paidWith = "allowance";
    Statement take(*connection, sing ? "UPDATE users SET leave_sing = leave_sing - 1, ktv_num = ktv_num + 1 WHERE user_id = ?"
                                     : "UPDATE users SET leave_upload = leave_upload - 1, ktv_num = ktv_num + 1 WHERE user_id = ?");
    take.bind(1, caller.userId).run();
  } else if (mayUseCoins && coins >= kCoinPriceCents) {
    answer.paidWith = "coins";
    price = kCoinPriceCents;
    Statement take(*connection, "UPDATE users SET coins_cents = coins_cents - ?, ktv_num = ktv_num + 1 WHERE user_id = ?");
    take.bind(1, price).bind(2, caller.userId).run();
  }
  if (!answer.paidWith.empty()) {
    answer.result = "1";
    Statement log(*connection,
                  "INSERT INTO charges(user_id, kind, song_id, song_name, extra, paid_with, coins_cents, created)"
                  " VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    log.bind(1, caller.userId).bind(2, wanted.kind).bind(3, wanted.songId).bind(4, wanted.songName);
    log.bind(5, wanted.extra).bind(6, answer.paidWith).bind(7, price).bind(8, now()).run();
  }
  answer.user = loadUser(*connection, caller.userId);
  transaction.commit();
  return okResponse(json(answer));
}

Response Service::Impl::feeReport(const Request& request, const Caller& caller) {
  // The client reports what it believes it has left. The service's own counters stay the
  // truth: the report is kept for comparison and never changes a balance.
  auto report = parseBody<wire::FeeReport>(request);
  checkText("coins", report.coins, 32);
  auto connection = db->acquire();
  auto u = loadUser(*connection, caller.userId);
  bool consistent = report.remainingSings == u.leaveCanSingRecNum && report.remainingUploads == u.leaveCanUploadNum;
  Statement log(*connection,
                "INSERT INTO fee_reports(user_id, remaining_sings, remaining_uploads, coins, consistent, created)"
                " VALUES(?, ?, ?, ?, ?, ?)");
  log.bind(1, caller.userId).bind(2, report.remainingSings).bind(3, report.remainingUploads);
  log.bind(4, report.coins).bind(5, consistent ? 1 : 0).bind(6, now()).run();
  return okResponse({{"consistent", consistent}});
}

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

const std::string* field(const Fields& fields, std::string_view key) {
  for (auto& [k, v] : fields)
    if (k == key) return &v;
  return nullptr;
}

int intField(const Fields& fields, std::string_view key, int fallback, int minimum, int maximum) {
  auto* text = field(fields, key);
  if (!text) return fallback;
  auto value = parseDecimal(*text);
  if (!value || *value < minimum || *value > maximum)
    refuse(400, st::kBadArgument, "field '" + std::string(key) + "' must be an integer in " +
                                      std::to_string(minimum) + ".." + std::to_string(maximum));
  return *value;
}

std::string textField(const Fields& fields, std::string_view key) {
  auto* text = field(fields, key);
  return text ? *text : std::string();
}

const char* const kAudioNames[11] = {"VOL", "MIC", "MICRC", "Accompany", "MELODY", "KEY",
                                     "ECHO", "Depth", "EffectID", "L", "M"};

wire::AudioSettings defaultAudio() {
  wire::AudioSettings a;
  a.a = 1;
  a.values = {80, 70, 50, 80, 50, 0, 30, 40, 1, 0, 0};
  return a;
}

}  // namespace

Response Service::Impl::packet(const Request& request, const Caller& caller) {
  auto message = parseBody<wire::PacketMessage>(request);
  if (message.items.size() > 64) refuse(400, st::kBadArgument, "too many items");
  for (auto& item : message.items) {
    if (item.size() > 64) refuse(400, st::kBadArgument, "too many fields in an item");
    for (auto& [k, v] : item) {
      checkText("field name", k, 64);
      checkText("field value", v, 1024);
    }
  }
  static const Fields kNone;
  const Fields& fields = message.items.empty() ? kNone : message.items.front();
  auto connection = db->acquire();
  json reply = {{"messageId", message.messageId}};
  Transaction transaction(*connection);
  {
    switch (message.messageId) {
      case 6315: {  // the phone number form: the user's own mail and id, a mobile number
        static const std::regex mobile("^1[3-8][0-9]{9}$");
        auto u = loadUser(*connection, caller.userId);
        if (textField(fields, "USERID") != u.UserID) refuse(403, st::kForbidden, "USERID is not the session's user");
        std::string mail = textField(fields, "EMAIL");
        if (mail.size() != u.Mail.size() || strcasecmp(mail.c_str(), u.Mail.c_str()) != 0)
          refuse(400, st::kBadArgument, "EMAIL is not the user's mail");
        std::string number = textField(fields, "MOBILE");
        if (!std::regex_match(number, mobile)) refuse(400, st::kBadArgument, "MOBILE is not a mobile phone number");
        Statement update(*connection, "UPDATE users SET telphone = ? WHERE user_id = ?");
        update.bind(1, number).bind(2, caller.userId).run();
        break;
      }
      case 2564: {  // save the audio settings
        wire::AudioSettings a;
        a.a = intField(fields, "A", 0, -1000000, 1000000);
        a.b = intField(fields, "B", 0, -1000000, 1000000);
        for (int i = 0; i < 4; ++i) a.texts[static_cast<std::size_t>(i)] = textField(fields, "T" + std::to_string(i));
        for (int i = 0; i < 11; ++i) a.values[static_cast<std::size_t>(i)] = intField(fields, kAudioNames[i], 0, -1000000, 1000000);
        Statement update(*connection, "UPDATE users SET audio_settings = ? WHERE user_id = ?");
        update.bind(1, json(a).dump()).bind(2, caller.userId).run();
        break;
      }
      case 2565: {  // read the audio settings
        Statement read(*connection, "SELECT audio_settings FROM users WHERE user_id = ?");
        read.bind(1, caller.userId);
        wire::AudioSettings a = defaultAudio();
        if (read.step() && !read.text(0).empty()) a = wire::parseAs<wire::AudioSettings>(read.text(0));
        reply["settings"] = json::array({json(a)});
        break;
      }
      case 2566: {  // save the tone values
        int value = intField(fields, "TONEVALUE", -1, 0, 1000);
        int level = intField(fields, "TONELEVEL", -1, 0, 6);
        if (value < 0 || level < 0) refuse(400, st::kBadArgument, "TONEVALUE and TONELEVEL are required");
        Statement update(*connection, "UPDATE users SET tone_value = ?, tone_level = ? WHERE user_id = ?");
        update.bind(1, std::to_string(value)).bind(2, std::to_string(level)).bind(3, caller.userId).run();
        break;
      }
      case 2586: {  // save one tone record
        wire::ToneItem t;
        t.index = intField(fields, "index", -1, 0, 6);
        if (t.index < 0) refuse(400, st::kBadArgument, "index is required");
        t.isMale = intField(fields, "isMale", 1, 0, 1);
        t.highPitch = intField(fields, "highPitch", 0, -1000, 1000);
        t.highKey = intField(fields, "highKey", 0, -1000, 1000);
        t.lowPitch = intField(fields, "lowPitch", 0, -1000, 1000);
        t.use = intField(fields, "use", 0, 0, 1) != 0;
        t.lowKey = intField(fields, "lowKey", 0, -1000, 1000);
        t.rangeCode = textField(fields, "rangeCode");
        t.leave = std::to_string(intField(fields, "leave", 0, 0, 100));
        t.samples = intField(fields, "samples", 0, 0, 1000000);
        t.verified = intField(fields, "verified", 0, 0, 1) != 0;
        Statement upsert(*connection, "INSERT INTO tones(user_id, idx, data) VALUES(?, ?, ?)"
                                         " ON CONFLICT(user_id, idx) DO UPDATE SET data = excluded.data");
        upsert.bind(1, caller.userId).bind(2, t.index).bind(3, json(t).dump()).run();
        break;
      }
      case 2588: {  // read the tone records
        Statement read(*connection, "SELECT data FROM tones WHERE user_id = ? ORDER BY idx");
        read.bind(1, caller.userId);
        json tones = json::array();
        while (read.step()) tones.push_back(json(wire::parseAs<wire::ToneItem>(read.text(0))));
        reply["tones"] = std::move(tones);
        break;
      }
      default:
        refuse(404, st::kUnknownPacket, "unknown packet message id " + std::to_string(message.messageId));
    }
  }
  // Refused packets change nothing, not even the log.
  Statement log(*connection,
                "INSERT INTO packet_log(user_id, message_id, body, status, created) VALUES(?, ?, ?, ?, ?)");
  log.bind(1, caller.userId).bind(2, message.messageId).bind(3, request.body).bind(4, st::kOk).bind(5, now()).run();
  transaction.commit();
  return okResponse(std::move(reply));
}

}  // namespace vk::service

// Records exchanged between the contest service and the client library, with their JSON
// form. Reading is strict: a missing field, a value of the wrong type or an integer out of
// range throws WireError naming the field; both sides turn it into status::kBadJson.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace vk::wire {

class WireError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct LoginRequest {
  std::string mail;
  std::string password;
};

// The user's record. The JSON keys are the launcher's parameter names, so a launcher can copy
// them into its parameter document as they stand.
struct UserRecord {
  int ruzaZuv = 0;
  std::string VokaCoin;
  std::string level;
  std::string exper;
  int iPercent = 0;
  int totalCanSingRecNum = 0;
  int totalCanUploadNum = 0;
  int leaveCanSingRecNum = 0;
  int leaveCanUploadNum = 0;
  int judedSongNum = 0;
  std::string overDate;
  int ktvNum = 0;
  int uploadNum = 0;
  std::string UserID;
  std::string SecretKey;
  std::string Mail;
  std::string Telphone;
  int IsVod = 0;
  int IsUpload = 0;
  int IsVodCoins = 0;
  int IsUploadCoins = 0;
  std::string userToneLevel;
  std::string userToneSex;
};

struct LoginReply {
  std::string userId;
  std::string sessionId;
  std::int64_t expiresAt = 0;  // seconds since the epoch
  UserRecord user;
};

struct Rights {
  int IsVod = 0;
  int IsUpload = 0;
  int IsVodCoins = 0;
  int IsUploadCoins = 0;
};

struct ToneValues {
  std::string toneValue;  // the first tone value, decimal text
  std::string toneLevel;  // the raw level 0..6, decimal text
};

struct SongItem {
  int songNo = 0;
  std::string songId;
  std::string name;
  std::string songKey;
  std::string singerName;
  std::string singerKey;
  std::array<std::string, 5> flash;
};

struct SingerItem {
  std::string name;
  std::string key;
};

struct SongPage {
  int page = 0;       // from 1; 0 when there are no records
  int pageCount = 0;
  int total = 0;
  std::vector<SongItem> songs;
};

struct SingerPage {
  int page = 0;
  int pageCount = 0;
  int total = 0;
  std::vector<SingerItem> singers;
};

struct SongBookEntry {
  std::string songId;
  std::string songName;
  std::string singerName;
  std::string singerKey;
  std::array<std::string, 5> flash;
};

struct MenuDocument {
  std::string version;
  std::string document;
};

struct ContestSong {
  std::string songId;
  std::string name;
  std::string singerKey;
  std::string singerName;
  std::string pictureUrl;
  std::string webUrl;
};

struct Period {
  std::string start;
  std::string end;
  std::string title;
};

struct Product {
  std::string key;
  std::string displayText;
  std::string pictureKey;
  std::string webUrl;
  std::string userId;
  std::string songId;
  int total = 0;
  int flowers = 0;
  int listens = 0;
  std::string created;
};

struct Rank {
  std::array<int, 4> ranks{};  // under orderings 1..4; 0 = no rank
};

struct Work {
  std::string key;
  std::string songName;
  std::string songId;
  std::string singerName;
  std::string singerId;
  int total = 0;
  int pitch = 0;
  int expression = 0;
  int rhythm = 0;
  int engineTotal = 0;
  int flowers = 0;
  int listens = 0;
  std::string recordTime;
  std::string webUrl;
  std::string pictureUrl;
  int type = 0;
  std::string fileUrl;
};

struct UploadRequest {
  std::string ext;            // ".WMV": a dot and 1 to 8 letters or digits
  std::int64_t size = 0;
  std::int64_t packetSize = 0;  // 0: the service's default
};

struct UploadTicket {
  int uploadId = 0;
  int packetTotal = 0;
  std::int64_t packetSize = 0;
  std::int64_t size = 0;
};

struct UploadState {
  int uploadId = 0;
  int packetTotal = 0;
  std::int64_t packetSize = 0;
  std::int64_t size = 0;
  std::vector<int> received;
  bool finished = false;
  std::string address;
};

struct PacketAck {
  int uploadId = 0;
  int index = 0;
  int received = 0;  // packets the service holds now
};

struct UploadFinished {
  int uploadId = 0;
  std::string address;
};

struct ProductSubmission {
  int uploadId = 0;
  std::string songId;
  std::string songName;
  std::string singerName;
  std::string singerId;
  std::string timeLength;
  int total = 0;
  int pitch = 0;
  int expression = 0;
  int rhythm = 0;
  int engineTotal = 0;
  int type = 0;
};

struct ProductAccepted {
  std::string workId;
  std::string webUrl;
};

struct ChargeRequest {
  int kind = 0;  // 1 a sing, 2 an upload
  std::string songId;
  std::string songName;
  std::string extra;
};

struct ChargeAnswer {
  std::string result;  // "1" charged, "0" not charged
  int kind = 0;
  std::string paidWith;  // "allowance", "coins" or ""
  UserRecord user;
};

struct FeeReport {
  int remainingSings = 0;
  int remainingUploads = 0;
  std::string coins;
};

// A generic message: fields grouped in items, in the order they were added.
struct PacketMessage {
  int messageId = 0;
  std::string root;
  std::string item;
  std::vector<std::vector<std::pair<std::string, std::string>>> items;
};

struct ToneItem {
  int index = 0;  // slot 0..6
  int isMale = 1;
  int highPitch = 0;
  int highKey = 0;
  int lowPitch = 0;
  bool use = false;
  int lowKey = 0;
  std::string rangeCode;  // 8-bit text
  std::string leave;      // the level, decimal text
  int samples = 0;
  bool verified = false;
};

struct AudioSettings {
  int a = 0;
  int b = 0;
  std::array<std::string, 4> texts;
  // VOL, MIC, MICRC, Accompany, MELODY, KEY, ECHO, Depth, EffectID, L, M
  std::array<int, 11> values{};
};

namespace detail {
[[noreturn]] void fail(std::string_view what);
void readValue(const nlohmann::json& j, int& v);
void readValue(const nlohmann::json& j, std::int64_t& v);
void readValue(const nlohmann::json& j, bool& v);
void readValue(const nlohmann::json& j, std::string& v);
void readValue(const nlohmann::json& j, std::pair<std::string, std::string>& v);
template <class T>
void readValue(const nlohmann::json& j, T& v);
template <class T, std::size_t N>
void readValue(const nlohmann::json& j, std::array<T, N>& v) {
  if (!j.is_array() || j.size() != N) fail("expected an array of " + std::to_string(N));
  for (std::size_t i = 0; i < N; ++i) readValue(j[i], v[i]);
}
template <class T>
void readValue(const nlohmann::json& j, std::vector<T>& v) {
  if (!j.is_array()) fail("expected an array");
  v.clear();
  v.resize(j.size());
  for (std::size_t i = 0; i < j.size(); ++i) readValue(j[i], v[i]);
}
// A record: an object read by its from_json below.
template <class T>
void readValue(const nlohmann::json& j, T& v) {
  if (!j.is_object()) fail("expected an object");
  from_json(j, v);
}
template <class T>
void readField(const nlohmann::json& j, const char* key, T& v) {
  auto it = j.find(key);
  if (it == j.end()) throw WireError(std::string("missing field '") + key + "'");
  try {
    readValue(*it, v);
  } catch (const WireError& e) {
    throw WireError(std::string("field '") + key + "': " + e.what());
  }
}
}  // namespace detail

#define VK_WIRE_TO(field) vk_json[#field] = vk_object.field;
#define VK_WIRE_FROM(field) ::vk::wire::detail::readField(vk_json, #field, vk_object.field);
#define VK_WIRE_TYPE(Type, ...)                                                       \
  inline void to_json(nlohmann::json& vk_json, const Type& vk_object) {                 \
    NLOHMANN_JSON_EXPAND(NLOHMANN_JSON_PASTE(VK_WIRE_TO, __VA_ARGS__))                  \
  }                                                                                     \
  inline void from_json(const nlohmann::json& vk_json, Type& vk_object) {               \
    NLOHMANN_JSON_EXPAND(NLOHMANN_JSON_PASTE(VK_WIRE_FROM, __VA_ARGS__))                \
  }

VK_WIRE_TYPE(LoginRequest, mail, password)
VK_WIRE_TYPE(UserRecord, ruzaZuv, VokaCoin, level, exper, iPercent,
                                   totalCanSingRecNum, totalCanUploadNum, leaveCanSingRecNum,
                                   leaveCanUploadNum, judedSongNum, overDate, ktvNum, uploadNum,
                                   UserID, SecretKey, Mail, Telphone, IsVod, IsUpload, IsVodCoins,
                                   IsUploadCoins, userToneLevel, userToneSex)
VK_WIRE_TYPE(LoginReply, userId, sessionId, expiresAt, user)
VK_WIRE_TYPE(Rights, IsVod, IsUpload, IsVodCoins, IsUploadCoins)
VK_WIRE_TYPE(ToneValues, toneValue, toneLevel)
VK_WIRE_TYPE(SongItem, songNo, songId, name, songKey, singerName, singerKey,
                                   flash)
VK_WIRE_TYPE(SingerItem, name, key)
VK_WIRE_TYPE(SongPage, page, pageCount, total, songs)
VK_WIRE_TYPE(SingerPage, page, pageCount, total, singers)
VK_WIRE_TYPE(SongBookEntry, songId, songName, singerName, singerKey, flash)
VK_WIRE_TYPE(MenuDocument, version, document)
VK_WIRE_TYPE(ContestSong, songId, name, singerKey, singerName, pictureUrl,
                                   webUrl)
VK_WIRE_TYPE(Period, start, end, title)
VK_WIRE_TYPE(Product, key, displayText, pictureKey, webUrl, userId, songId,
                                   total, flowers, listens, created)
VK_WIRE_TYPE(Rank, ranks)
VK_WIRE_TYPE(Work, key, songName, songId, singerName, singerId, total, pitch,
                                   expression, rhythm, engineTotal, flowers, listens, recordTime,
                                   webUrl, pictureUrl, type, fileUrl)
VK_WIRE_TYPE(UploadRequest, ext, size, packetSize)
VK_WIRE_TYPE(UploadTicket, uploadId, packetTotal, packetSize, size)
VK_WIRE_TYPE(UploadState, uploadId, packetTotal, packetSize, size, received,
                                   finished, address)
VK_WIRE_TYPE(PacketAck, uploadId, index, received)
VK_WIRE_TYPE(UploadFinished, uploadId, address)
VK_WIRE_TYPE(ProductSubmission, uploadId, songId, songName, singerName,
                                   singerId, timeLength, total, pitch, expression, rhythm,
                                   engineTotal, type)
VK_WIRE_TYPE(ProductAccepted, workId, webUrl)
VK_WIRE_TYPE(ChargeRequest, kind, songId, songName, extra)
VK_WIRE_TYPE(ChargeAnswer, result, kind, paidWith, user)
VK_WIRE_TYPE(FeeReport, remainingSings, remainingUploads, coins)
VK_WIRE_TYPE(PacketMessage, messageId, root, item, items)
VK_WIRE_TYPE(ToneItem, index, isMale, highPitch, highKey, lowPitch, use,
                                   lowKey, rangeCode, leave, samples, verified)
VK_WIRE_TYPE(AudioSettings, a, b, texts, values)

// The reply envelope: {"status": n, "error": "...", ...payload}. Payloads sit at the top level.
nlohmann::json okReply(nlohmann::json payload = nlohmann::json::object());
nlohmann::json errorReply(int status, std::string_view message);

// Parses a JSON text and reads a record from it; throws WireError on any fault.
template <class T>
T parseAs(std::string_view text) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) throw WireError("malformed JSON");
  T value{};
  detail::readValue(j, value);
  return value;
}
template <class T>
T readAs(const nlohmann::json& j) {
  T value{};
  detail::readValue(j, value);
  return value;
}

}  // namespace vk::wire

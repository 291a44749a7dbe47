#include "netwire/Wire.h"

#include <limits>

#include "netwire/WireTypes.h"

namespace vk::wire {

std::string_view statusText(int s) {
  switch (s) {
    case status::kOk: return "ok";
    case status::kProductAlreadyAccepted: return "the product record was already accepted";
    case status::kBadJson: return "malformed request";
    case status::kBodyTooLarge: return "request body too large";
    case status::kUnknownId: return "unknown id";
    case status::kBadName: return "unusable name";
    case status::kNoSuchRoute: return "no such operation";
    case status::kBadArgument: return "argument out of range";
    case status::kNotLoggedIn: return "not logged in";
    case status::kSessionExpired: return "session expired";
    case status::kForbidden: return "another user's data";
    case status::kLoginFailed: return "wrong mail or password";
    case status::kTooManyAttempts: return "too many attempts, try again later";
    case status::kChecksumMismatch: return "packet checksum mismatch";
    case status::kUploadIncomplete: return "upload incomplete";
    case status::kUploadFinished: return "upload already finished";
    case status::kInsufficientFunds: return "no allowance and not enough coins";
    case status::kNoRight: return "the account lacks the right";
    case status::kInternal: return "internal service error";
    case status::kUnavailable: return "the service's database is unreachable for now";
    case status::kSongBookEmpty: return "the song book is empty";
    case status::kAlreadyInSongBook: return "the song is already in the song book";
    case status::kNotInSongBook: return "the song is not in the song book";
    case status::kUnknownScope: return "unknown scope";
    case status::kBadKeyword: return "unusable keyword";
    case status::kPageOutOfRange: return "page out of range";
    case status::kUnknownPacket: return "unknown packet message id";
    case status::kUploadOpenFailed: return "the upload file could not be read";
    case status::kBadPacketIndex: return "packet index out of range";
    case status::kConnectFailed: return "could not connect to the service";
    case status::kNoServiceAddress: return "no service address";
    case status::kTimedOut: return "the service did not answer in time";
    case status::kBadReply: return "unreadable reply from the service";
    case status::kCancelled: return "request cancelled";
    case status::kBadRequestArgs: return "unusable request arguments";
    default: return "unknown status";
  }
}

nlohmann::json okReply(nlohmann::json payload) {
  if (!payload.is_object()) payload = nlohmann::json::object();
  payload["status"] = status::kOk;
  return payload;
}

nlohmann::json errorReply(int s, std::string_view message) {
  return nlohmann::json{{"status", s}, {"error", std::string(message)}};
}

namespace detail {

void fail(std::string_view what) { throw WireError(std::string(what)); }

void readValue(const nlohmann::json& j, int& v) {
  if (!j.is_number_integer()) fail("expected an integer");
  if (j.is_number_unsigned()) {
    auto u = j.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) fail("integer out of range");
    v = static_cast<int>(u);
    return;
  }
  auto i = j.get<std::int64_t>();
  if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max())
    fail("integer out of range");
  v = static_cast<int>(i);
}

void readValue(const nlohmann::json& j, std::int64_t& v) {
  if (!j.is_number_integer()) fail("expected an integer");
  if (j.is_number_unsigned() &&
      j.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    fail("integer out of range");
  v = j.get<std::int64_t>();
}

void readValue(const nlohmann::json& j, bool& v) {
  if (!j.is_boolean()) fail("expected true or false");
  v = j.get<bool>();
}

void readValue(const nlohmann::json& j, std::string& v) {
  if (!j.is_string()) fail("expected a string");
  v = j.get_ref<const std::string&>();
}

void readValue(const nlohmann::json& j, std::pair<std::string, std::string>& v) {
  if (!j.is_array() || j.size() != 2) fail("expected a pair of strings");
  readValue(j[0], v.first);
  readValue(j[1], v.second);
}

}  // namespace detail
}  // namespace vk::wire

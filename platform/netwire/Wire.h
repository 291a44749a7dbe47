// The contest service's wire protocol: what the service and the client library share.
// docs/service-protocol.md is the protocol of record; this header and WireTypes.h are its code.
#pragma once

#include <cstddef>
#include <string_view>

namespace vk::wire {

inline constexpr int kDefaultPort = 8730;
inline constexpr std::string_view kDefaultServiceUrl = "http://127.0.0.1:8730";

// Every authenticated request carries the session and the user it belongs to.
inline constexpr std::string_view kSessionHeader = "X-Vokaran-Session";
inline constexpr std::string_view kUserHeader = "X-Vokaran-User";
inline constexpr std::string_view kClientHeader = "X-Vokaran-Client";
// A packet's CRC-32 (zlib polynomial) as decimal text.
inline constexpr std::string_view kCrcHeader = "X-Vokaran-Crc32";

inline constexpr int kPageSize = 12;
inline constexpr int kMaxPageSize = 100;
inline constexpr std::size_t kDefaultPacketSize = std::size_t{1} << 20;
inline constexpr std::size_t kMinPacketSize = std::size_t{4} << 10;
inline constexpr std::size_t kMaxPacketSize = std::size_t{16} << 20;
inline constexpr std::size_t kMaxJsonBody = std::size_t{64} << 10;
inline constexpr long long kMaxUploadSize = 2LL << 30;

// Route prefixes. Authenticated API routes live under /v1; /media and /works are public
// (pictures and works are fetched by plain HTTP downloads and by web browsers).
namespace path {
inline constexpr std::string_view kLogin = "/v1/launcher/login";
inline constexpr std::string_view kLogout = "/v1/session/revoke";
inline constexpr std::string_view kUser = "/v1/user";
inline constexpr std::string_view kRights = "/v1/user/rights";
inline constexpr std::string_view kTone = "/v1/user/tone";
inline constexpr std::string_view kCharge = "/v1/user/charge";
inline constexpr std::string_view kFee = "/v1/user/fee";
inline constexpr std::string_view kPackets = "/v1/packets";
inline constexpr std::string_view kSongs = "/v1/songs";
inline constexpr std::string_view kSingers = "/v1/singers";
inline constexpr std::string_view kSongFiles = "/v1/songfiles/";  // + song id
inline constexpr std::string_view kSongBook = "/v1/songbook";     // DELETE + "/" + song number
inline constexpr std::string_view kMenuVersion = "/v1/menu/version";
inline constexpr std::string_view kMenu = "/v1/menu";
inline constexpr std::string_view kSquare = "/v1/contest/square";
inline constexpr std::string_view kPeriod = "/v1/contest/period";
inline constexpr std::string_view kProducts = "/v1/contest/products";
inline constexpr std::string_view kRank = "/v1/contest/rank";
inline constexpr std::string_view kProductPicture = "/v1/products/";  // + key + "/picture"
inline constexpr std::string_view kWorks = "/v1/works";               // DELETE + "/" + id
inline constexpr std::string_view kUploads = "/v1/uploads";           // + "/" + id [+ "/packets/" + n | "/finish"]
inline constexpr std::string_view kProductRecord = "/v1/products";
inline constexpr std::string_view kHealth = "/v1/health";
inline constexpr std::string_view kMediaPictures = "/media/pictures/";
inline constexpr std::string_view kMediaWorks = "/media/works/";
inline constexpr std::string_view kWorkPage = "/works/";
}  // namespace path

// Statuses: 0 is success. The service puts one into every JSON reply ("status"); the client
// library adds its own transport statuses (-150xx). The module shows them to the user.
namespace status {
inline constexpr int kOk = 0;
inline constexpr int kProductAlreadyAccepted = -143;  // counts as success for a product record
inline constexpr int kBadJson = -1001;                // malformed JSON, wrong types, missing fields
inline constexpr int kBodyTooLarge = -1002;
inline constexpr int kUnknownId = -1003;              // no such song, work, upload, picture...
inline constexpr int kBadName = -1004;                // path-like or otherwise unusable name
inline constexpr int kNoSuchRoute = -1005;
inline constexpr int kBadArgument = -1006;            // a value out of its range
inline constexpr int kNotLoggedIn = -1101;
inline constexpr int kSessionExpired = -1102;
inline constexpr int kForbidden = -1103;              // another user's data
inline constexpr int kLoginFailed = -1201;
inline constexpr int kTooManyAttempts = -1202;         // wrong passwords in a row: wait, then retry
inline constexpr int kChecksumMismatch = -1301;
inline constexpr int kUploadIncomplete = -1302;
inline constexpr int kUploadFinished = -1303;
inline constexpr int kInsufficientFunds = -1401;
inline constexpr int kNoRight = -1402;
inline constexpr int kInternal = -1500;
inline constexpr int kUnavailable = -1501;             // the service's database is unreachable: retry later
inline constexpr int kSongBookEmpty = -2206;
inline constexpr int kAlreadyInSongBook = -2246;
inline constexpr int kNotInSongBook = -2250;
inline constexpr int kUnknownScope = -5002;
inline constexpr int kBadKeyword = -5003;
inline constexpr int kPageOutOfRange = -5004;
inline constexpr int kUnknownPacket = -6001;
inline constexpr int kUploadOpenFailed = 15011;       // the client could not read the file
inline constexpr int kBadPacketIndex = 15012;
// Client library only:
inline constexpr int kConnectFailed = -15004;
inline constexpr int kNoServiceAddress = -15005;
inline constexpr int kTimedOut = -15006;
inline constexpr int kBadReply = -15007;
inline constexpr int kCancelled = -15008;
inline constexpr int kBadRequestArgs = -15009;        // the caller passed null or unusable values
}  // namespace status

// One line of English naming a status, for logs and error bodies.
std::string_view statusText(int status);

}  // namespace vk::wire

// Refused requests, sessions and the account.
#include "ServiceFixture.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

struct BadRequest {
  const char* name;
  const char* method;
  const char* target;
  const char* body;
  int http;
  int status;
};

void PrintTo(const BadRequest& c, std::ostream* out) { *out << c.name; }

const std::string kEntry =
    R"({"songId":"100001","songName":"x","singerName":"y","singerKey":"20001","flash":["","","","",""]})";

class RefusedRequest : public ServiceFixture, public ::testing::WithParamInterface<BadRequest> {};

// A refused request answers with its status and an explanation, and leaves every record as
// it was (no partial writes, no log entries).
TEST_P(RefusedRequest, AnswersWithStatusAndChangesNothing) {
  const auto& c = GetParam();
  std::string before = snapshot();
  auto reply = call(c.method, c.target, c.body);
  EXPECT_EQ(reply.http, c.http);
  ASSERT_TRUE(reply.json.is_object()) << reply.response.body;
  EXPECT_EQ(reply.json.value("status", 0), c.status) << reply.response.body;
  EXPECT_TRUE(reply.json.contains("error") && reply.json["error"].is_string() &&
              !reply.json["error"].get<std::string>().empty());
  EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Service, RefusedRequest,
    ::testing::Values(
        BadRequest{"MalformedJson", "POST", "/v1/songbook", "{\"songId\": ", 400, -1001},
        BadRequest{"NotAnObject", "POST", "/v1/songbook", "[1,2,3]", 400, -1001},
        BadRequest{"WrongType", "POST", "/v1/songbook",
                   R"({"songId":100001,"songName":"x","singerName":"y","singerKey":"k","flash":["","","","",""]})", 400,
                   -1001},
        BadRequest{"MissingField", "POST", "/v1/songbook", R"({"songId":"100001"})", 400, -1001},
        BadRequest{"ShortArray", "POST", "/v1/songbook",
                   R"({"songId":"100001","songName":"x","singerName":"y","singerKey":"k","flash":[""]})", 400, -1001},
        BadRequest{"PathLikeSongId", "POST", "/v1/songbook",
                   R"({"songId":"../../etc/passwd","songName":"x","singerName":"y","singerKey":"k","flash":["","","","",""]})",
                   400, -1004},
        BadRequest{"UnknownSong", "POST", "/v1/songbook",
                   R"({"songId":"999999","songName":"x","singerName":"y","singerKey":"k","flash":["","","","",""]})", 404,
                   -1003},
        BadRequest{"SqlInKeyword", "GET", "/v1/songs?kind=6&keyword=' OR 1=1 --", "", 400, -5003},
        BadRequest{"SqlInScope", "GET", "/v1/songs?kind=5&scope=101' OR '1'='1", "", 404, -5002},
        BadRequest{"SqlInRange", "GET", "/v1/singers?kind=2&keyword=1-4;DROP TABLE singers", "", 400, -5003},
        BadRequest{"ReversedRange", "GET", "/v1/songs?kind=1&keyword=9-2", "", 400, -5003},
        BadRequest{"UnknownKind", "GET", "/v1/songs?kind=9", "", 400, -1006},
        BadRequest{"PageNotANumber", "GET", "/v1/songs?kind=5&scope=101&page=abc", "", 400, -1006},
        BadRequest{"PageBeyondTheLast", "GET", "/v1/songs?kind=5&scope=101&page=9999", "", 404, -5004},
        BadRequest{"CategoryListWithoutCategory", "GET", "/v1/songs?kind=5", "", 404, -5002},
        BadRequest{"UnknownSinger", "GET", "/v1/songs?kind=3&keyword=99999", "", 404, -1003},
        BadRequest{"DotDotSongFile", "GET", "/v1/songfiles/..", "", 400, -1004},
        BadRequest{"TraversingSongFile", "GET", "/v1/songfiles/../../vokaran.db", "", 404, -1005},
        BadRequest{"TraversingPicture", "GET", "/media/pictures/..%2Fvokaran.db", "", 404, -1004},
        BadRequest{"PictureOutsideStore", "GET", "/media/pictures/../../vokaran.db", "", 404, -1005},
        BadRequest{"UnfinishedWorkFile", "GET", "/media/works/u1.WMV", "", 404, -1003},
        BadRequest{"PathLikeExtension", "POST", "/v1/uploads", R"({"ext":"/../../x","size":10,"packetSize":0})", 400,
                   -1004},
        BadRequest{"NegativeSize", "POST", "/v1/uploads", R"({"ext":".WMV","size":-5,"packetSize":0})", 400, -1006},
        BadRequest{"SizeAsText", "POST", "/v1/uploads", R"({"ext":".WMV","size":"10","packetSize":0})", 400, -1001},
        BadRequest{"TinyPackets", "POST", "/v1/uploads", R"({"ext":".WMV","size":100000,"packetSize":16})", 400, -1006},
        BadRequest{"UnknownUpload", "PUT", "/v1/uploads/999/packets/0", "abc", 400, -1006},
        BadRequest{"ChargeKind", "POST", "/v1/user/charge", R"({"kind":3,"songId":"","songName":"","extra":""})", 400,
                   -1006},
        BadRequest{"ChargeKindFloat", "POST", "/v1/user/charge", R"({"kind":1.5,"songId":"","songName":"","extra":""})",
                   400, -1001},
        BadRequest{"ChargeKindHuge", "POST", "/v1/user/charge",
                   R"({"kind":99999999999,"songId":"","songName":"","extra":""})", 400, -1001},
        BadRequest{"UnknownPacket", "POST", "/v1/packets", R"({"messageId":7777,"root":"ROOT","item":"ITEM","items":[]})",
                   404, -6001},
        BadRequest{"BadMobile", "POST", "/v1/packets",
                   R"({"messageId":6315,"root":"ROOT","item":"ITEM","items":[[["EMAIL","demo@vokaran.example"],["USERID","10001"],["MOBILE","12345"]]]})",
                   400, -1006},
        BadRequest{"PhoneForAnotherUser", "POST", "/v1/packets",
                   R"({"messageId":6315,"root":"ROOT","item":"ITEM","items":[[["EMAIL","demo@vokaran.example"],["USERID","10002"],["MOBILE","13912345678"]]]})",
                   403, -1103},
        BadRequest{"ToneLevelOutOfRange", "POST", "/v1/packets",
                   R"({"messageId":2566,"root":"ROOT","item":"ITEM","items":[[["TONEVALUE","60"],["TONELEVEL","9"]]]})", 400,
                   -1006},
        BadRequest{"WorkIdNotNumber", "DELETE", "/v1/works/abc", "", 400, -1004},
        BadRequest{"UnknownWork", "DELETE", "/v1/works/999999", "", 404, -1003},
        BadRequest{"AnotherUsersWorks", "GET", "/v1/works?user=10002", "", 403, -1103},
        BadRequest{"AnotherUsersRank", "GET", "/v1/contest/rank?user=10002&song=100001", "", 403, -1103},
        BadRequest{"ProductsWithoutSong", "GET", "/v1/contest/products?song=abc", "", 400, -1006},
        BadRequest{"RemoveNotInBook", "DELETE", "/v1/songbook/5", "", 404, -2250},
        BadRequest{"NoSuchRoute", "GET", "/v1/nothing", "", 404, -1005},
        BadRequest{"NoSuchMethod", "PUT", "/v1/songbook", kEntry.c_str(), 404, -1005}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServiceFixture, RequestsWithoutAValidSessionAreRefused) {
  EXPECT_EQ(call("GET", "/v1/user", "", "").json["status"], -1101);
  EXPECT_EQ(call("GET", "/v1/user", "", "no-such-session").json["status"], -1101);
  // The demo session presented for another user.
  EXPECT_EQ(call("GET", "/v1/user", "", std::string(kDemoSessionId), "10002").json["status"], -1103);
  EXPECT_EQ(call("GET", "/v1/user", "", std::string(kDemoSessionId), "abc").json["status"], -1101);
}

TEST_F(ServiceFixture, LoginGivesASessionThatExpiresAndCanBeRevoked) {
  auto login = call("POST", "/v1/launcher/login", R"({"mail":"DEMO@vokaran.example","password":"vokaran-demo"})", "", "");
  ASSERT_EQ(login.json["status"], 0) << login.response.body;
  std::string session = login.json["sessionId"];
  EXPECT_EQ(login.json["userId"], "10001");
  EXPECT_EQ(login.json["user"]["Mail"], "demo@vokaran.example");
  EXPECT_EQ(call("GET", "/v1/user", "", session).json["status"], 0);

  now_ += config_.sessionTtlSeconds + 1;
  EXPECT_EQ(call("GET", "/v1/user", "", session).json["status"], -1102);

  auto again = call("POST", "/v1/launcher/login", R"({"mail":"demo@vokaran.example","password":"vokaran-demo"})", "", "");
  std::string fresh = again.json["sessionId"];
  EXPECT_NE(fresh, session);
  EXPECT_EQ(call("POST", "/v1/session/revoke", "", fresh).json["status"], 0);
  EXPECT_EQ(call("GET", "/v1/user", "", fresh).json["status"], -1101);
  // Revocation survives a restart (it is in the database, not only in the cache).
  restart();
  EXPECT_EQ(call("GET", "/v1/user", "", fresh).json["status"], -1101);
}

TEST_F(ServiceFixture, LoginRefusesWrongPasswordAndUnknownMailAlike) {
  std::string before = snapshot();
  auto wrong = call("POST", "/v1/launcher/login", R"({"mail":"demo@vokaran.example","password":"guess"})", "", "");
  auto unknown = call("POST", "/v1/launcher/login", R"({"mail":"nobody@vokaran.example","password":"guess"})", "", "");
  EXPECT_EQ(wrong.http, 401);
  EXPECT_EQ(wrong.json["status"], -1201);
  EXPECT_EQ(unknown.json, wrong.json);
  EXPECT_EQ(snapshot(), before);
}

// Charges take the allowance first, then coins; with neither, nothing is charged.
TEST_F(ServiceFixture, ChargeUsesAllowanceThenCoinsThenRefuses) {
  sql("UPDATE users SET leave_sing = 1, coins_cents = 15, ktv_num = 0 WHERE user_id = 10001");
  std::string sing = R"({"kind":1,"songId":"100001","songName":"x","extra":""})";
  auto first = call("POST", "/v1/user/charge", sing);
  EXPECT_EQ(first.json["result"], "1");
  EXPECT_EQ(first.json["paidWith"], "allowance");
  EXPECT_EQ(first.json["user"]["leaveCanSingRecNum"], 0);
  auto second = call("POST", "/v1/user/charge", sing);
  EXPECT_EQ(second.json["paidWith"], "coins");
  EXPECT_EQ(second.json["user"]["VokaCoin"], "0.05");
  auto third = call("POST", "/v1/user/charge", sing);
  EXPECT_EQ(third.json["status"], 0);
  EXPECT_EQ(third.json["result"], "0");
  EXPECT_EQ(third.json["user"]["ktvNum"], 2);
}

// The client's fee report is recorded, never taken as the balance.
TEST_F(ServiceFixture, FeeReportDoesNotChangeTheBalance) {
  auto before = call("GET", "/v1/user").json["user"];
  auto report = call("POST", "/v1/user/fee", R"({"remainingSings":999,"remainingUploads":999,"coins":"99999.00"})");
  EXPECT_EQ(report.json["status"], 0);
  EXPECT_EQ(report.json["consistent"], false);
  EXPECT_EQ(call("GET", "/v1/user").json["user"], before);
}

TEST_F(ServiceFixture, PacketsSaveAndReadAccountSettings) {
  auto packet = [&](int id, const std::string& fields) {
    return call("POST", "/v1/packets",
                R"({"messageId":)" + std::to_string(id) + R"(,"root":"ROOT","item":"ITEM","items":[)" + fields + "]}");
  };
  EXPECT_EQ(packet(6315, R"([["EMAIL","demo@vokaran.example"],["USERID","10001"],["MOBILE","13912345678"]])").json["status"], 0);
  EXPECT_EQ(call("GET", "/v1/user").json["user"]["Telphone"], "13912345678");

  EXPECT_EQ(packet(2564, R"([["VOL","55"],["KEY","-2"],["EffectID","3"],["T0","hall"]])").json["status"], 0);
  auto settings = packet(2565, "").json["settings"][0];
  EXPECT_EQ(settings["values"][0], 55);
  EXPECT_EQ(settings["values"][5], -2);
  EXPECT_EQ(settings["values"][8], 3);
  EXPECT_EQ(settings["texts"][0], "hall");

  EXPECT_EQ(packet(2566, R"([["TONEVALUE","58"],["TONELEVEL","5"]])").json["status"], 0);
  auto tone = call("GET", "/v1/user/tone").json;
  EXPECT_EQ(tone["toneValue"], "58");
  EXPECT_EQ(tone["toneLevel"], "5");

  EXPECT_EQ(packet(2586, R"([["index","4"],["highPitch","71"],["leave","2"],["use","1"]])").json["status"], 0);
  auto tones = packet(2588, "").json["tones"];
  ASSERT_EQ(tones.size(), 3u);  // the two seeded records and slot 4
  EXPECT_EQ(tones[2]["index"], 4);
  EXPECT_EQ(tones[2]["highPitch"], 71);
  EXPECT_EQ(tones[2]["leave"], "2");
}

}  // namespace
}  // namespace vk::service::test

// Uploads in packets, their checks, restarts and the product record.
#include "ServiceFixture.h"
#include "netwire/Crc32.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

std::string patterned(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string crcOf(std::string_view bytes) { return std::to_string(wire::crc32(0, bytes.data(), bytes.size())); }

class UploadService : public ServiceFixture {
 protected:
  static constexpr std::size_t kPacket = 4096;
  std::string file_ = patterned(10000, 7);  // three packets: 4096, 4096, 1808

  int create() {
    auto r = call("POST", "/v1/uploads", R"({"ext":".WMV","size":10000,"packetSize":4096})");
    EXPECT_EQ(r.json["status"], 0) << r.response.body;
    EXPECT_EQ(r.json["packetTotal"], 3);
    return r.json["uploadId"];
  }
  std::string packet(int index) const {
    return file_.substr(static_cast<std::size_t>(index) * kPacket, kPacket);
  }
  Call put(int upload, int index, const std::string& bytes, const std::string& crc) {
    return call("PUT", "/v1/uploads/" + std::to_string(upload) + "/packets/" + std::to_string(index), bytes,
                std::string(kDemoSessionId), std::string(kDemoUserId), crc);
  }
  Call put(int upload, int index) { return put(upload, index, packet(index), crcOf(packet(index))); }
  Call finish(int upload) { return call("POST", "/v1/uploads/" + std::to_string(upload) + "/finish"); }
};

// Each packet is checked before it counts; a refused packet leaves the upload as it was.
TEST_F(UploadService, RefusesPacketsThatDoNotFit) {
  int id = create();
  std::string before = snapshot();
  EXPECT_EQ(put(id, 0, packet(0), crcOf("something else")).json["status"], -1301);
  EXPECT_EQ(put(id, 0, packet(0).substr(1), crcOf(packet(0).substr(1))).json["status"], -1006);
  EXPECT_EQ(put(id, 3, "x", crcOf("x")).json["status"], 15012);
  EXPECT_EQ(put(id, 0, packet(0), "").json["status"], -1006);
  EXPECT_EQ(put(id, 0, packet(0), "99999999999").json["status"], -1006);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(UploadService, AnotherUsersUploadIsRefused) {
  int id = create();
  auto login = call("POST", "/v1/launcher/login", R"({"mail":"user10002@vokaran.example","password":"vokaran-demo"})", "", "");
  std::string other = login.json["sessionId"];
  auto r = call("PUT", "/v1/uploads/" + std::to_string(id) + "/packets/0", packet(0), other, "10002", crcOf(packet(0)));
  EXPECT_EQ(r.json["status"], -1103);
  EXPECT_EQ(call("GET", "/v1/uploads/" + std::to_string(id), "", other, "10002").json["status"], -1103);
}

// Re-sent packets count once; the finish step names what is missing; the published file is
// byte for byte what was sent, in packet order whatever the sending order.
TEST_F(UploadService, PacketsInAnyOrderWithRepeatsMakeTheFile) {
  int id = create();
  EXPECT_EQ(put(id, 2).json["received"], 1);
  EXPECT_EQ(put(id, 2).json["received"], 1);
  auto early = finish(id);
  EXPECT_EQ(early.http, 409);
  EXPECT_EQ(early.json["status"], -1302);
  EXPECT_EQ(early.json["missing"], json::array({0, 1}));
  put(id, 0);
  put(id, 1);
  auto done = finish(id);
  ASSERT_EQ(done.json["status"], 0) << done.response.body;
  std::string address = done.json["address"];
  EXPECT_EQ(address, "http://service.test/media/works/u" + std::to_string(id) + ".WMV");
  auto download = call("GET", address.substr(std::string("http://service.test").size()));
  ASSERT_FALSE(download.response.file.empty());
  EXPECT_EQ(readFile(download.response.file), file_);
  // Finishing again gives the same address; a packet after the finish is refused.
  EXPECT_EQ(finish(id).json["address"], address);
  EXPECT_EQ(put(id, 0).json["status"], -1303);
}

// Acknowledged packets survive a restart of the service; the upload goes on afterwards.
TEST_F(UploadService, AcknowledgedPacketsSurviveARestart) {
  int id = create();
  put(id, 0);
  put(id, 2);
  restart();
  auto state = call("GET", "/v1/uploads/" + std::to_string(id));
  EXPECT_EQ(state.json["received"], json::array({0, 2}));
  put(id, 1);
  EXPECT_EQ(finish(id).json["status"], 0);
}

// A packet whose bytes were lost on disk after its acknowledgement is asked for again, not
// published corrupted.
TEST_F(UploadService, FinishFindsPacketsDamagedOnDisk) {
  int id = create();
  for (int i = 0; i < 3; ++i) put(id, i);
  auto part = config_.dataDir / "store" / "uploads" / (std::to_string(id) + ".part");
  std::string damaged = readFile(part);
  damaged[kPacket + 10] ^= 0x5A;
  writeFile(part, damaged);
  auto r = finish(id);
  EXPECT_EQ(r.json["status"], -1302);
  EXPECT_EQ(r.json["missing"], json::array({1}));
  put(id, 1);
  auto done = finish(id);
  ASSERT_EQ(done.json["status"], 0);
  auto download = call("GET", "/media/works/u" + std::to_string(id) + ".WMV");
  EXPECT_EQ(readFile(download.response.file), file_);
}

// The product record publishes the file once; submitting again answers -143 with the same
// work. The work's page shows it with every text escaped.
// Uploads left unfinished for longer than the configured age lose their part files and
// records (at start, and from new upload requests); finished ones and recent ones stay.
TEST_F(UploadService, AbandonedUploadsAreRemovedAfterTheirAge) {
  const int stale = create();
  put(stale, 0);
  const int empty = create();
  const int done = create();
  for (int i = 0; i < 3; ++i) put(done, i);
  ASSERT_EQ(finish(done).json["status"], 0);
  const auto part = [&](int id) { return config_.dataDir / "store" / "uploads" / (std::to_string(id) + ".part"); };
  ASSERT_TRUE(std::filesystem::exists(part(stale)));
  // The last packet came at the test clock's time; eight days pass.
  std::filesystem::last_write_time(
      part(stale), std::filesystem::file_time_type::clock::from_sys(
                       std::chrono::sys_seconds(std::chrono::seconds(now_.load()))));
  now_ += 8 * 24 * 3600;
  const int recent = create();
  restart();
  EXPECT_FALSE(std::filesystem::exists(part(stale)));
  EXPECT_EQ(call("GET", "/v1/uploads/" + std::to_string(stale)).http, 404);
  EXPECT_EQ(call("GET", "/v1/uploads/" + std::to_string(empty)).http, 404);
  EXPECT_EQ(call("GET", "/v1/uploads/" + std::to_string(recent)).json["status"], 0);
  EXPECT_EQ(call("GET", "/v1/uploads/" + std::to_string(done)).json["status"], 0);
}

TEST_F(UploadService, ProductRecordPublishesOnce) {
  int id = create();
  std::string product = R"({"uploadId":)" + std::to_string(id) +
                        R"(,"songId":"100001","songName":"<script>alert(1)</script>","singerName":"丁娟","singerId":"20001",)"
                        R"("timeLength":"210","total":1500,"pitch":600,"expression":400,"rhythm":480,"engineTotal":88,"type":1})";
  EXPECT_EQ(call("POST", "/v1/products", product).json["status"], -1302);  // the file is not finished yet
  for (int i = 0; i < 3; ++i) put(id, i);
  finish(id);
  auto first = call("POST", "/v1/products", product);
  ASSERT_EQ(first.json["status"], 0) << first.response.body;
  auto second = call("POST", "/v1/products", product);
  EXPECT_EQ(second.json["status"], -143);
  EXPECT_EQ(second.json["workId"], first.json["workId"]);

  std::string workId = first.json["workId"];
  auto works = call("GET", "/v1/works?user=10001").json["works"];
  auto mine = std::find_if(works.begin(), works.end(), [&](const json& w) { return w["key"] == workId; });
  ASSERT_NE(mine, works.end());
  EXPECT_EQ((*mine)["total"], 1500);
  EXPECT_EQ((*mine)["fileUrl"], "http://service.test/media/works/u" + std::to_string(id) + ".WMV");

  auto page = call("GET", "/works/" + workId);
  EXPECT_EQ(page.http, 200);
  EXPECT_EQ(page.response.body.find("<script>"), std::string::npos);
  EXPECT_NE(page.response.body.find("&lt;script&gt;"), std::string::npos);
  EXPECT_NE(page.response.body.find("1500"), std::string::npos);
  EXPECT_NE(page.response.body.find("media/works/u" + std::to_string(id) + ".WMV"), std::string::npos);
}

// Only the owner deletes a work; deleting removes its file too.
TEST_F(UploadService, OnlyTheOwnerDeletesAWork) {
  int id = create();
  for (int i = 0; i < 3; ++i) put(id, i);
  finish(id);
  std::string product = R"({"uploadId":)" + std::to_string(id) +
                        R"(,"songId":"100001","songName":"a","singerName":"b","singerId":"c","timeLength":"","total":1,"pitch":1,"expression":0,"rhythm":0,"engineTotal":0,"type":0})";
  std::string workId = call("POST", "/v1/products", product).json["workId"];
  auto login = call("POST", "/v1/launcher/login", R"({"mail":"user10002@vokaran.example","password":"vokaran-demo"})", "", "");
  std::string before = snapshot();
  EXPECT_EQ(call("DELETE", "/v1/works/" + workId, "", login.json["sessionId"], "10002").json["status"], -1103);
  EXPECT_EQ(snapshot(), before);
  auto file = config_.dataDir / "store" / "works" / ("u" + std::to_string(id) + ".WMV");
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(call("DELETE", "/v1/works/" + workId).json["workId"], workId);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(call("GET", "/works/" + workId).http, 404);
  // The deleted work's upload publishes nothing again.
  EXPECT_EQ(call("POST", "/v1/products", product).json["status"], -1003);
  EXPECT_EQ(call("GET", "/media/works/u" + std::to_string(id) + ".WMV").http, 404);
}

}  // namespace
}  // namespace vk::service::test


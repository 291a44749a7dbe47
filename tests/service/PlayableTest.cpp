// The published work's page and the copy of the work that browsers play: byte ranges of the
// media routes, the page's escaping, the copy made from a real Windows Media file, deletion.
#include <httplib.h>

#include <thread>

#include "MixMedia.h"
#include "ServiceFixture.h"
#include "avmedia/AsfMux.h"
#include "core/HttpServer.h"
#include "netwire/Crc32.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

std::string crcOf(std::string_view bytes) { return std::to_string(wire::crc32(0, bytes.data(), bytes.size())); }

std::string patterned(std::size_t size) {
  std::mt19937 random(11);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

// A work as the module mixes it: the silent capture and the WAV through the project's writer.
std::string mixedWork(const std::filesystem::path& dir, bool withVideo) {
  const std::string wav = (dir / "mix.wav").string(), video = (dir / "capture.wmv").string();
  const std::string out = (dir / (withVideo ? "work.wmv" : "sound.wmv")).string();
  vktest::writeWav(wav, 2.0);
  avmedia::MuxJob job;
  job.output = out;
  job.audioWav = wav;
  job.profile.audio = avmedia::WMProfile::Audio{};
  if (withVideo) {
    EXPECT_TRUE(vktest::writeSilentVideo(video, 2.0, 320, 240, 25));
    job.video = video;
    job.profile.video = avmedia::WMProfile::Video{};
  }
  avmedia::MuxProgress progress;
  auto result = avmedia::runMux(job, progress);
  EXPECT_EQ(result.hr, avmedia::S_OK) << result.error;
  return readFile(out);
}

class WorkPage : public ServiceFixture {
 protected:
  // Uploads `bytes` as a work file and publishes it; the upload id and the work id.
  std::pair<int, std::string> publish(const std::string& bytes, const std::string& songName = "送别") {
    constexpr std::size_t kPacket = 64 << 10;
    auto ticket = call("POST", "/v1/uploads",
                       json{{"ext", ".WMV"}, {"size", bytes.size()}, {"packetSize", kPacket}}.dump());
    EXPECT_EQ(ticket.json["status"], 0) << ticket.response.body;
    int id = ticket.json["uploadId"];
    for (std::size_t i = 0; i * kPacket < bytes.size(); ++i) {
      std::string packet = bytes.substr(i * kPacket, kPacket);
      auto ack = call("PUT", "/v1/uploads/" + std::to_string(id) + "/packets/" + std::to_string(i), packet,
                      std::string(kDemoSessionId), std::string(kDemoUserId), crcOf(packet));
      EXPECT_EQ(ack.json["status"], 0) << ack.response.body;
    }
    EXPECT_EQ(call("POST", "/v1/uploads/" + std::to_string(id) + "/finish").json["status"], 0);
    json product = {{"uploadId", id},  {"songId", "100001"}, {"songName", songName}, {"singerName", "李叔同"},
                    {"singerId", "20001"}, {"timeLength", "2"}, {"total", 1500}, {"pitch", 600},
                    {"expression", 400}, {"rhythm", 480}, {"engineTotal", 88}, {"type", 1}};
    auto accepted = call("POST", "/v1/products", product.dump());
    EXPECT_EQ(accepted.json["status"], 0) << accepted.response.body;
    return {id, accepted.json.value("workId", std::string())};
  }
  std::string page(const std::string& workId) { return call("GET", "/works/" + workId).response.body; }
  std::filesystem::path playable(const std::string& name) { return config_.dataDir / "store" / "playable" / name; }
};

std::string headerOf(const Response& response, const std::string& name) {
  for (auto& [key, value] : response.headers)
    if (key == name) return value;
  return {};
}

// Ranges of a work's file: a first part, the last bytes, from an offset to the end; ranges
// outside the file or backwards are refused with the file's size; no range gives it whole.
TEST_F(WorkPage, MediaRoutesAnswerByteRanges) {
  auto [id, workId] = publish(patterned(10000));
  const std::string route = "/media/works/u" + std::to_string(id) + ".WMV";
  struct Case {
    std::string range;
    int http;
    std::uint64_t offset, size;
    std::string contentRange;
  };
  for (const Case& c : std::vector<Case>{{"", 200, 0, 10000, ""},
                                         {"bytes=0-99", 206, 0, 100, "bytes 0-99/10000"},
                                         {"bytes=-500", 206, 9500, 500, "bytes 9500-9999/10000"},
                                         {"bytes=-20000", 206, 0, 10000, "bytes 0-9999/10000"},
                                         {"bytes=9000-", 206, 9000, 1000, "bytes 9000-9999/10000"},
                                         {"bytes=9990-20000", 206, 9990, 10, "bytes 9990-9999/10000"},
                                         {"bytes=10000-", 416, 0, 0, "bytes */10000"},
                                         {"bytes=5-2", 416, 0, 0, "bytes */10000"},
                                         {"bytes=-0", 416, 0, 0, "bytes */10000"},
                                         {"bytes=x-1", 416, 0, 0, "bytes */10000"},
                                         {"bytes=0-1,5-6", 200, 0, 10000, ""}}) {
    range_ = c.range;
    auto r = call("GET", route);
    EXPECT_EQ(r.http, c.http) << c.range;
    EXPECT_EQ(headerOf(r.response, "Accept-Ranges"), "bytes") << c.range;
    EXPECT_EQ(headerOf(r.response, "Content-Range"), c.contentRange) << c.range;
    if (c.http == 416) {
      EXPECT_TRUE(r.response.file.empty()) << c.range;
      continue;
    }
    EXPECT_EQ(r.response.fileOffset, c.offset) << c.range;
    EXPECT_EQ(r.response.fileSize, c.size) << c.range;
  }
}

// Over HTTP the bytes of the range are what is sent, and nothing more.
TEST_F(WorkPage, RangesOverHttpSendThoseBytes) {
  const std::string bytes = patterned(200000);
  auto [id, workId] = publish(bytes);
  HttpServer server(*service_, 2);
  int port = server.bind("127.0.0.1", 0);
  ASSERT_GT(port, 0);
  std::thread thread([&] { server.run(); });
  httplib::Client client("127.0.0.1", port);
  const std::string route = "/media/works/u" + std::to_string(id) + ".WMV";
  auto part = client.Get(route.c_str(), {{"Range", "bytes=100000-100099"}});
  auto tail = client.Get(route.c_str(), {{"Range", "bytes=-7"}});
  auto whole = client.Get(route.c_str());
  auto beyond = client.Get(route.c_str(), {{"Range", "bytes=200000-"}});
  server.stop();
  thread.join();
  ASSERT_TRUE(part && tail && whole && beyond);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, bytes.substr(100000, 100));
  EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 100000-100099/200000");
  EXPECT_EQ(tail->status, 206);
  EXPECT_EQ(tail->body, bytes.substr(200000 - 7));
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, bytes);
  EXPECT_EQ(whole->get_header_value("Accept-Ranges"), "bytes");
  EXPECT_EQ(beyond->status, 416);
  EXPECT_EQ(beyond->get_header_value("Content-Range"), "bytes */200000");
}

// Every text people typed is escaped: the song's name, the singer's, the user's nickname.
TEST_F(WorkPage, EscapesNames) {
  sql("UPDATE users SET nickname = '<img src=x onerror=alert(1)>' WHERE user_id = 10001");
  auto [id, workId] = publish(patterned(5000), "\"><script>alert(2)</script>");
  std::string body = page(workId);
  EXPECT_EQ(body.find("<script>"), std::string::npos);
  EXPECT_EQ(body.find("<img"), std::string::npos);
  EXPECT_NE(body.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
  EXPECT_NE(body.find("&quot;&gt;&lt;script&gt;alert(2)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(body.find("1500"), std::string::npos);
}

// A real mixed work gets an MP4 copy with H.264 video and AAC sound; until it is there the
// page says so, then it plays it; the original stays downloadable; deleting the work removes
// the copy.
TEST_F(WorkPage, PublishedWorkPlaysInTheBrowserUntilDeleted) {
  auto [id, workId] = publish(mixedWork(dir_, true));
  std::string early = page(workId);
  EXPECT_TRUE(early.find("视频正在准备中") != std::string::npos || early.find("<video") != std::string::npos);
  ASSERT_TRUE(service_->waitForPlayableCopies(120000));

  const std::string name = "u" + std::to_string(id) + ".mp4";
  std::string body = page(workId);
  EXPECT_EQ(body.find("视频正在准备中"), std::string::npos);
  EXPECT_NE(body.find("<video controls"), std::string::npos);
  EXPECT_NE(body.find("src=\"http://service.test/media/playable/" + name + "\""), std::string::npos);
  EXPECT_NE(body.find("media/works/u" + std::to_string(id) + ".WMV\" download"), std::string::npos);

  auto copy = vktest::probeFile(playable(name).string());
  ASSERT_TRUE(copy.opened);
  EXPECT_NE(copy.container.find("mp4"), std::string::npos);
  ASSERT_TRUE(copy.find("video"));
  EXPECT_EQ(copy.find("video")->codec, "h264");
  EXPECT_EQ(copy.find("video")->width, 320);
  EXPECT_EQ(copy.find("video")->height, 240);
  ASSERT_TRUE(copy.find("audio"));
  EXPECT_EQ(copy.find("audio")->codec, "aac");
  EXPECT_NEAR(copy.durationSeconds, 2.0, 0.3);

  range_ = "bytes=0-7";
  auto served = call("GET", "/media/playable/" + name);
  EXPECT_EQ(served.http, 206);
  EXPECT_EQ(served.response.contentType, "video/mp4");
  range_.clear();

  ASSERT_EQ(call("DELETE", "/v1/works/" + workId).json["status"], 0);
  EXPECT_FALSE(std::filesystem::exists(playable(name)));
  EXPECT_EQ(call("GET", "/media/playable/" + name).http, 404);
}

// A work without video gets a sound copy and an audio player; a file that is no media at all
// gets none, and its page says it cannot be played here (not "being prepared" for ever).
TEST_F(WorkPage, SoundOnlyAndBrokenWorks) {
  auto [soundId, soundWork] = publish(mixedWork(dir_, false));
  auto [brokenId, brokenWork] = publish(patterned(30000));
  ASSERT_TRUE(service_->waitForPlayableCopies(120000));

  std::string sound = page(soundWork);
  EXPECT_NE(sound.find("<audio controls"), std::string::npos);
  EXPECT_EQ(sound.find("<video"), std::string::npos);
  auto copy = vktest::probeFile(playable("u" + std::to_string(soundId) + ".m4a").string());
  ASSERT_TRUE(copy.opened);
  EXPECT_FALSE(copy.find("video"));
  ASSERT_TRUE(copy.find("audio"));
  EXPECT_EQ(copy.find("audio")->codec, "aac");

  std::string broken = page(brokenWork);
  EXPECT_EQ(broken.find("<video"), std::string::npos);
  EXPECT_EQ(broken.find("视频正在准备中"), std::string::npos);
  EXPECT_NE(broken.find("不能在网页上播放"), std::string::npos);
  EXPECT_EQ(call("GET", "/media/playable/u" + std::to_string(brokenId) + ".mp4").http, 404);
  // A restart does not try the broken one again: nothing is waiting.
  restart();
  EXPECT_TRUE(service_->waitForPlayableCopies(1000));
  EXPECT_NE(page(brokenWork).find("不能在网页上播放"), std::string::npos);
}

}  // namespace
}  // namespace vk::service::test

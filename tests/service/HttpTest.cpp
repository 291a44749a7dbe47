// The service behind its HTTP transport: body limits, files, concurrent connections.
#include <httplib.h>

#include <thread>

#include "ServiceFixture.h"
#include "core/HttpServer.h"
#include "netwire/Wire.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

class OverHttp : public ServiceFixture {
 protected:
  void SetUp() override {
    ServiceFixture::SetUp();
    server_ = std::make_unique<HttpServer>(*service_, 8);
    port_ = server_->bind("127.0.0.1", 0);
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_->run(); });
  }
  void TearDown() override {
    server_->stop();
    thread_.join();
    server_.reset();
    ServiceFixture::TearDown();
  }
  httplib::Client client() {
    httplib::Client c("127.0.0.1", port_);
    c.set_default_headers({{std::string(wire::kSessionHeader), std::string(kDemoSessionId)},
                           {std::string(wire::kUserHeader), std::string(kDemoUserId)}});
    return c;
  }

  std::unique_ptr<HttpServer> server_;
  int port_ = 0;
  std::thread thread_;
};

// Bodies above a route's limit are refused before they are read, and change nothing.
TEST_F(OverHttp, RefusesOversizedBodies) {
  std::string before = snapshot();
  auto c = client();
  auto json = c.Post("/v1/songbook", std::string(wire::kMaxJsonBody + 1, ' '), "application/json");
  ASSERT_TRUE(json);
  EXPECT_EQ(json->status, 413);
  EXPECT_EQ(json::parse(json->body)["status"], -1002);

  EXPECT_EQ(snapshot(), before);
  // The refusal closed that connection; the next one is served.
  auto next = client().Get("/v1/user");
  ASSERT_TRUE(next);
  EXPECT_EQ(json::parse(next->body)["status"], 0);
}

// The transport tells the service the client's address: wrong passwords over HTTP make that
// address wait, and the same account still logs in from elsewhere.
TEST_F(OverHttp, WrongPasswordsMakeTheClientAddressWait) {
  httplib::Client c("127.0.0.1", port_);
  const std::string wrong = R"({"mail":"demo@vokaran.example","password":"guess"})";
  for (int i = 0; i < 5; ++i) {
    auto reply = c.Post("/v1/launcher/login", wrong, "application/json");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 401) << i;
  }
  auto refused = c.Post("/v1/launcher/login", R"({"mail":"demo@vokaran.example","password":"vokaran-demo"})",
                        "application/json");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 429);
  EXPECT_EQ(json::parse(refused->body)["status"], -1202);
  auto elsewhere = call("POST", "/v1/launcher/login", R"({"mail":"demo@vokaran.example","password":"vokaran-demo"})", "", "");
  EXPECT_EQ(elsewhere.json["status"], 0) << elsewhere.response.body;
}

TEST_F(OverHttp, ServesFilesAndPages) {
  auto c = client();
  auto file = c.Get("/v1/songfiles/100001");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->status, 200);
  EXPECT_EQ(file->get_header_value("Content-Type"), "application/octet-stream");
  EXPECT_TRUE(file->body.ends_with("demo song"));

  auto square = json::parse(c.Get("/v1/contest/square")->body);
  std::string picture = square["songs"][0]["pictureUrl"];
  httplib::Client plain("127.0.0.1", port_);  // pictures need no session
  auto png = plain.Get(picture.substr(picture.find("/media/")).c_str());
  ASSERT_TRUE(png);
  EXPECT_EQ(png->status, 200);
  EXPECT_EQ(png->body.substr(1, 3), "PNG");
}

// Many connections at once, each kept alive over several requests, all answered.
TEST_F(OverHttp, AnswersConcurrentKeptAliveConnections) {
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      auto c = client();
      c.set_keep_alive(true);
      for (int i = 0; i < 20; ++i) {
        auto r = c.Get(("/v1/songs?kind=5&scope=" + std::to_string(101 + (t + i) % 8)).c_str());
        if (r && r->status == 200 && json::parse(r->body)["status"] == 0) ++ok;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(ok.load(), 120);
}

}  // namespace
}  // namespace vk::service::test

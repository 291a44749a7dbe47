// The HTTP front against clients that are slow, silent, greedy or many, through real sockets:
// they are cut off or refused while an ordinary request is still answered.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ServiceFixture.h"
#include "core/HttpServer.h"
#include "netwire/Wire.h"

namespace vk::service::test {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// A raw client socket.
class Socket {
 public:
  explicit Socket(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool connected() const { return connected_; }
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  // True when the service closed (or reset) the connection within `ms`.
  bool closedWithin(int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    while (Clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return true;
      pending_.append(buffer, static_cast<std::size_t>(n));
    }
    return false;
  }

  struct Reply {
    int status = 0;
    std::string head;
    std::string body;
  };
  // The next reply on the connection (to a HEAD request: without a body); status 0 when none
  // came within `ms`.
  Reply read(bool headOnly = false, int ms = 10000) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    Reply reply;
    std::size_t headEnd;
    while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos)
      if (!fill(end)) return reply;
    reply.head = pending_.substr(0, headEnd + 4);
    std::size_t length = 0;
    if (auto at = reply.head.find("Content-Length: "); at != std::string::npos && !headOnly)
      length = std::stoul(reply.head.substr(at + 16));
    while (pending_.size() < headEnd + 4 + length)
      if (!fill(end)) return reply;
    reply.body = pending_.substr(headEnd + 4, length);
    pending_.erase(0, headEnd + 4 + length);
    reply.status = std::stoi(reply.head.substr(9, 3));
    return reply;
  }

 private:
  bool fill(Clock::time_point end) {
    char buffer[65536];
    while (Clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return false;
      pending_.append(buffer, static_cast<std::size_t>(n));
      return true;
    }
    return false;
  }

  int fd_ = -1;
  bool connected_ = false;
  std::string pending_;
};

std::string get(std::string_view path, std::string_view extra = "") {
  return "GET " + std::string(path) + " HTTP/1.1\r\nHost: test\r\n" + std::string(extra) + "\r\n";
}

class HttpLimits : public ServiceFixture {
 protected:
  static constexpr int kPerAddress = 6;

  void SetUp() override {
    ServiceFixture::SetUp();
    vk::service::HttpLimits limits;
    limits.headerTimeoutMs = 300;
    limits.bodyTimeoutMs = 300;
    limits.keepAliveTimeoutMs = 5000;
    limits.maxHeaderBytes = 8 * 1024;
    limits.maxConnectionsPerAddress = kPerAddress;
    limits.eventThreads = 2;
    server_ = std::make_unique<HttpServer>(*service_, 2, limits);
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

  // An ordinary request on a connection of its own.
  int health() {
    Socket s(port_);
    if (!s.send(get(wire::path::kHealth))) return 0;
    return s.read().status;
  }

  std::unique_ptr<HttpServer> server_;
  int port_ = 0;
  std::thread thread_;
};

// Connections that never send, that send their headers a byte at a time, or a body a byte at a
// time, are cut off after the time-outs; a request on another connection is answered meanwhile.
TEST_F(HttpLimits, DropsSilentAndTricklingClientsWhileServingOthers) {
  Socket silent(port_);
  Socket slowHeader(port_);
  Socket slowBody(port_);
  ASSERT_TRUE(silent.connected() && slowHeader.connected() && slowBody.connected());
  ASSERT_TRUE(slowBody.send("PUT /v1/uploads/1/packets/0 HTTP/1.1\r\nHost: test\r\nContent-Length: 1000\r\n\r\n"));
  EXPECT_EQ(health(), 200);

  // A header of a few hundred bytes would take many seconds at this pace.
  const std::string header = get(wire::path::kHealth, "X-Padding: " + std::string(400, 'x') + "\r\n");
  bool headerCut = false, bodyCut = false;
  for (std::size_t i = 0; i < header.size() && !(headerCut && bodyCut); ++i) {
    if (!headerCut) headerCut = !slowHeader.send(header.substr(i, 1)) || slowHeader.closedWithin(20);
    if (!bodyCut) bodyCut = !slowBody.send("x") || slowBody.closedWithin(20);
    if (i == 5) {
      EXPECT_EQ(health(), 200);
    }
  }
  EXPECT_TRUE(headerCut);
  EXPECT_TRUE(bodyCut);
  EXPECT_TRUE(silent.closedWithin(5000));
  EXPECT_EQ(health(), 200);
}

// A body larger than its route takes is refused from its declared length, before it is sent
// (also when the client waits for a go-ahead); a chunked one when it passes the limit.
TEST_F(HttpLimits, RefusesHugeBodiesEarly) {
  std::string before = snapshot();
  {
    Socket s(port_);
    ASSERT_TRUE(s.send("PUT /v1/uploads/1/packets/0 HTTP/1.1\r\nHost: test\r\nContent-Length: 1073741824\r\n\r\nxyz"));
    auto reply = s.read();
    EXPECT_EQ(reply.status, 413) << reply.head;
    EXPECT_EQ(json::parse(reply.body)["status"], wire::status::kBodyTooLarge);
    EXPECT_NE(reply.head.find("Connection: close"), std::string::npos);
    EXPECT_TRUE(s.closedWithin(5000));
  }
  {
    Socket s(port_);
    ASSERT_TRUE(s.send("POST /v1/songbook HTTP/1.1\r\nHost: test\r\nContent-Length: 1073741824\r\n"
                       "Expect: 100-continue\r\n\r\n"));
    auto reply = s.read();
    EXPECT_EQ(reply.status, 413) << reply.head;
  }
  {
    Socket s(port_);
    ASSERT_TRUE(s.send("POST /v1/songbook HTTP/1.1\r\nHost: test\r\nTransfer-Encoding: chunked\r\n\r\n"));
    const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
    for (int i = 0; i < 4 && s.send(chunk); ++i) {
    }
    auto reply = s.read();
    EXPECT_EQ(reply.status, 413) << reply.head;
  }
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(health(), 200);
}

// Headers beyond the limit are refused; a malformed request line gets a clear 400.
TEST_F(HttpLimits, RefusesOversizedAndMalformedHeaders) {
  Socket large(port_);
  ASSERT_TRUE(large.send(get(wire::path::kHealth, "X-Padding: " + std::string(9000, 'x') + "\r\n")));
  EXPECT_EQ(large.read().status, 431);
  Socket broken(port_);
  ASSERT_TRUE(broken.send("GET\x01 / HTTP/1.1\r\n\r\n"));
  auto reply = broken.read();
  EXPECT_EQ(reply.status, 400);
  EXPECT_EQ(json::parse(reply.body)["status"], wire::status::kBadJson);
}

// One address holds at most so many connections; the next is answered 503, and a place that
// frees up is taken again.
TEST_F(HttpLimits, LimitsConnectionsPerAddress) {
  std::vector<std::unique_ptr<Socket>> open;
  for (int i = 0; i < kPerAddress; ++i) {
    open.push_back(std::make_unique<Socket>(port_));
    ASSERT_TRUE(open.back()->send(get(wire::path::kHealth)));
    ASSERT_EQ(open.back()->read().status, 200) << i;
  }
  Socket extra(port_);
  extra.send(get(wire::path::kHealth));
  auto refused = extra.read();
  EXPECT_EQ(refused.status, 503);
  EXPECT_EQ(json::parse(refused.body)["status"], wire::status::kTooManyAttempts);

  open.pop_back();
  int status = 0;
  for (int attempt = 0; attempt < 100 && status != 200; ++attempt) {
    status = health();
    if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(status, 200);
  // The kept-alive connections still answer.
  ASSERT_TRUE(open.front()->send(get(wire::path::kHealth)));
  EXPECT_EQ(open.front()->read().status, 200);
}

// Requests sent together on one connection are answered in order, each as it would be alone;
// a HEAD request gets the length without the bytes, and Connection: close ends the connection.
TEST_F(HttpLimits, AnswersPipelinedRequestsInOrder) {
  const std::string session = std::string(wire::kSessionHeader) + ": " + std::string(kDemoSessionId) + "\r\n" +
                              std::string(wire::kUserHeader) + ": " + std::string(kDemoUserId) + "\r\n";
  Socket alone(port_);
  ASSERT_TRUE(alone.send(get("/v1/songs?kind=5&scope=102", session)));
  auto expected = alone.read();
  ASSERT_EQ(expected.status, 200);
  ASSERT_TRUE(alone.send(get("/v1/no/such/route", session)));
  auto unknown = alone.read();
  ASSERT_EQ(unknown.status, 404) << unknown.body;

  Socket s(port_);
  ASSERT_TRUE(s.send(get(wire::path::kHealth) + get("/v1/songs?kind=5&scope=102", session) +
                     "HEAD /v1/songfiles/100001 HTTP/1.1\r\nHost: test\r\n" + session + "\r\n" +
                     get("/v1/no/such/route", session) + get(wire::path::kHealth, "Connection: close\r\n")));
  EXPECT_EQ(s.read().status, 200);
  auto songs = s.read();
  EXPECT_EQ(songs.status, 200);
  EXPECT_EQ(songs.body, expected.body);
  // The HEAD reply names the song file's length and sends none of it: the next reply follows.
  auto head = s.read(true);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.head.find("Content-Length: 0\r\n"), std::string::npos) << head.head;
  EXPECT_NE(head.head.find("Content-Length: "), std::string::npos) << head.head;
  EXPECT_EQ(s.read().body, unknown.body);
  auto last = s.read();
  EXPECT_EQ(last.status, 200);
  EXPECT_NE(last.head.find("Connection: close"), std::string::npos);
  EXPECT_TRUE(s.closedWithin(5000));
}

}  // namespace
}  // namespace vk::service::test

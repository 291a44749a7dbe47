#include "HttpServer.h"

#include <fcntl.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#define BOOST_BEAST_USE_STD_STRING_VIEW 1
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "Files.h"
#include "Service.h"
#include "netwire/Wire.h"
#include "netwire/WireTypes.h"

namespace vk::service {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent escapes decoded; a broken escape stays as it was. In a query '+' is a space.
std::string decodeUrl(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(plusIsSpace && c == '+' ? ' ' : c);
  }
  return out;
}

// A malformed request (as against a client that went away or was too slow): it gets an answer.
bool isParseError(const beast::error_code& ec) {
  return ec.category() == beast::error_code(http::error::bad_method).category() && ec != http::error::end_of_stream &&
         ec != http::error::partial_message;
}

int hardwareThreads() {
  unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

constexpr std::size_t kFileChunk = std::size_t{1} << 16;
// After a refusal the rest of what the client sends is read and dropped for a little while,
// so that closing does not reset the connection before the client has read the refusal.
constexpr std::size_t kLingerBytes = std::size_t{4} << 20;
constexpr auto kLingerTime = std::chrono::seconds(2);

}  // namespace

struct HttpServer::Impl {
  Service& service;
  HttpLimits limits;
  std::mutex addressMutex;
  std::unordered_map<std::string, int> connectionsPerAddress;
  std::atomic<bool> stopping{false};
  // One event loop per thread, each with the connections it was given: a loop shared by
  // several threads makes them contend for it (on two cores beside a busy client it served
  // about 60 % of the requests one loop per thread serves). Loop 0 also accepts.
  std::vector<std::unique_ptr<net::io_context>> loops;
  std::vector<net::executor_work_guard<net::io_context::executor_type>> keepRunning;
  std::size_t nextLoop = 0;  // the loop the next connection goes to (accepting is on loop 0 only)
  tcp::acceptor acceptor;
  net::steady_timer acceptRetry;
  // Declared last: joined before the loops' pending handlers (and their connections) go.
  net::thread_pool workers;

  static std::vector<std::unique_ptr<net::io_context>> makeLoops(int count) {
    std::vector<std::unique_ptr<net::io_context>> made;
    for (int i = 0; i < count; ++i) made.push_back(std::make_unique<net::io_context>(1));
    return made;
  }

  Impl(Service& s, int threads, HttpLimits l)
      : service(s), limits(l), loops(makeLoops(l.eventThreads > 0 ? l.eventThreads : hardwareThreads())),
        acceptor(*loops.front()), acceptRetry(*loops.front()),
        workers(static_cast<std::size_t>(threads > 0 ? threads : hardwareThreads())) {
    // A loop without connections waits for its next one instead of returning.
    for (auto& loop : loops) keepRunning.push_back(net::make_work_guard(*loop));
  }

  void stopLoops() {
    for (auto& guard : keepRunning) guard.reset();
    for (auto& loop : loops) loop->stop();
  }

  void accept();

  // One more connection from `address`; false when it has as many as it may.
  bool admit(const std::string& address) {
    std::lock_guard lock(addressMutex);
    int& count = connectionsPerAddress[address];
    if (limits.maxConnectionsPerAddress > 0 && count >= limits.maxConnectionsPerAddress) {
      if (count == 0) connectionsPerAddress.erase(address);
      return false;
    }
    ++count;
    return true;
  }
  void release(const std::string& address) {
    std::lock_guard lock(addressMutex);
    auto it = connectionsPerAddress.find(address);
    if (it != connectionsPerAddress.end() && --it->second <= 0) connectionsPerAddress.erase(it);
  }
};

namespace {

// One client connection: its requests one after another (pipelined ones from the buffer),
// every step on the connection's own strand.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(HttpServer::Impl& server, tcp::socket socket) : server_(server), stream_(std::move(socket)) {}
  ~Connection() {
    if (counted_) server_.release(remote_);
  }

  void start() {
    net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->begin(); });
  }

 private:
  using Parser = http::request_parser<http::string_body>;

  void begin() {
    beast::error_code ec;
    auto endpoint = stream_.socket().remote_endpoint(ec);
    if (ec) return;
    remote_ = endpoint.address().to_string();
    stream_.socket().set_option(tcp::no_delay(true), ec);
    if (!server_.admit(remote_)) {
      refuse(503, wire::status::kTooManyAttempts, "too many connections from this address");
      return;
    }
    counted_ = true;
    readHeader();
  }

  // A kept-alive connection: the next request, unless it is in the buffer already.
  void awaitNext() {
    if (server_.stopping) return close();
    if (buffer_.size() > 0) return readHeader();
    stream_.expires_after(std::chrono::milliseconds(server_.limits.keepAliveTimeoutMs));
    stream_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
      if (ec) return self->close();
      self->buffer_.commit(n);
      self->readHeader();
    });
  }

  void readHeader() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeaderBytes));
    // The route's limit is applied once the headers name the route.
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    stream_.expires_after(std::chrono::milliseconds(server_.limits.headerTimeoutMs));
    http::async_read_header(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      self->onHeader(ec);
    });
  }

  void onHeader(beast::error_code ec) {
    if (ec == http::error::header_limit)
      return refuse(431, wire::status::kBadArgument,
                    "the request's headers exceed " + std::to_string(server_.limits.maxHeaderBytes) + " bytes");
    if (ec) {
      if (isParseError(ec)) return refuse(400, wire::status::kBadJson, "the request could not be read");
      return close();
    }
    auto& message = parser_->get();
    method_ = std::string(message.method_string());
    head_ = message.method() == http::verb::head;
    std::string_view target = message.target();
    std::size_t question = target.find('?');
    path_ = decodeUrl(target.substr(0, question), false);
    query_.clear();
    if (question != std::string_view::npos) {
      std::string_view rest = target.substr(question + 1);
      while (!rest.empty()) {
        std::size_t amp = rest.find('&');
        std::string_view pair = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        if (pair.empty()) continue;
        std::size_t eq = pair.find('=');
        query_.emplace_back(decodeUrl(pair.substr(0, eq), true),
                            eq == std::string_view::npos ? std::string() : decodeUrl(pair.substr(eq + 1), true));
      }
    }
    keepAlive_ = message.keep_alive();

    const std::size_t limit = Service::bodyLimit(head_ ? "GET" : method_, path_);
    if (auto declared = parser_->content_length(); declared && *declared > limit)
      return refuse(413, wire::status::kBodyTooLarge, "the body exceeds " + std::to_string(limit) + " bytes");
    if (parser_->is_done()) return dispatch();
    parser_->body_limit(limit);
    std::uint64_t declared = parser_->content_length().value_or(limit);
    stream_.expires_after(std::chrono::milliseconds(server_.limits.bodyTimeoutMs) +
                          std::chrono::seconds(declared / (64 * 1024)));
    if (beast::iequals(message[http::field::expect], "100-continue")) {
      static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      net::async_write(stream_, net::buffer(kContinue.data(), kContinue.size()),
                       [self = shared_from_this()](beast::error_code ec, std::size_t) {
                         if (ec) return self->close();
                         self->readBody();
                       });
      return;
    }
    readBody();
  }

  void readBody() {
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec == http::error::body_limit) {
        std::size_t limit = Service::bodyLimit(self->method_, self->path_);
        return self->refuse(413, wire::status::kBodyTooLarge, "the body exceeds " + std::to_string(limit) + " bytes");
      }
      if (ec) {
        if (isParseError(ec)) return self->refuse(400, wire::status::kBadJson, "the body could not be read");
        return self->close();
      }
      self->dispatch();
    });
  }

  // Reads answer on the loop; the rest (writes, password hashes, packets) on the workers.
  void dispatch() {
    stream_.expires_never();
    if (method_ == "GET" || head_) {
      answer();
      return writeReply();
    }
    net::post(server_.workers, [self = shared_from_this()] {
      self->answer();
      net::post(self->stream_.get_executor(), [self] { self->writeReply(); });
    });
  }

  void answer() {
    auto& message = parser_->get();
    Request request;
    request.method = head_ ? std::string_view("GET") : std::string_view(method_);
    request.path = path_;
    request.query.reserve(query_.size());
    for (auto& [key, value] : query_) request.query.emplace_back(key, value);
    request.session = message[wire::kSessionHeader];
    request.user = message[wire::kUserHeader];
    request.crc = message[wire::kCrcHeader];
    request.range = message[http::field::range];
    request.body = message.body();
    request.remote = remote_;
    try {
      reply_ = server_.service.handle(request);
    } catch (const std::exception&) {
      reply_ = errorResponse(500, wire::status::kInternal, "internal service error");
    }
  }

  static Response errorResponse(int http, int status, std::string_view message) {
    Response response;
    response.http = http;
    response.body = wire::errorReply(status, message).dump();
    return response;
  }

  // An answer before the request was read to its end: the connection ends after it.
  void refuse(int http, int status, std::string_view message) {
    reply_ = errorResponse(http, status, message);
    keepAlive_ = false;
    head_ = false;
    refused_ = true;
    writeReply();
  }

  void writeReply() {
    if (server_.stopping) keepAlive_ = false;
    file_.reset();
    if (!reply_.file.empty()) {
      try {
        file_.emplace(openFile(reply_.file, O_RDONLY));
      } catch (const std::exception&) {
        reply_ = errorResponse(404, wire::status::kUnknownId, "the file is gone");
      }
    }
    const std::uint64_t length = file_ ? reply_.fileSize : reply_.body.size();
    auto status = static_cast<http::status>(reply_.http);
    std::string reason(http::obsolete_reason(status));
    if (reason == "<unknown-status>") reason = "Unknown";
    header_.clear();
    header_ += "HTTP/1.1 " + std::to_string(reply_.http) + " " + reason + "\r\n";
    for (auto& [name, value] : reply_.headers) header_ += name + ": " + value + "\r\n";
    header_ += "Content-Type: " + reply_.contentType + "\r\n";
    header_ += "Content-Length: " + std::to_string(length) + "\r\n";
    if (!keepAlive_)
      header_ += "Connection: close\r\n";
    else if (parser_ && parser_->get().version() < 11)
      header_ += "Connection: keep-alive\r\n";
    header_ += "\r\n";

    stream_.expires_after(std::chrono::milliseconds(server_.limits.writeTimeoutMs));
    std::array<net::const_buffer, 2> parts{net::buffer(header_), net::const_buffer()};
    if (!file_ && !head_) parts[1] = net::buffer(reply_.body);
    net::async_write(stream_, parts, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return self->close();
      self->sent_ = 0;
      if (self->file_ && !self->head_) return self->writeFile();
      self->finish();
    });
  }

  void writeFile() {
    if (sent_ >= reply_.fileSize) return finish();
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kFileChunk, reply_.fileSize - sent_));
    chunk_.resize(kFileChunk);
    if (!readAt(file_->get(), chunk_.data(), n, reply_.fileOffset + sent_)) return close();  // the file shrank
    stream_.expires_after(std::chrono::milliseconds(server_.limits.writeTimeoutMs));
    net::async_write(stream_, net::buffer(chunk_.data(), n), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
      if (ec) return self->close();
      self->sent_ += n;
      self->writeFile();
    });
  }

  void finish() {
    file_.reset();
    reply_ = Response();
    if (refused_) return linger();
    if (!keepAlive_) {
      beast::error_code ec;
      stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
      return close();
    }
    parser_.reset();
    awaitNext();
  }

  void linger() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    stream_.expires_after(kLingerTime);
    drain();
  }
  void drain() {
    chunk_.resize(kFileChunk);
    stream_.async_read_some(net::buffer(chunk_), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
      self->drained_ += n;
      if (ec || self->drained_ >= kLingerBytes) return self->close();
      self->drain();
    });
  }

  void close() {
    beast::error_code ec;
    stream_.socket().close(ec);
  }

  HttpServer::Impl& server_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<Parser> parser_;
  std::string remote_;
  bool counted_ = false;
  std::string method_;
  std::string path_;
  std::vector<std::pair<std::string, std::string>> query_;
  bool head_ = false;
  bool keepAlive_ = false;
  bool refused_ = false;
  Response reply_;
  std::string header_;
  std::optional<FileDescriptor> file_;
  std::uint64_t sent_ = 0;
  std::vector<char> chunk_;
  std::size_t drained_ = 0;
};

}  // namespace

void HttpServer::Impl::accept() {
  net::io_context& loop = *loops[nextLoop++ % loops.size()];
  acceptor.async_accept(net::make_strand(loop), [this](beast::error_code ec, tcp::socket socket) {
    if (!acceptor.is_open()) return;
    if (!ec) {
      std::make_shared<Connection>(*this, std::move(socket))->start();
    } else if (ec == net::error::no_descriptors || ec == net::error::no_buffer_space || ec == net::error::no_memory) {
      // Out of descriptors: let connections end before taking more.
      acceptRetry.expires_after(std::chrono::milliseconds(50));
      acceptRetry.async_wait([this](beast::error_code) { accept(); });
      return;
    }
    accept();
  });
}

HttpServer::HttpServer(Service& service, int threads, HttpLimits limits)
    : impl_(std::make_unique<Impl>(service, threads, limits)) {}

HttpServer::~HttpServer() {
  if (impl_) {
    impl_->stopLoops();
    impl_->workers.join();
  }
}

int HttpServer::bind(const std::string& host, int port) {
  beast::error_code ec;
  auto address = net::ip::make_address(host, ec);
  if (ec) {
    errno = EINVAL;
    return -1;
  }
  tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  auto& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec) {
    errno = ec.value();
    beast::error_code ignored;
    acceptor.close(ignored);
    return -1;
  }
  return acceptor.local_endpoint().port();
}

bool HttpServer::run() {
  auto& impl = *impl_;
  if (!impl.acceptor.is_open()) return false;
  impl.accept();
  std::vector<std::thread> threads;
  for (std::size_t i = 1; i < impl.loops.size(); ++i) threads.emplace_back([loop = impl.loops[i].get()] { loop->run(); });
  impl.loops.front()->run();
  for (auto& thread : threads) thread.join();
  return true;
}

void HttpServer::stop() {
  impl_->stopping = true;
  net::post(*impl_->loops.front(), [&impl = *impl_] {
    beast::error_code ec;
    impl.acceptor.close(ec);
  });
  impl_->stopLoops();
}

}  // namespace vk::service

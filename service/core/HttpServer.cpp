#include "HttpServer.h"

#include <fcntl.h>

#include <httplib.h>

#include "Files.h"
#include "Service.h"
#include "netwire/Wire.h"
#include "netwire/WireTypes.h"

namespace vk::service {

struct HttpServer::Impl {
  Service& service;
  httplib::Server server;

  explicit Impl(Service& s) : service(s) {}

  void refuseBody(httplib::Response& res, int http, int status, std::string_view message) {
    res.status = http;
    res.set_content(wire::errorReply(status, message).dump(), "application/json");
    // The rest of the body was not read: the connection cannot carry another request.
    res.set_header("Connection", "close");
  }

  // Request threads.
  void handle(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader* reader) {
    std::string body;
    if (reader) {
      const std::size_t limit = Service::bodyLimit(req.method, req.path);
      if (req.has_header("Content-Length")) {
        auto declared = req.get_header_value<std::uint64_t>("Content-Length");
        if (declared > limit) {
          refuseBody(res, 413, wire::status::kBodyTooLarge, "the body exceeds " + std::to_string(limit) + " bytes");
          return;
        }
        body.reserve(static_cast<std::size_t>(declared));
      }
      bool tooLarge = false;
      bool read = (*reader)([&](const char* data, std::size_t length) {
        if (body.size() + length > limit) {
          tooLarge = true;
          return false;
        }
        body.append(data, length);
        return true;
      });
      if (!read) {
        if (tooLarge)
          refuseBody(res, 413, wire::status::kBodyTooLarge, "the body exceeds " + std::to_string(limit) + " bytes");
        else
          refuseBody(res, 400, wire::status::kBadJson, "the body could not be read");
        return;
      }
    }
    std::string session = req.get_header_value(std::string(wire::kSessionHeader));
    std::string user = req.get_header_value(std::string(wire::kUserHeader));
    std::string crc = req.get_header_value(std::string(wire::kCrcHeader));
    std::string range = req.get_header_value("Range");
    // The service answers ranges itself (206, 416, Content-Range): the transport must not cut
    // the response a second time.
    const_cast<httplib::Request&>(req).ranges.clear();
    Request request;
    request.method = req.method;
    request.path = req.path;
    request.query.reserve(req.params.size());
    for (auto& [key, value] : req.params) request.query.emplace_back(key, value);
    request.session = session;
    request.user = user;
    request.crc = crc;
    request.body = body;
    request.remote = req.remote_addr;
    request.range = range;

    Response out = service.handle(request);
    res.status = out.http;
    for (auto& [name, value] : out.headers) res.set_header(name, value);
    if (out.file.empty()) {
      res.body = std::move(out.body);
      res.set_header("Content-Type", out.contentType);
      return;
    }
    std::shared_ptr<FileDescriptor> file;
    try {
      file = std::make_shared<FileDescriptor>(openFile(out.file, O_RDONLY));
    } catch (const std::exception&) {
      res.status = 404;
      res.set_content(wire::errorReply(wire::status::kUnknownId, "the file is gone").dump(), "application/json");
      return;
    }
    res.set_content_provider(
        static_cast<std::size_t>(out.fileSize), out.contentType,
        [file, start = out.fileOffset](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          char buffer[1 << 16];
          std::size_t n = std::min(length, sizeof buffer);
          if (!readAt(file->get(), buffer, n, start + offset)) return false;
          return sink.write(buffer, n);
        });
  }
};

HttpServer::HttpServer(Service& service, int threads) : impl_(std::make_unique<Impl>(service)) {
  auto& s = impl_->server;
  const std::size_t count = static_cast<std::size_t>(threads > 0 ? threads : 1);
  s.new_task_queue = [count] { return new httplib::ThreadPool(count); };
  s.set_keep_alive_max_count(100000);
  s.set_keep_alive_timeout(5);
  s.set_read_timeout(30);
  s.set_write_timeout(30);
  s.set_tcp_nodelay(true);
  s.set_payload_max_length(wire::kMaxPacketSize + 4096);
  auto plain = [this](const httplib::Request& req, httplib::Response& res) { impl_->handle(req, res, nullptr); };
  auto withBody = [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
    impl_->handle(req, res, &reader);
  };
  s.Get(".*", plain);
  s.Post(".*", withBody);
  s.Put(".*", withBody);
  s.Delete(".*", withBody);
  s.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content(wire::errorReply(wire::status::kInternal, "internal service error").dump(), "application/json");
  });
}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& host, int port) {
  if (port == 0) return impl_->server.bind_to_any_port(host);
  return impl_->server.bind_to_port(host, port) ? port : -1;
}

bool HttpServer::run() { return impl_->server.listen_after_bind(); }

void HttpServer::stop() { impl_->server.stop(); }

}  // namespace vk::service

// The service behind HTTP/1.1 (cpp-httplib): a thread pool with one keep-alive connection per
// thread at a time, bodies read with per-route limits, files streamed from the store.
#pragma once

#include <memory>
#include <string>

namespace vk::service {

class Service;

class HttpServer {
 public:
  HttpServer(Service& service, int threads);
  ~HttpServer();

  // Binds `host`:`port`; port 0 picks a free port. Returns the port, or -1 when binding failed.
  int bind(const std::string& host, int port);
  // Serves until stop(); returns false when the listening socket failed.
  bool run();
  // Any thread.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vk::service

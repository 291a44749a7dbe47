// The service behind HTTP/1.1 (Boost.Beast over Asio): an event loop on about one thread per
// core holds every connection, idle or slow, for the price of its buffers; requests that write
// or hash passwords run on a fixed pool of worker threads so that they never hold up the loop.
// Bodies are read with per-route limits, files streamed from the store, and slow or greedy
// clients are cut off by the limits below.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace vk::service {

class Service;

struct HttpLimits {
  // From a connection's opening, or from the first byte of a kept-alive connection's next
  // request, to the end of the request's headers.
  int headerTimeoutMs = 10'000;
  // A body must arrive within this, plus one second for each 64 KiB it declares.
  int bodyTimeoutMs = 30'000;
  // A kept-alive connection waiting for its next request.
  int keepAliveTimeoutMs = 60'000;
  // Each part of a reply the client must take.
  int writeTimeoutMs = 30'000;
  // The request line and headers together; larger ones are refused with 431.
  std::size_t maxHeaderBytes = 16 * 1024;
  // Open connections from one client address; 0 for no limit. Further ones are answered 503
  // and closed.
  int maxConnectionsPerAddress = 256;
  // Threads of the event loop; 0 for one per core.
  int eventThreads = 0;
};

class HttpServer {
 public:
  // `threads` worker threads run the requests that change data (every method but GET and
  // HEAD); 0 for one per core.
  HttpServer(Service& service, int threads, HttpLimits limits = {});
  ~HttpServer();

  // Binds `host`:`port`; port 0 picks a free port. Returns the port, or -1 (errno set) when
  // binding failed.
  int bind(const std::string& host, int port);
  // Serves until stop(); returns false when the listening socket failed.
  bool run();
  // Any thread.
  void stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vk::service

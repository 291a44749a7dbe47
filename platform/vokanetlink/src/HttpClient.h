// One HTTP connection to the service over libcurl (an easy handle, kept alive between
// requests). Not shared between threads: each library thread owns its own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace vk::netlink {

struct HttpReply {
  int status = 0;      // the protocol status: the service's, or a transport status (-150xx)
  long http = 0;       // the HTTP code, 0 when none arrived
  std::string body;    // the raw body
  nlohmann::json json; // the parsed body when it is a JSON object
  std::string error;   // for logs
};

struct HttpRequest {
  std::string method = "GET";
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string_view body;
  long timeoutMs = 15000;
  long connectTimeoutMs = 3000;
  // Checked while the transfer runs; true aborts it (status -15008).
  const std::atomic<bool>* cancel = nullptr;
  // A binary reply: HTTP 200 is success and the body is kept as bytes; other codes carry a
  // JSON error as usual.
  bool binary = false;
};

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  HttpReply perform(const HttpRequest& request);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Percent-encodes a query value (UTF-8 in, RFC 3986 unreserved characters kept).
std::string urlEncode(std::string_view text);

}  // namespace vk::netlink

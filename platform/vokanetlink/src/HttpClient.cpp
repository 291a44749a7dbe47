#include "HttpClient.h"

#include <curl/curl.h>

#include <mutex>

#include "netwire/Wire.h"

namespace vk::netlink {
namespace {

namespace st = wire::status;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  std::string* body;
  const std::atomic<bool>* cancel;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  std::size_t n = size * count;
  transfer->body->append(data, n);
  return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  return transfer->cancel && transfer->cancel->load() ? 1 : 0;
}

int transportStatus(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return st::kTimedOut;
    case CURLE_ABORTED_BY_CALLBACK: return st::kCancelled;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return st::kNoServiceAddress;
    default: return st::kConnectFailed;
  }
}

}  // namespace

struct HttpClient::Impl {
  std::unique_ptr<CURL, EasyDeleter> easy;
};

HttpClient::HttpClient() : impl_(std::make_unique<Impl>()) {
  globalInit();
  impl_->easy.reset(curl_easy_init());
}

HttpClient::~HttpClient() = default;

HttpReply HttpClient::perform(const HttpRequest& request) {
  HttpReply reply;
  CURL* easy = impl_->easy.get();
  if (!easy) {
    reply.status = st::kConnectFailed;
    reply.error = "curl_easy_init failed";
    return reply;
  }
  curl_easy_reset(easy);
  std::unique_ptr<curl_slist, SlistDeleter> headers;
  auto append = [&headers](const std::string& line) {
    // curl_slist_append returns the list's head, or null leaving the list as it was.
    curl_slist* head = curl_slist_append(headers.get(), line.c_str());
    if (!head) return false;
    (void)headers.release();
    headers.reset(head);
    return true;
  };
  bool appended = true;
  for (auto& [name, value] : request.headers) {
    // A value with control characters would split the header: refuse it.
    for (unsigned char c : value)
      if (c < 0x20 || c == 0x7F) {
        reply.status = st::kBadRequestArgs;
        reply.error = "control character in the " + name + " header";
        return reply;
      }
    appended = appended && append(name + ": " + value);
  }
  // curl sends "Expect: 100-continue" for large bodies and waits for an answer; the service
  // answers at once anyway, so skip the round trip.
  appended = appended && append("Expect:");
  if (!appended) {
    reply.status = st::kBadRequestArgs;
    reply.error = "curl_slist_append failed";
    return reply;
  }
  Transfer transfer{&reply.body, request.cancel};

  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, request.timeoutMs);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  if (request.method == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  }
  CURLcode code = curl_easy_perform(easy);
  if (code != CURLE_OK) {
    reply.status = transportStatus(code);
    reply.error = std::string(curl_easy_strerror(code)) + " (" + request.method + " " + request.url + ")";
    return reply;
  }
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &reply.http);
  if (request.binary && reply.http == 200) {
    reply.status = st::kOk;
    return reply;
  }
  reply.json = nlohmann::json::parse(reply.body, nullptr, false);
  if (reply.json.is_object() && reply.json.contains("status") && reply.json["status"].is_number_integer()) {
    reply.status = reply.json["status"].get<int>();
    if (reply.json.contains("error") && reply.json["error"].is_string()) reply.error = reply.json["error"].get<std::string>();
    return reply;
  }
  reply.status = st::kBadReply;
  reply.error = "HTTP " + std::to_string(reply.http) + " without a status (" + request.method + " " + request.url + ")";
  return reply;
}

std::string urlEncode(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                c == '.' || c == '~';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace vk::netlink

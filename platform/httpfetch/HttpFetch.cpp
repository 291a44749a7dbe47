#include "httpfetch/HttpFetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

namespace httpfetch {
namespace {

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// State of one transfer, shared with curl's callbacks.
struct Transfer {
  long long announced = -1;  // Content-Length of the answer whose headers came last
  bool headersOnly = false;  // stop at the first body byte
  bool stoppedAtBody = false;
  unsigned char* destination = nullptr;
  std::size_t capacity = 0;
  std::size_t limit = 0;
  bool limitKnown = false;
  std::size_t received = 0;
  bool overflow = false;  // the body brought more than the room left
};

bool startsWithNoCase(const char* data, std::size_t size, const char* prefix) {
  const std::size_t n = std::strlen(prefix);
  if (size < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(data[i])) != prefix[i]) return false;
  return true;
}

// Header lines of every answer pass here, redirects included; a status line starts a new
// answer, so only the final answer's length is kept.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (startsWithNoCase(data, n, "http/")) {
    t->announced = -1;
  } else if (startsWithNoCase(data, n, "content-length:")) {
    std::size_t i = std::strlen("content-length:");
    while (i < n && (data[i] == ' ' || data[i] == '\t')) ++i;
    long long value = 0;
    bool digits = false;
    for (; i < n && std::isdigit(static_cast<unsigned char>(data[i])); ++i) {
      digits = true;
      if (value > (1LL << 53)) break;  // absurd: keep it large, never overflow
      value = value * 10 + (data[i] - '0');
    }
    t->announced = digits ? value : -1;
  }
  return n;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (t->headersOnly) {
    t->stoppedAtBody = true;
    return 0;  // aborts the transfer: the headers are all that was wanted
  }
  if (!t->limitKnown) {
    // What the answer announced, never more than the destination holds.
    const std::size_t announced = t->announced > 0 ? static_cast<std::size_t>(t->announced) : 0;
    t->limit = std::min(announced, t->capacity);
    t->limitKnown = true;
  }
  const std::size_t room = t->limit - t->received;
  if (n > room) {
    if (room > 0) std::memcpy(t->destination + t->received, data, room);
    t->received += room;
    t->overflow = true;
    return 0;  // stop reading: nothing beyond the limit is taken
  }
  std::memcpy(t->destination + t->received, data, n);
  t->received += n;
  return n;
}

Easy prepare(const std::string& url, const FetchOptions& options, Transfer& transfer,
             FetchResult& result) {
  globalInit();
  Easy easy(curl_easy_init());
  if (!easy) {
    result.error = "curl_easy_init failed";
    return nullptr;
  }
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  // Pictures come over the web only: no local files or other schemes, also not by redirect.
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(e, CURLOPT_USERAGENT, options.userAgent.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);  // called on worker threads
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, std::max(1L, options.stallTimeoutMs / 1000));
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
  return easy;
}

std::string describe(CURLcode code, const std::string& url) {
  return std::string("curl_easy_perform(") + url + ") failed: " + curl_easy_strerror(code);
}

}  // namespace

FetchResult fetchAnnouncedLength(const std::string& url, const FetchOptions& options) {
  FetchResult result;
  Transfer transfer;
  transfer.headersOnly = true;
  Easy easy = prepare(url, options, transfer, result);
  if (!easy) return result;
  const CURLcode code = curl_easy_perform(easy.get());
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &result.httpStatus);
  if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && transfer.stoppedAtBody)) {
    result.error = describe(code, url);
    return result;
  }
  result.ok = true;
  result.announcedLength = transfer.announced;
  return result;
}

FetchResult fetchBody(const std::string& url, unsigned char* destination, std::size_t capacity,
                      const FetchOptions& options) {
  FetchResult result;
  if (!destination) capacity = 0;
  Transfer transfer;
  transfer.destination = destination;
  transfer.capacity = capacity;
  Easy easy = prepare(url, options, transfer, result);
  if (!easy) return result;
  const CURLcode code = curl_easy_perform(easy.get());
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &result.httpStatus);
  result.announcedLength = transfer.announced;
  result.received = transfer.received;
  if (transfer.announced > 0 && static_cast<unsigned long long>(transfer.announced) > capacity) {
    result.error = "GET " + url + ": the answer announced " + std::to_string(transfer.announced) +
                   " bytes, the destination holds " + std::to_string(capacity);
    return result;
  }
  if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && transfer.overflow)) {
    result.error = describe(code, url);
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace httpfetch

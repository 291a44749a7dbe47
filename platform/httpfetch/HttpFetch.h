#pragma once
// Plain HTTP GET of a web address over libcurl, for pictures and other small files outside
// the contest service's protocol. Blocking; any thread; nothing is kept between calls.
// No curl header is visible here.
#include <cstddef>
#include <cstdint>
#include <string>

namespace httpfetch {

struct FetchOptions {
  std::string userAgent = "httpfetch";
  // A connection that cannot be made within this time fails.
  long connectTimeoutMs = 5000;
  // A transfer that moves less than one byte per second for this long fails (a stalled
  // server never holds the caller for ever).
  long stallTimeoutMs = 10000;
};

struct FetchResult {
  bool ok = false;
  // The body length the answer announced (Content-Length), -1 when it announced none.
  long long announcedLength = -1;
  // HTTP status code of the final answer (0 when none arrived). Not judged here.
  long httpStatus = 0;
  // Bytes placed in the destination (fetchBody).
  std::size_t received = 0;
  // Which call failed and why, for the log.
  std::string error;
};

// GETs `url` (UTF-8) and stops as soon as the answer's headers are in; `announcedLength` is
// the length the final answer announces. Only http and https addresses are fetched, also
// across redirects; anything else fails without network access.
FetchResult fetchAnnouncedLength(const std::string& url, const FetchOptions& options = {});

// GETs `url` and copies its body into `destination`, at most min(announced length, capacity)
// bytes: the destination is never written past `capacity`, whatever the server sends. An
// answer announcing no length delivers no bytes (ok, received 0). A body that ends before the
// bytes the answer announced fails.
FetchResult fetchBody(const std::string& url, unsigned char* destination, std::size_t capacity,
                      const FetchOptions& options = {});

}  // namespace httpfetch

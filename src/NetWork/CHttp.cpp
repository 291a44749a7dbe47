#include "NetWork/CHttp.h"

#include <climits>
#include <cwctype>

#include "app/AppLog.h"
#include "httpfetch/HttpFetch.h"
#include "oscompat/Utf.h"

namespace {

httpfetch::FetchOptions options() {
  httpfetch::FetchOptions o;
  o.userAgent = "CHttp";
  return o;
}

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

bool CHttp::isUrl(const std::wstring& text) {
  const auto colon = text.find(L':');
  if (colon == std::wstring::npos || colon < 2 || !isAsciiLetter(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const wchar_t c = text[i];
    if (!isAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' && c != L'.')
      return false;
  }
  return true;
}

int CHttp::contentLength(const std::wstring& url) {
  if (!isUrl(url)) return 0;
  const auto result = httpfetch::fetchAnnouncedLength(oscompat::utf8FromWide(url), options());
  if (!result.ok) {
    appLog("CHttp::contentLength: " + result.error);
    return 0;
  }
  if (result.announcedLength <= 0 || result.announcedLength > INT_MAX) return 0;
  return static_cast<int>(result.announcedLength);
}

int CHttp::download(const std::wstring& url, unsigned char* destination, std::size_t capacity,
                    std::size_t& length) {
  length = 0;
  if (!isUrl(url)) return 0;
  const auto result =
      httpfetch::fetchBody(oscompat::utf8FromWide(url), destination, capacity, options());
  if (!result.ok) {
    appLog("CHttp::download: " + result.error);
    return 0;
  }
  length = result.received;
  return 1;
}

#include "oscompat/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <strings.h>

#include "oscompat/Utf.h"

namespace oscompat {
namespace {

struct IconvCloser {
  void operator()(iconv_t* cd) const {
    if (cd && *cd != reinterpret_cast<iconv_t>(-1)) iconv_close(*cd);
    delete cd;
  }
};
using IconvHandle = std::unique_ptr<iconv_t, IconvCloser>;

IconvHandle openConverter(const std::string& to, const std::string& from) {
  auto cd = IconvHandle(new iconv_t(iconv_open(to.c_str(), from.c_str())));
  if (*cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return cd;
}

bool isUtf8Name(const std::string& name) {
  return strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "UTF8") == 0;
}

std::string decodingName(const std::string& codePage) {
  if (strcasecmp(codePage.c_str(), "GBK") == 0 || strcasecmp(codePage.c_str(), "CP936") == 0 ||
      strcasecmp(codePage.c_str(), "GB2312") == 0)
    return "GB18030";
  return codePage;
}

// Runs iconv over the whole input; false when it stopped early.
bool convertAll(iconv_t cd, const std::string& in, std::string& out) {
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  std::string buffer(in.size() * 4 + 16, '\0');
  bool complete = true;
  while (true) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    complete = false;  // EILSEQ or EINVAL: undecodable or truncated input
    break;
  }
  return complete;
}

}  // namespace

std::string systemCodePage() {
  const char* env = std::getenv("VOKARAN_CODEPAGE");
  return (env && *env) ? std::string(env) : std::string("UTF-8");
}

std::wstring wideFromCodePage(const std::string& bytes, const std::string& codePage, bool* ok) {
  const std::string cp = codePage.empty() ? systemCodePage() : codePage;
  if (ok) *ok = true;
  if (isUtf8Name(cp)) {
    if (ok) *ok = isValidUtf8(bytes);
    return wideFromUtf8(bytes);
  }
  auto cd = openConverter("UTF-8", decodingName(cp));
  if (!cd) {
    if (ok) *ok = false;
    return {};
  }
  std::string utf8;
  const bool complete = convertAll(*cd, bytes, utf8);
  if (ok) *ok = complete;
  return wideFromUtf8(utf8);
}

std::string codePageFromWide(const std::wstring& text, const std::string& codePage, bool* ok) {
  const std::string cp = codePage.empty() ? systemCodePage() : codePage;
  if (ok) *ok = true;
  const std::string utf8 = utf8FromWide(text);
  if (isUtf8Name(cp)) return utf8;
  auto cd = openConverter(cp, "UTF-8");
  if (!cd) {
    if (ok) *ok = false;
    return {};
  }
  std::string out;
  const bool complete = convertAll(*cd, utf8, out);
  if (ok) *ok = complete;
  return out;
}

}  // namespace oscompat

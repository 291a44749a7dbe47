#include "Codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <strings.h>

#include "netwire/Utf8.h"

namespace vk::netlink {
namespace {

std::string codepage() {
  const char* name = std::getenv("VOKARAN_CODEPAGE");
  if (!name || !*name || strcasecmp(name, "UTF-8") == 0 || strcasecmp(name, "UTF8") == 0) return {};
  return name;
}

struct IconvCloser {
  void operator()(iconv_t* cd) const {
    iconv_close(*cd);
    delete cd;
  }
};

// Converts with iconv, replacing what does not convert with `replacement` (in `to`).
std::string convert(std::string_view text, const std::string& from, const std::string& to,
                    std::string_view replacement) {
  iconv_t raw = iconv_open(to.c_str(), from.c_str());
  if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(text);  // unknown code page: pass through
  std::unique_ptr<iconv_t, IconvCloser> cd(new iconv_t(raw));
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = iconv(*cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one byte of input (or one UTF-8 character) and mark it.
      std::size_t skip = 1;
      if (from == "UTF-8") {
        unsigned char lead = static_cast<unsigned char>(*in);
        skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (skip > inLeft) skip = inLeft;
      }
      in += skip;
      inLeft -= skip;
      out += replacement;
    }
  }
  return out;
}

}  // namespace

std::string systemToUtf8(std::string_view text) {
  std::string page = codepage();
  if (page.empty()) {
    if (wire::isValidUtf8(text)) return std::string(text);
    return wire::encodeUtf8(wire::decodeUtf8(text));
  }
  return convert(text, page, "UTF-8", "\xEF\xBF\xBD");
}

std::string utf8ToSystem(std::string_view text) {
  std::string page = codepage();
  if (page.empty()) return std::string(text);
  return convert(text, "UTF-8", page, "?");
}

}  // namespace vk::netlink

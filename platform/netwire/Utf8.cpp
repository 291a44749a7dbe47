#include "netwire/Utf8.h"

namespace vk::wire {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i]; advances i. Returns kReplacement on a malformed
// sequence (i then moves past the first byte only), and sets ok to false.
char32_t decodeOne(std::string_view text, std::size_t& i, bool& ok) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ok = false;
    ++i;
    return kReplacement;
  }
  if (i + length > text.size()) {
    ok = false;
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ok = false;
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ok = false;
    ++i;
    return kReplacement;
  }
  i += length;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool isValidUtf8(std::string_view text) {
  bool ok = true;
  for (std::size_t i = 0; i < text.size() && ok;) decodeOne(text, i, ok);
  return ok;
}

std::u32string decodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  bool ok = true;
  for (std::size_t i = 0; i < text.size();) out += decodeOne(text, i, ok);
  return out;
}

std::string encodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char32_t cp : text) appendUtf8(out, cp);
  return out;
}

std::string wideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (wchar_t c : text) appendUtf8(out, static_cast<char32_t>(c));
  return out;
}

std::wstring utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  bool ok = true;
  for (std::size_t i = 0; i < text.size();) out += static_cast<wchar_t>(decodeOne(text, i, ok));
  return out;
}

}  // namespace vk::wire

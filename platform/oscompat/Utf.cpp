#include "oscompat/Utf.h"

namespace oscompat {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at s[i], advancing i; malformed input yields U+FFFD.
char32_t decodeOne(const std::string& s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) { ++i; return c; }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; minimum = 0x80; }
  else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; minimum = 0x800; }
  else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; minimum = 0x10000; }
  else { ++i; return kReplacement; }
  if (i + extra >= s.size()) {
    // A truncated sequence at the end is one replacement, continuation bytes included.
    ++i;
    while (i < s.size() && (byte(i) & 0xC0) == 0x80) ++i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char cc = byte(i + k);
    if ((cc & 0xC0) != 0x80) { i += k; return kReplacement; }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += extra + 1;
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
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

std::wstring wideFromUtf8(const std::string& utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) out += static_cast<wchar_t>(decodeOne(utf8, i));
  return out;
}

std::string utf8FromWide(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t w : wide) appendUtf8(out, static_cast<char32_t>(w));
  return out;
}

std::u16string utf16FromWide(const std::wstring& wide) {
  std::u16string out;
  out.reserve(wide.size());
  for (wchar_t w : wide) {
    char32_t cp = static_cast<char32_t>(w);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    }
  }
  return out;
}

std::wstring wideFromUtf16(const std::u16string& utf16) {
  std::wstring out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(u);
    }
  }
  return out;
}

bool isValidUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t start = i;
    const char32_t cp = decodeOne(bytes, i);
    if (cp == kReplacement) {
      // A literal U+FFFD (EF BF BD) is valid; anything else decoding to it is not.
      if (!(i - start == 3 && static_cast<unsigned char>(bytes[start]) == 0xEF)) return false;
    }
  }
  return true;
}

}  // namespace oscompat

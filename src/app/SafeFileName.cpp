#include "app/SafeFileName.h"

namespace {
constexpr std::size_t kMaxLength = 120;  // leaves room for suffixes within a file name's limit

bool isUnsafe(wchar_t c) {
  return c == L'/' || c == L'\\' || c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}
}  // namespace

std::wstring safeFileNameComponent(const std::wstring& text) {
  std::wstring out = text.substr(0, kMaxLength);
  for (wchar_t& c : out)
    if (isUnsafe(c)) c = L'_';
  // Every dot of a run of two or more dots goes.
  for (std::size_t i = 0; i + 1 < out.size(); ++i)
    if (out[i] == L'.' && out[i + 1] == L'.') {
      std::size_t j = i;
      while (j < out.size() && out[j] == L'.') out[j++] = L'_';
      i = j;
    }
  if (out.empty() || out == L".") out = L"_";
  return out;
}

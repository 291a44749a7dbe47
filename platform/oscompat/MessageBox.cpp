#include "oscompat/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "oscompat/Log.h"
#include "oscompat/Utf.h"

namespace oscompat {
namespace {
std::mutex& presenterMutex() {
  static std::mutex m;
  return m;
}
MessageBoxPresenter& presenter() {
  static MessageBoxPresenter p;
  return p;
}
}  // namespace

void setMessageBoxPresenter(MessageBoxPresenter p) {
  std::lock_guard<std::mutex> lock(presenterMutex());
  presenter() = std::move(p);
}

int messageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) {
  MessageBoxPresenter p;
  {
    std::lock_guard<std::mutex> lock(presenterMutex());
    p = presenter();
  }
  if (p) return p(text, caption, flags);
  const std::string line = caption.empty() ? utf8FromWide(text)
                                           : utf8FromWide(caption) + ": " + utf8FromWide(text);
  std::fprintf(stderr, "%s\n", line.c_str());
  log((flags & 0xF0) == MB_ICONWARNING || (flags & 0xF0) == MB_ICONERROR ? LogLevel::Error
                                                                         : LogLevel::Info,
      "message box: " + line);
  return IDOK;
}

}  // namespace oscompat

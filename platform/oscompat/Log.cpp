#include "oscompat/Log.h"

#include <cstdio>
#include <mutex>

namespace oscompat {
namespace {
std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}
LogSink& sink() {
  static LogSink s;
  return s;
}
}  // namespace

void setLogSink(LogSink s) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  sink() = std::move(s);
}

void log(LogLevel level, const std::string& line) {
  LogSink copy;
  {
    std::lock_guard<std::mutex> lock(sinkMutex());
    copy = sink();
  }
  if (copy) {
    copy(level, line);
    return;
  }
  const char* tag = level == LogLevel::Error ? "error" : level == LogLevel::Warning ? "warning" : "info";
  std::fprintf(stderr, "[%s] %s\n", tag, line.c_str());
}

}  // namespace oscompat

#include "oscompat/Paths.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace oscompat {
namespace {
std::mutex& overrideMutex() {
  static std::mutex m;
  return m;
}
std::string& overrideDir() {
  static std::string dir;
  return dir;
}
}  // namespace

void setModuleDirectoryOverride(const std::string& dir) {
  std::lock_guard<std::mutex> lock(overrideMutex());
  overrideDir() = dir;
}

std::string moduleDirectory() {
  {
    std::lock_guard<std::mutex> lock(overrideMutex());
    if (!overrideDir().empty()) return overrideDir();
  }
  const char* env = std::getenv("VOKARAN_MODULE_DIR");
  if (env && *env) return env;
  return executableDirectory();
}

std::string executableDirectory() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string runtimeDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg && access(xdg, W_OK) == 0) return xdg;
  return "/tmp";
}

}  // namespace oscompat

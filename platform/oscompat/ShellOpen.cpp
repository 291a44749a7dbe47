#include "oscompat/ShellOpen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "oscompat/Log.h"
#include "oscompat/TestHook.h"

extern char** environ;

namespace oscompat {
namespace {
TestHook& hook() {
  static TestHook h;
  return h;
}
}  // namespace

void setShellOpenHandler(std::function<void(const std::string&)> h) { hook().set(std::move(h)); }

bool shellOpen(const std::string& target) {
  if (hook().run(target)) return true;
  if (target.empty()) return false;
  const char* env = std::getenv("VOKARAN_OPEN_COMMAND");
  const std::string program = (env && *env) ? env : "xdg-open";
  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                          nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    log(LogLevel::Warning, "shellOpen: posix_spawnp(" + program + ") failed");
    return false;
  }
  // Reap the child when it ends so it does not linger as a zombie.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

}  // namespace oscompat

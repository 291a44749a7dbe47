#pragma once
// Which thread is the GUI thread: the one that started the shell's loop.
#include <atomic>
#include <thread>

namespace guishell {

class ShellRuntime {
 public:
  static void setGuiThread() { guiThread() = std::this_thread::get_id(); }
  static void clearGuiThread() { guiThread() = std::thread::id(); }
  static bool isGuiThread() { return guiThread().load() == std::this_thread::get_id(); }

 private:
  static std::atomic<std::thread::id>& guiThread() {
    static std::atomic<std::thread::id> id;
    return id;
  }
};

}  // namespace guishell

#pragma once
// One running instance per user: an exclusive flock on a lock file stands for the named
// mutex, and "find the first instance's main window and bring it to the front" is a request
// over the first instance's local socket. The kernel drops the lock when a process dies, so a
// lock file left by a crashed instance never blocks a new start.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace oscompat {

class SingleInstance {
 public:
  // `name` is the instance name ("Vokaran PK"); files live in `folder` (default: the runtime
  // folder).
  explicit SingleInstance(const std::string& name, const std::string& folder = {});
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the instance lock; false when another process holds it.
  bool acquire();
  // Second start: asks the first instance to raise its main window. True when the first
  // instance answered (its window exists); false when nobody listens.
  bool askFirstInstanceToRaise();
  // First instance, once its main window exists: answers raise requests. `onRaise` runs on the
  // listener thread and must only post work to the GUI thread.
  bool listenForRaise(std::function<void()> onRaise);
  void stopListening();

  const std::string& lockPath() const { return lockPath_; }
  const std::string& socketPath() const { return socketPath_; }

 private:
  void listenLoop();

  std::string lockPath_;
  std::string socketPath_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::function<void()> onRaise_;
  std::thread listener_;
};

}  // namespace oscompat

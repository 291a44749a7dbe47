#include "oscompat/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include "oscompat/Paths.h"
#include "oscompat/UnixSocket.h"

namespace oscompat {
namespace {
std::string fileStem(const std::string& name) {
  std::string stem;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    stem += plain ? c : '_';
  }
  return stem.empty() ? std::string("instance") : stem;
}
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";
}  // namespace

SingleInstance::SingleInstance(const std::string& name, const std::string& folder) {
  const std::string dir = folder.empty() ? runtimeDirectory() : folder;
  const std::string stem = fileStem(name) + "-" + std::to_string(getuid());
  lockPath_ = dir + "/" + stem + ".lock";
  socketPath_ = dir + "/" + stem + ".sock";
}

SingleInstance::~SingleInstance() {
  stopListening();
  if (lockFd_ >= 0) {
    // Only the lock holder owns the socket file.
    unlink(socketPath_.c_str());
    close(lockFd_);
  }
}

bool SingleInstance::acquire() {
  if (lockFd_ >= 0) return true;
  const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no place for a lock: run rather than refuse to start
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

bool SingleInstance::askFirstInstanceToRaise() {
  int fd = unixsock::connectTo(socketPath_);
  if (fd < 0) return false;
  timeval timeout{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  bool answered = unixsock::writeAll(fd, kRaiseRequest, sizeof(kRaiseRequest) - 1);
  char reply[sizeof(kRaiseAnswer) - 1];
  answered = answered && unixsock::readExact(fd, reply, sizeof(reply));
  unixsock::closeFd(fd);
  return answered;
}

bool SingleInstance::listenForRaise(std::function<void()> onRaise) {
  if (listenFd_ >= 0 || lockFd_ < 0) return false;
  listenFd_ = unixsock::listenAt(socketPath_);
  if (listenFd_ < 0) return false;
  if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
    unixsock::closeFd(listenFd_);
    return false;
  }
  onRaise_ = std::move(onRaise);
  listener_ = std::thread([this] { listenLoop(); });
  return true;
}

void SingleInstance::stopListening() {
  if (!listener_.joinable()) return;
  const char stop = 'x';
  (void)!write(wakePipe_[1], &stop, 1);
  listener_.join();
  unixsock::closeFd(listenFd_);
  unixsock::closeFd(wakePipe_[0]);
  unixsock::closeFd(wakePipe_[1]);
}

// Listener thread: answers each request line, then asks the owner to raise its window.
void SingleInstance::listenLoop() {
  while (true) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    timeval timeout{2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    char request[sizeof(kRaiseRequest) - 1];
    if (unixsock::readExact(client, request, sizeof(request)) &&
        std::string(request, sizeof(request)) == kRaiseRequest) {
      unixsock::writeAll(client, kRaiseAnswer, sizeof(kRaiseAnswer) - 1);
      if (onRaise_) onRaise_();
    }
    unixsock::closeFd(client);
  }
}

}  // namespace oscompat

#include "oscompat/LauncherLink.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "oscompat/Paths.h"
#include "oscompat/UnixSocket.h"

namespace oscompat {
namespace {
void putU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t getU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
}  // namespace

std::string launcherSocketPath() {
  const char* env = std::getenv("VOKARAN_LAUNCHER_SOCKET");
  if (env && *env) return env;
  return runtimeDirectory() + "/vokaran-launcher-" + std::to_string(getuid()) + ".sock";
}

bool writeLauncherFrame(int fd, LauncherMessage type, const void* data, size_t size) {
  if (size > kMaxLauncherPayload) return false;
  std::vector<uint8_t> frame(8 + size);
  putU32(frame.data(), static_cast<uint32_t>(type));
  putU32(frame.data() + 4, static_cast<uint32_t>(size));
  if (size) std::memcpy(frame.data() + 8, data, size);
  return unixsock::writeAll(fd, frame.data(), frame.size());
}

bool readLauncherFrame(int fd, LauncherFrame& frame) {
  uint8_t header[8];
  if (!unixsock::readExact(fd, header, sizeof(header))) return false;
  const uint32_t size = getU32(header + 4);
  if (size > kMaxLauncherPayload) return false;
  frame.type = static_cast<LauncherMessage>(getU32(header));
  frame.payload.resize(size);
  return size == 0 || unixsock::readExact(fd, frame.payload.data(), size);
}

LauncherConnection::~LauncherConnection() { close(); }

bool LauncherConnection::connect(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) return true;
  fd_ = unixsock::connectTo(path);
  return fd_ >= 0;
}

void LauncherConnection::adopt(int fd) {
  std::lock_guard<std::mutex> lock(mutex_);
  unixsock::closeFd(fd_);
  fd_ = fd;
}

bool LauncherConnection::isConnected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fd_ >= 0;
}

bool LauncherConnection::send(LauncherMessage type, const void* data, size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ < 0) return false;
  return writeLauncherFrame(fd_, type, data, size);
}

bool LauncherConnection::sendCopyData(uint32_t tag, const void* data, size_t size) {
  std::vector<uint8_t> payload(4 + size);
  putU32(payload.data(), tag);
  if (size) std::memcpy(payload.data() + 4, data, size);
  return send(LauncherMessage::CopyData, payload.data(), payload.size());
}

bool LauncherConnection::sendUserContext(int code, const std::string& text) {
  std::vector<uint8_t> payload(4 + text.size());
  putU32(payload.data(), static_cast<uint32_t>(code));
  std::memcpy(payload.data() + 4, text.data(), text.size());
  return send(LauncherMessage::UserContext, payload.data(), payload.size());
}

void LauncherConnection::startReceiving(std::function<void(const LauncherFrame&)> onFrame,
                                        std::function<void()> onClosed) {
  int fd;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0 || reader_.joinable()) return;
    fd = dup(fd_);
  }
  if (fd < 0) return;
  reader_ = std::thread([fd, onFrame = std::move(onFrame), onClosed = std::move(onClosed)] {
    LauncherFrame frame;
    while (readLauncherFrame(fd, frame)) onFrame(frame);
    ::close(fd);
    if (onClosed) onClosed();
  });
}

void LauncherConnection::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);  // wakes the reader's dup as well
    unixsock::closeFd(fd_);
  }
  if (reader_.joinable()) reader_.join();
}

LauncherConnection& launcherLink() {
  static LauncherConnection link;
  return link;
}

}  // namespace oscompat

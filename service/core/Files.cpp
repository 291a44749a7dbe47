#include "Files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vk::service {
namespace {
[[noreturn]] void raise(const std::string& call, const std::filesystem::path& path) {
  throw std::runtime_error(call + "(" + path.string() + ") failed: " + std::strerror(errno));
}
}  // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

FileDescriptor openFile(const std::filesystem::path& path, int flags, int mode) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) raise("open", path);
  return FileDescriptor(fd);
}

void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset) {
  auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("pwrite failed: ") + std::strerror(errno));
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
}

bool readAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd, bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("pread failed: ") + std::strerror(errno));
    }
    if (n == 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

void writeFileAtomic(const std::filesystem::path& path, std::string_view data) {
  auto temporary = path;
  temporary += ".tmp";
  {
    auto fd = openFile(temporary, O_WRONLY | O_CREAT | O_TRUNC);
    writeAt(fd.get(), data.data(), data.size(), 0);
    if (::fsync(fd.get()) != 0) raise("fsync", temporary);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) raise("rename", temporary);
  syncDirectory(path.parent_path());
}

std::string readWholeFile(const std::filesystem::path& path) {
  auto fd = openFile(path, O_RDONLY);
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      raise("read", path);
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void syncDirectory(const std::filesystem::path& directory) {
  auto fd = openFile(directory.empty() ? "." : directory, O_RDONLY | O_DIRECTORY);
  ::fsync(fd.get());  // Some file systems refuse to sync directories; nothing to do then.
}

bool isDigits(std::string_view text, std::size_t maxLength) {
  if (text.empty() || text.size() > maxLength) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool isSafeName(std::string_view text, std::size_t maxLength) {
  if (text.empty() || text.size() > maxLength) return false;
  for (char c : text) {
    bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
              c == '-';
    if (!ok) return false;
  }
  return true;
}

bool isExtension(std::string_view text) {
  if (text.size() < 2 || text.size() > 9 || text[0] != '.') return false;
  for (char c : text.substr(1)) {
    bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!ok) return false;
  }
  return true;
}

}  // namespace vk::service

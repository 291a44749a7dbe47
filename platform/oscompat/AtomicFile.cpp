#include "oscompat/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace oscompat {
namespace {

std::mutex& hooksMutex() {
  static std::mutex m;
  return m;
}
AtomicWriteHooks& hooks() {
  static AtomicWriteHooks h;
  return h;
}

std::string describe(const std::string& call, const std::string& path, int err) {
  return call + "(" + path + ") failed: " + std::strerror(err);
}

// The file a write to `path` really replaces: the target of a link, else `path` itself.
std::string resolveTarget(const std::string& path) {
  struct stat st{};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::error_code ec;
  // A dangling link still names its target; only a loop or an unreadable link falls back.
  const auto target = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : target.string();
}

std::string parentFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes, const AtomicWriteHooks& h, int& err) {
  size_t done = 0;
  while (done < bytes.size()) {
    size_t want = bytes.size() - done;
    if (h.chunkSize && want > h.chunkSize) want = h.chunkSize;
    const ssize_t n = ::write(fd, bytes.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    done += static_cast<size_t>(n);
    if (h.afterChunk) h.afterChunk(done);
  }
  return true;
}

}  // namespace

void setAtomicWriteHooksForTesting(AtomicWriteHooks h) {
  std::lock_guard<std::mutex> lock(hooksMutex());
  hooks() = std::move(h);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  AtomicWriteHooks h;
  {
    std::lock_guard<std::mutex> lock(hooksMutex());
    h = hooks();
  }
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (path.empty()) return fail("writeFileAtomically: no file name given");
  const std::string target = resolveTarget(path);

  // Keep the permission bits of the file being replaced.
  struct stat old{};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed && S_ISDIR(old.st_mode)) return fail(describe("open", target, EISDIR));

  // A name of our own beside the target, so the rename stays within one file system.
  static std::atomic<unsigned> serial{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(describe("open", temp, errno));
  }
  if (fd < 0) return fail(describe("open", temp, EEXIST));

  int err = 0;
  std::string failedCall;
  if (existed && ::fchmod(fd, old.st_mode & 07777) != 0) {
    err = errno;
    failedCall = "fchmod";
  } else if (!writeAll(fd, bytes, h, err)) {
    failedCall = "write";
  } else if (::fsync(fd) != 0) {
    err = errno;
    failedCall = "fsync";
  }
  if (::close(fd) != 0 && failedCall.empty()) {
    err = errno;
    failedCall = "close";
  }
  if (failedCall.empty()) {
    if (h.beforeRename) h.beforeRename();
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      err = errno;
      failedCall = "rename";
    }
  }
  if (!failedCall.empty()) {
    ::unlink(temp.c_str());
    return fail(describe(failedCall, failedCall == "rename" ? target : temp, err));
  }

  // The rename is durable once the folder's entry is on disk. The new content is already in
  // place whatever this reports, so a failure here is not a failed write.
  const int dir = ::open(parentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string* error,
                   bool* missing) {
  if (missing) *missing = false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (missing) *missing = errno == ENOENT;
    if (error) *error = describe("open", path, errno);
    return false;
  }
  std::string content;
  char buffer[16384];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      if (error) *error = describe("read", path, err);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  bytes = std::move(content);
  return true;
}

}  // namespace oscompat

// File helpers of the store: descriptors behind RAII, atomic replacement, safe names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vk::service {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  ~FileDescriptor();
  int get() const { return fd_; }
  int release();
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens with open(2); throws std::runtime_error naming the call and the path.
FileDescriptor openFile(const std::filesystem::path& path, int flags, int mode = 0644);

// Writes all bytes at `offset`; throws on failure.
void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset);
// Reads exactly `size` bytes at `offset`; returns false at a short read.
bool readAt(int fd, void* data, std::size_t size, std::uint64_t offset);

// Replaces `path` by `data` through a temporary file, a sync and a rename, so readers see the
// old or the new content, never a part.
void writeFileAtomic(const std::filesystem::path& path, std::string_view data);
std::string readWholeFile(const std::filesystem::path& path);

// Syncs a directory so a rename or creation inside it survives a machine crash.
void syncDirectory(const std::filesystem::path& directory);

// Whole-string checks of names that end up in paths or queries.
bool isDigits(std::string_view text, std::size_t maxLength);
bool isSafeName(std::string_view text, std::size_t maxLength);  // [A-Za-z0-9_-]
bool isExtension(std::string_view text);                         // "." + 1..8 [A-Za-z0-9]

}  // namespace vk::service

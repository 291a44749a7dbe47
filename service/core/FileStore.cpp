#include "FileStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace vk::service {

std::filesystem::path LocalFileStore::partPath(std::int64_t uploadId) const {
  return root_ / "uploads" / (std::to_string(uploadId) + ".part");
}

void LocalFileStore::writePart(std::int64_t uploadId, std::uint64_t offset, std::string_view bytes, bool sync) {
  auto part = openFile(partPath(uploadId), O_WRONLY | O_CREAT);
  writeAt(part.get(), bytes.data(), bytes.size(), offset);
  if (sync && ::fdatasync(part.get()) != 0) throw std::runtime_error("fdatasync of a packet failed");
}

std::optional<std::int64_t> LocalFileStore::partWritten(std::int64_t uploadId) const {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(partPath(uploadId), error);
  if (error) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::filesystem::file_time_type::clock::to_sys(written).time_since_epoch())
      .count();
}

void LocalFileStore::removePart(std::int64_t uploadId) {
  std::error_code ignored;
  std::filesystem::remove(partPath(uploadId), ignored);
}

namespace {
class LocalUpload final : public FileStore::Upload {
 public:
  LocalUpload(FileDescriptor fd, std::filesystem::path file, bool isPart, std::filesystem::path root)
      : fd_(std::move(fd)), file_(std::move(file)), isPart_(isPart), root_(std::move(root)) {}

  bool read(std::uint64_t offset, std::size_t size, std::string& out) override {
    out.resize(size);
    return readAt(fd_.get(), out.data(), size, offset);
  }

  void publish(const std::string& work) override {
    if (::fsync(fd_.get()) != 0) throw std::runtime_error("fsync of the finished upload failed");
    if (!isPart_) return;  // published before, its record lost to a crash
    const auto target = root_ / work;
    std::filesystem::rename(file_, target);
    // Synced in any case: the record about to say "published" must not outlive the rename.
    syncDirectory(target.parent_path());
  }

 private:
  FileDescriptor fd_;
  std::filesystem::path file_;
  bool isPart_;
  std::filesystem::path root_;
};
}  // namespace

std::unique_ptr<FileStore::Upload> LocalFileStore::openUpload(std::int64_t uploadId, const std::string& work) {
  std::error_code error;
  const auto part = partPath(uploadId);
  const bool isPart = std::filesystem::exists(part, error);
  const auto file = isPart ? part : root_ / work;
  try {
    return std::make_unique<LocalUpload>(openFile(file, O_RDONLY), file, isPart, root_);
  } catch (const std::exception&) {
    return nullptr;
  }
}

void LocalFileStore::removeWork(const std::string& work) {
  std::error_code ignored;
  std::filesystem::remove(root_ / work, ignored);
}

}  // namespace vk::service

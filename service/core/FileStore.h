// The uploaded files: an upload's part, written packet by packet at the packets' offsets, and
// the work file it becomes once every packet checked out. LocalFileStore keeps them under the
// data folder (store/uploads, store/works); another store (an object store shared by several
// services) can take its place behind the same calls. Any thread; callers serialise the calls
// about one upload.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Files.h"

namespace vk::service {

class FileStore {
 public:
  virtual ~FileStore() = default;

  // Writes `bytes` at `offset` of the upload's part, creating it; with `sync` the bytes are on
  // disk when it returns. Throws std::runtime_error.
  virtual void writePart(std::int64_t uploadId, std::uint64_t offset, std::string_view bytes, bool sync) = 0;
  // When the part was last written (seconds since the epoch); none without a part.
  virtual std::optional<std::int64_t> partWritten(std::int64_t uploadId) const = 0;
  virtual void removePart(std::int64_t uploadId) = 0;

  // The bytes an upload has to be checked against its packets' CRCs before it is published.
  class Upload {
   public:
    virtual ~Upload() = default;
    // Exactly `size` bytes at `offset` into `out`; false when there are fewer.
    virtual bool read(std::uint64_t offset, std::size_t size, std::string& out) = 0;
    // Makes the bytes checked durable and publishes them as the work file `work`. Throws.
    virtual void publish(const std::string& work) = 0;
  };
  // The upload's part; or, when a crash came between publishing and recording it, the work
  // file `work` it became. None when neither is there.
  virtual std::unique_ptr<Upload> openUpload(std::int64_t uploadId, const std::string& work) = 0;

  // A work file (a path relative to the store, "works/u12.mp4") goes; nothing when it is gone.
  virtual void removeWork(const std::string& work) = 0;
  // The local file a response streams and the browser copies are made from.
  virtual std::filesystem::path localFile(const std::string& work) const = 0;
};

// Files under `root` (the data folder's store): parts in uploads/, works where they are named.
class LocalFileStore final : public FileStore {
 public:
  explicit LocalFileStore(std::filesystem::path root) : root_(std::move(root)) {}

  void writePart(std::int64_t uploadId, std::uint64_t offset, std::string_view bytes, bool sync) override;
  std::optional<std::int64_t> partWritten(std::int64_t uploadId) const override;
  void removePart(std::int64_t uploadId) override;
  std::unique_ptr<Upload> openUpload(std::int64_t uploadId, const std::string& work) override;
  void removeWork(const std::string& work) override;
  std::filesystem::path localFile(const std::string& work) const override { return root_ / work; }

 private:
  std::filesystem::path partPath(std::int64_t uploadId) const;

  std::filesystem::path root_;
};

}  // namespace vk::service

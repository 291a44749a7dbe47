// The library's record of its uploads (the file given to SetUploadRecordPath), so that an
// upload continues after the module restarts: which file, which service upload, what product
// record to submit once the file is on the service.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "netwire/WireTypes.h"

namespace vk::netlink {

struct UploadEntry {
  int uploadId = 0;
  std::string path;  // UTF-8
  std::string ext;
  std::string key;
  long long size = 0;
  long long mtime = 0;  // nanoseconds; a changed file is uploaded anew
  int packetTotal = 0;
  int sent = 0;
  bool finished = false;
  std::string address;
  bool hasProduct = false;
  wire::ProductSubmission product;  // uploadId filled when submitted
};

class UploadRecord {
 public:
  // Reads the file when it exists; an unreadable file leaves the record empty.
  void open(const std::string& path);

  std::optional<UploadEntry> byId(int uploadId) const;
  std::optional<UploadEntry> byFile(const std::string& path, long long size, long long mtime) const;
  std::optional<UploadEntry> byPath(const std::string& path) const;
  // Adds or replaces the entry with the same upload id, then saves.
  void put(const UploadEntry& entry);
  void remove(int uploadId);

 private:
  void saveLocked() const;
  mutable std::mutex mutex_;
  std::string path_;
  std::vector<UploadEntry> entries_;
};

}  // namespace vk::netlink

#pragma once
// One song file in the song-file cache: downloaded into memory by a download task on the task
// manager's threads, announced with "MicDownloaded" when the download has ended.
#include <CEGUI/EventArgs.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tunefetch/TuneFetch.h"

using MicFileBytes = std::vector<unsigned char>;

class CTaskMicDown;

// "MicDownloaded": the song and the file's bytes as they were when the event was made (null
// when the download failed). The bytes stay valid as long as the arguments hold them, whatever
// becomes of the task.
class TaskEventarges : public CEGUI::EventArgs {
 public:
  explicit TaskEventarges(const CTaskMicDown& task);
  std::wstring songId;
  std::shared_ptr<const MicFileBytes> bytes;
  // The engine's checksum test of the bytes (false without bytes).
  bool checkSumTest() const;
};

class CTaskMicDown : public tunefetch::CBaseTask {
 public:
  static constexpr int kAttempts = 5;

  explicit CTaskMicDown(std::wstring songId);
  ~CTaskMicDown() override;

  // Task manager thread: up to five attempts to download the file.
  long run() override;
  // Task manager thread, after run: posts "MicDownloaded" to the global event set.
  void done() override;

  const std::wstring& songId() const { return songId_; }
  // GUI thread: how many queued or playing songs want this file.
  int useCount() const { return useCount_; }
  void addUse(int delta) { useCount_ += delta; }
  // Any thread: whether the last download attempt has ended (successfully or not).
  bool isDone() const { return done_.load(); }
  // Any thread: the file's bytes, null until a download succeeded.
  std::shared_ptr<const MicFileBytes> bytes() const;
  // GUI thread, for a task never handed to the task manager: the download has ended with
  // these bytes.
  void setDownloaded(std::shared_ptr<const MicFileBytes> bytes);
  // Any thread: the bytes pass the engine's checksum test.
  bool checkSumTest() const;

 private:
  const std::wstring songId_;
  int useCount_ = 1;
  std::atomic<bool> done_{false};
  mutable std::mutex mutex_;  // guards bytes_: run() replaces them while others read
  std::shared_ptr<const MicFileBytes> bytes_;
};

// The engine's checksum test of a song file in memory.
bool micCheckSumTest(const std::shared_ptr<const MicFileBytes>& bytes);

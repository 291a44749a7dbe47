#pragma once
// The song-file cache: up to ten song files kept in memory, downloaded by the download-task
// library's threads, more urgent songs first. The mission manager asks for the file of every
// queued song early (Request, not urgent), for the starting song's file at once (DownloadNow)
// and gives a song up when it has been sung (Release). GUI thread, except where noted.
#include <memory>
#include <string>
#include <vector>

#include "engine/CTaskMicDown.h"

namespace tunefetch {
class ITaskManager;
}

class CCacheMicData {
 public:
  // Songs handed to the task manager and kept when trimming.
  static constexpr std::size_t kActiveLimit = 10;

  CCacheMicData();
  // Stops the task manager (waiting for downloads in progress) and destroys every task.
  ~CCacheMicData();
  CCacheMicData(const CCacheMicData&) = delete;
  CCacheMicData& operator=(const CCacheMicData&) = delete;

  // The active task of the song (downloading or downloaded), or null.
  CTaskMicDown* Find(const std::wstring& songId) const;
  // One more use of the song's file. A song with a task only counts the use, and an urgent
  // request hands it to the task manager at once. A new song's task is handed over at once
  // when urgent, else it waits for room among the active tasks.
  void Request(const std::wstring& songId, bool urgent);
  // Hands the song's task to the task manager at once (a waiting one becomes active). 1 when
  // it was handed over, 0 when the song has no task.
  int DownloadNow(const std::wstring& songId);
  // A song file that is already at hand (a development page's local file): kept as a finished
  // download with no use yet, so queuing the song finds it and downloads nothing.
  void Preload(const std::wstring& songId, std::shared_ptr<const MicFileBytes> bytes);
  // One use less of the song's file; the file stays until room is needed.
  void Release(const std::wstring& songId);
  // The engine's checksum test of the task's file.
  static bool CheckSumTest(const CTaskMicDown& task) { return task.checkSumTest(); }

  std::size_t activeCount() const { return active_.size(); }
  std::size_t waitingCount() const { return waiting_.size(); }
  // The waiting task of the song, or null.
  CTaskMicDown* FindWaiting(const std::wstring& songId) const;
  tunefetch::ITaskManager& taskManager() { return *manager_; }

 private:
  using TaskList = std::vector<std::unique_ptr<CTaskMicDown>>;
  void pump();

  tunefetch::ITaskManager* manager_ = nullptr;
  TaskList active_;
  TaskList waiting_;
};

#pragma once
// The program's queue of mixing jobs, run one after another on a worker thread of its own.
// Created at start-up; the application stops it (terminate) at shut-down.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "Upload/IMix.h"

class CMixManager {
 public:
  CMixManager();
  ~CMixManager();
  CMixManager(const CMixManager&) = delete;
  CMixManager& operator=(const CMixManager&) = delete;
  static CMixManager* getSingletonPtr();

  // Takes ownership of the job; the queue runs it after the ones before it. Starts the worker
  // when it is not running. Refused (false, the job deleted) after stop or terminate.
  bool add(IMix* job);
  // Lets the running job finish, runs no other, then destroys every job.
  void stop();
  // Shut-down: the running job is cancelled (it ends within its poll time, its partial file
  // removed) instead of being waited for to the end; then every job is destroyed.
  void terminate();

  // The job being run, or null; its place in the queue (-1 before the first).
  IMix* current() const { return current_.load(); }
  int currentIndex() const { return index_.load(); }
  std::size_t size() const;

 private:
  void runQueue();
  void end(bool cancelRunning);

  mutable std::mutex lock_;
  std::vector<IMix*> jobs_;
  std::atomic<std::thread*> thread_{nullptr};
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
  std::atomic<int> index_{-1};
  std::atomic<IMix*> current_{nullptr};
};

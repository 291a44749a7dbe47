#include "Upload/CMixManager.h"

namespace {
CMixManager* gInstance = nullptr;
}

CMixManager::CMixManager() { gInstance = this; }

CMixManager::~CMixManager() {
  terminate();
  if (gInstance == this) gInstance = nullptr;
}

CMixManager* CMixManager::getSingletonPtr() { return gInstance; }

std::size_t CMixManager::size() const {
  std::lock_guard g(lock_);
  return jobs_.size();
}

bool CMixManager::add(IMix* job) {
  if (!job) return false;
  {
    std::lock_guard g(lock_);
    if (stop_) {
      delete job;
      return false;
    }
    jobs_.push_back(job);
    // Started under the lock, so only once; stop sets its flag under it first.
    if (!thread_.load()) thread_ = new std::thread([this] { runQueue(); });
  }
  wake_.notify_all();
  return true;
}

void CMixManager::runQueue() {
  std::unique_lock g(lock_);
  for (;;) {
    // The worker waits for more jobs until the queue is stopped.
    wake_.wait(g, [&] { return stop_ || index_.load() + 1 < static_cast<int>(jobs_.size()); });
    if (stop_) break;
    const int next = index_.load() + 1;
    index_ = next;
    IMix* job = jobs_[static_cast<std::size_t>(next)];
    current_ = job;
    g.unlock();
    job->run();
    g.lock();
    current_ = nullptr;
  }
}

void CMixManager::end(bool cancelRunning) {
  {
    std::lock_guard g(lock_);
    stop_ = true;
    if (cancelRunning)
      if (IMix* job = current_.load()) job->cancel();
  }
  wake_.notify_all();
  // Taken out once: a second stop or terminate finds nothing to wait for.
  if (std::thread* t = thread_.exchange(nullptr)) {
    t->join();
    delete t;
  }
  std::lock_guard g(lock_);
  for (IMix* job : jobs_) delete job;
  jobs_.clear();
  current_ = nullptr;
}

void CMixManager::stop() { end(false); }
void CMixManager::terminate() { end(true); }

// The task manager: a priority queue served by a small pool of std::threads.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "tunefetch/TuneFetch.h"

namespace tunefetch {
namespace {

class TaskManager final : public ITaskManager {
 public:
  ~TaskManager() override { Stop(); }

  bool Start(int threads) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!workers_.empty()) return true;
    stopping_ = false;
    started_ = true;
    for (int i = 0; i < std::max(1, threads); ++i) workers_.emplace_back([this] { work(); });
    return true;
  }

  void Stop() override {
    std::vector<std::thread> workers;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      started_ = false;
      for (auto& entry : queue_) states_.erase(entry.task);
      queue_.clear();
      for (auto& [task, state] : states_) state.rerun = false;
      workers.swap(workers_);
    }
    wake_.notify_all();
    for (auto& t : workers) t.join();
    std::lock_guard<std::mutex> lock(mutex_);
    states_.clear();
  }

  bool AddTask(CBaseTask* task, int priority) override {
    if (!task) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return false;
      State& state = states_[task];
      if (state.running) {
        state.rerunPriority = state.rerun ? std::max(state.rerunPriority, priority) : priority;
        state.rerun = true;
        return true;
      }
      if (state.queued) {
        for (auto& entry : queue_)
          if (entry.task == task) entry.priority = std::max(entry.priority, priority);
        return true;
      }
      state.queued = true;
      queue_.push_back({task, priority, nextSerial_++});
    }
    wake_.notify_one();
    return true;
  }

  bool RemoveTask(CBaseTask* task) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = states_.find(task);
    if (it == states_.end()) return true;
    if (it->second.running) {
      it->second.rerun = false;
      return false;
    }
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [task](const Entry& e) { return e.task == task; }),
                 queue_.end());
    states_.erase(it);
    return true;
  }

  bool IsBusy(const CBaseTask* task) const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return states_.count(const_cast<CBaseTask*>(task)) > 0;
  }

 private:
  struct Entry {
    CBaseTask* task;
    int priority;
    uint64_t serial;
  };
  struct State {
    bool queued = false;
    bool running = false;
    bool rerun = false;
    int rerunPriority = 0;
  };

  // The most urgent entry: highest priority, then the earliest added.
  std::vector<Entry>::iterator next() {
    return std::min_element(queue_.begin(), queue_.end(), [](const Entry& a, const Entry& b) {
      return a.priority != b.priority ? a.priority > b.priority : a.serial < b.serial;
    });
  }

  void work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return stopping_ || (started_ && !queue_.empty()); });
      if (stopping_) return;
      auto it = next();
      CBaseTask* task = it->task;
      queue_.erase(it);
      State& state = states_[task];
      state.queued = false;
      state.running = true;
      lock.unlock();
      task->run();
      task->done();
      lock.lock();
      State& after = states_[task];
      after.running = false;
      if (after.rerun && !stopping_) {
        after.rerun = false;
        after.queued = true;
        queue_.push_back({task, after.rerunPriority, nextSerial_++});
        wake_.notify_one();
      } else {
        states_.erase(task);
      }
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Entry> queue_;
  std::map<CBaseTask*, State> states_;
  std::vector<std::thread> workers_;
  uint64_t nextSerial_ = 0;
  bool started_ = false;
  bool stopping_ = false;
};

}  // namespace

ITaskManager* CreateTaskManager() { return new TaskManager; }

void DestroyTaskManager(ITaskManager* manager) { delete manager; }

}  // namespace tunefetch

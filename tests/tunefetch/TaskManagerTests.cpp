// The task manager: urgent tasks first, run then done, never two runs of one task at once.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "tunefetch/TuneFetch.h"

namespace {

// Records the order of runs; a task can be held in its run until released.
struct Journal {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> events;
  bool released = true;
  void add(std::string e) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(std::move(e));
    changed.notify_all();
  }
  bool waitForCount(std::size_t n) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30), [&] { return events.size() >= n; });
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex);
    released = true;
    changed.notify_all();
  }
};

struct Task final : tunefetch::CBaseTask {
  Task(Journal& j, std::string n, bool hold = false) : journal(j), name(std::move(n)), holds(hold) {}
  long run() override {
    journal.add("run " + name);
    if (holds) {
      std::unique_lock<std::mutex> lock(journal.mutex);
      journal.changed.wait(lock, [&] { return journal.released; });
    }
    return tunefetch::kNotImplemented;
  }
  void done() override { journal.add("done " + name); }
  Journal& journal;
  std::string name;
  bool holds;
};

TEST(TaskManager, UrgentTasksRunFirstAndEachRunIsFollowedByDone) {
  Journal journal;
  journal.released = false;
  tunefetch::ITaskManager* manager = tunefetch::CreateTaskManager();
  Task gate(journal, "gate", true), a(journal, "a"), b(journal, "b"), c(journal, "c");
  manager->Start(1);
  manager->AddTask(&gate, 0);
  ASSERT_TRUE(journal.waitForCount(1));  // the only thread is held by the gate
  manager->AddTask(&a, 0);
  manager->AddTask(&b, 0);
  manager->AddTask(&c, 1);
  manager->AddTask(&a, 1);  // already waiting: raised, not queued twice
  manager->AddTask(&gate, 0);  // being run: once more afterwards
  EXPECT_TRUE(manager->IsBusy(&b));
  EXPECT_TRUE(manager->RemoveTask(&b));
  EXPECT_FALSE(manager->IsBusy(&b));
  EXPECT_FALSE(manager->RemoveTask(&gate));  // running: must stay alive
  manager->AddTask(&gate, 0);
  journal.release();
  ASSERT_TRUE(journal.waitForCount(8));
  manager->Stop();
  EXPECT_EQ(journal.events, (std::vector<std::string>{"run gate", "done gate", "run a", "done a", "run c",
                                                      "done c", "run gate", "done gate"}));
  EXPECT_FALSE(manager->AddTask(&a, 0));  // stopped
  tunefetch::DestroyTaskManager(manager);
}

}  // namespace

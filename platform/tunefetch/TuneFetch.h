#pragma once
// The download-task library: a task manager that runs tasks on its own threads, more urgent
// tasks first. For each task handed to it the manager calls run() and then done(), both on
// one of its threads.
#include <cstdint>

namespace tunefetch {

// The "not implemented" result of the task interface (E_NOTIMPL).
constexpr long kNotImplemented = static_cast<long>(0x80004001L);

class CBaseTask {
 public:
  // Not used by the manager.
  virtual long query() { return kNotImplemented; }
  // After run(), on the same manager thread.
  virtual void done() = 0;
  // On a manager thread. The result is not looked at.
  virtual long run() = 0;
  // Not used by the manager.
  virtual long reserved() { return 0; }
  virtual ~CBaseTask() = default;
};

class ITaskManager {
 public:
  virtual ~ITaskManager() = default;
  // Starts the worker threads (`threads` at least 1). Tasks added before wait for it.
  virtual bool Start(int threads = 2) = 0;
  // Drops the tasks still waiting and returns once no run() or done() is in progress.
  // Later AddTask calls are refused until Start.
  virtual void Stop() = 0;
  // Queues `task` (not owned; it must outlive its run and done). Higher priority runs first,
  // equal priorities in the order added. A task already waiting keeps its place, raised to
  // the higher priority; a task being run is run once more after it has finished (never two
  // runs of one task at the same time). False when the manager is stopped or task is null.
  virtual bool AddTask(CBaseTask* task, int priority) = 0;
  // Takes a waiting task out of the queue. False when it is being run now (it must then be
  // kept alive until its done() has returned); true when it is neither waiting nor running
  // any more.
  virtual bool RemoveTask(CBaseTask* task) = 0;
  // Whether `task` waits in the queue or is being run.
  virtual bool IsBusy(const CBaseTask* task) const = 0;
};

ITaskManager* CreateTaskManager();
void DestroyTaskManager(ITaskManager* manager);

}  // namespace tunefetch

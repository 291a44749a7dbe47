#pragma once
// The queue between other threads and the GUI thread: posted events and synchronous
// hand-overs wait here until the shell's loop delivers them on the GUI thread.
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace guishell {

struct PostedItem {
  // A posted event: fired on `target` (or, with toGlobalSet, on the GUI library's global event
  // set as it exists at delivery), then `args` is deleted.
  CEGUI::EventSet* target = nullptr;
  bool toGlobalSet = false;
  CEGUI::String name;
  CEGUI::String eventNamespace;
  std::unique_ptr<CEGUI::EventArgs> args;
  // Or a hand-over: a function run on the GUI thread.
  std::function<void()> work;
};

class PostQueue {
 public:
  // Any thread. A hand-over (work) is refused (false) while the queue is closed for work,
  // that is, while no loop runs to deliver it.
  bool push(PostedItem item);
  // GUI thread: the loop starts accepting hand-overs; closing drops the pending ones, whose
  // waiters then learn that their work never ran.
  void openForWork();
  void closeForWork();
  // GUI thread: takes everything queued so far.
  std::deque<PostedItem> takeAll();
  // GUI thread: waits until something is queued or the deadline passes (real time).
  bool waitUntil(std::chrono::steady_clock::time_point deadline);
  bool empty() const;
  // Called after every push, outside the lock (the windowed loop wakes its event wait).
  void setWaker(std::function<void()> waker);
  // Drops everything queued (deleting argument objects without firing them).
  void clear();

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<PostedItem> items_;
  std::function<void()> waker_;
  bool acceptingWork_ = false;
};

// The process-wide queue that Win32AppHelper::postEvent fills.
PostQueue& postQueue();

}  // namespace guishell

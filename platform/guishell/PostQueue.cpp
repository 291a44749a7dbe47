#include "guishell/PostQueue.h"

namespace guishell {

bool PostQueue::push(PostedItem item) {
  std::function<void()> waker;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (item.work && !acceptingWork_) return false;
    items_.push_back(std::move(item));
    waker = waker_;
  }
  cv_.notify_all();
  if (waker) waker();
  return true;
}

void PostQueue::openForWork() {
  std::lock_guard<std::mutex> lock(mutex_);
  acceptingWork_ = true;
}

void PostQueue::closeForWork() {
  std::deque<PostedItem> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    acceptingWork_ = false;
    for (auto it = items_.begin(); it != items_.end();) {
      if (it->work) {
        dropped.push_back(std::move(*it));
        it = items_.erase(it);
      } else {
        ++it;
      }
    }
  }
  // `dropped` dies here, outside the lock: waiters see their hand-over abandoned.
}

std::deque<PostedItem> PostQueue::takeAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::deque<PostedItem> out;
  out.swap(items_);
  return out;
}

bool PostQueue::waitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_until(lock, deadline, [this] { return !items_.empty(); });
}

bool PostQueue::empty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_.empty();
}

void PostQueue::setWaker(std::function<void()> waker) {
  std::lock_guard<std::mutex> lock(mutex_);
  waker_ = std::move(waker);
}

void PostQueue::clear() {
  std::deque<PostedItem> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    dropped.swap(items_);
  }
}

PostQueue& postQueue() {
  static PostQueue queue;
  return queue;
}

}  // namespace guishell

#include "engine/CCacheMicData.h"

#include <algorithm>

#include "app/AppLog.h"
#include "oscompat/Utf.h"
#include "tunefetch/TuneFetch.h"

namespace {

// Most urgent first; priority 0 for prefetching.
constexpr int kUrgent = 1;
constexpr int kPrefetch = 0;

template <class List>
auto findIn(List& list, const std::wstring& songId) {
  return std::find_if(list.begin(), list.end(),
                      [&songId](const auto& task) { return task->songId() == songId; });
}

}  // namespace

CCacheMicData::CCacheMicData() : manager_(tunefetch::CreateTaskManager()) { manager_->Start(2); }

CCacheMicData::~CCacheMicData() {
  manager_->Stop();
  tunefetch::DestroyTaskManager(manager_);
  active_.clear();
  waiting_.clear();
}

CTaskMicDown* CCacheMicData::Find(const std::wstring& songId) const {
  auto it = findIn(active_, songId);
  return it == active_.end() ? nullptr : it->get();
}

CTaskMicDown* CCacheMicData::FindWaiting(const std::wstring& songId) const {
  auto it = findIn(waiting_, songId);
  return it == waiting_.end() ? nullptr : it->get();
}

void CCacheMicData::Request(const std::wstring& songId, bool urgent) {
  if (CTaskMicDown* task = Find(songId)) {
    task->addUse(1);
    if (urgent) manager_->AddTask(task, kUrgent);
    return;
  }
  if (auto it = findIn(waiting_, songId); it != waiting_.end()) {
    (*it)->addUse(1);
    // An urgent song stops waiting; left in the waiting list it would be handed over twice.
    if (urgent) DownloadNow(songId);
    return;
  }
  auto task = std::make_unique<CTaskMicDown>(songId);
  if (urgent) {
    manager_->AddTask(task.get(), kUrgent);
    active_.push_back(std::move(task));
  } else {
    waiting_.push_back(std::move(task));
    pump();
  }
}

void CCacheMicData::Preload(const std::wstring& songId, std::shared_ptr<const MicFileBytes> bytes) {
  auto task = std::make_unique<CTaskMicDown>(songId);
  task->setDownloaded(std::move(bytes));
  task->addUse(-1);
  active_.push_back(std::move(task));
}

int CCacheMicData::DownloadNow(const std::wstring& songId) {
  if (CTaskMicDown* task = Find(songId)) {
    manager_->AddTask(task, kUrgent);
    return 1;
  }
  auto it = findIn(waiting_, songId);
  if (it == waiting_.end()) return 0;
  active_.push_back(std::move(*it));
  waiting_.erase(it);
  manager_->AddTask(active_.back().get(), kUrgent);
  return 1;
}

void CCacheMicData::Release(const std::wstring& songId) {
  if (CTaskMicDown* task = Find(songId)) task->addUse(-1);
  pump();
}

void CCacheMicData::pump() {
  // Room is made only when needed: songs nobody wants any more go once more than nine are
  // kept. A task the task manager still runs stays until a later pump.
  if (active_.size() > kActiveLimit - 1) {
    active_.erase(std::remove_if(active_.begin(), active_.end(),
                                 [this](const std::unique_ptr<CTaskMicDown>& task) {
                                   return task->useCount() <= 0 && manager_->RemoveTask(task.get());
                                 }),
                  active_.end());
  }
  while (active_.size() < kActiveLimit && !waiting_.empty()) {
    manager_->AddTask(waiting_.front().get(), kPrefetch);
    active_.push_back(std::move(waiting_.front()));
    waiting_.erase(waiting_.begin());
  }
}

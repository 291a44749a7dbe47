#include "LoginGuard.h"

#include <algorithm>

namespace vk::service {
namespace {

bool forgettable(const auto& entry, std::int64_t now, std::int64_t forget) {
  return entry.pending == 0 && now >= std::max(entry.until, entry.lastFailure) + forget;
}

}  // namespace

LoginGuard::Entry& LoginGuard::Table::touch(const std::string& key, std::int64_t now, const LoginRules& rules) {
  if (auto found = index_.find(key); found != index_.end()) {
    order_.splice(order_.begin(), order_, found->second);
    Entry& entry = found->second->second;
    if (forgettable(entry, now, rules.forget)) entry = Entry{};
    return entry;
  }
  // The least recently used entries sit at the back: forget the stale ones, and make room.
  while (!order_.empty() && (forgettable(order_.back().second, now, rules.forget) || order_.size() >= rules.limit)) {
    index_.erase(order_.back().first);
    order_.pop_back();
  }
  order_.emplace_front(key, Entry{});
  index_.emplace(key, order_.begin());
  return order_.front().second;
}

LoginGuard::Entry* LoginGuard::Table::find(const std::string& key) {
  auto found = index_.find(key);
  return found == index_.end() ? nullptr : &found->second->second;
}

void LoginGuard::Table::erase(const std::string& key) {
  if (auto found = index_.find(key); found != index_.end()) {
    order_.erase(found->second);
    index_.erase(found);
  }
}

std::int64_t LoginGuard::waitFor(const Entry& entry, int freeFailures, std::int64_t now) const {
  if (now < entry.until) return entry.until - now;
  // Past the free failures, one attempt at a time: the next waits for this one's outcome.
  if (entry.pending > 0 && entry.failures + entry.pending >= freeFailures) return std::max<std::int64_t>(1, rules_.firstDelay);
  return 0;
}

void LoginGuard::recordFailure(Entry& entry, int freeFailures, std::int64_t now) const {
  ++entry.failures;
  entry.lastFailure = now;
  if (entry.failures < freeFailures) return;
  int doublings = std::min(entry.failures - freeFailures, 30);
  entry.until = now + std::min(rules_.firstDelay << doublings, rules_.maxDelay);
}

LoginGuard::Attempt LoginGuard::begin(std::string_view mail, std::string_view address, std::int64_t now) {
  std::string pair(mail);
  std::transform(pair.begin(), pair.end(), pair.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
  pair.push_back('\0');
  pair.append(address);
  std::lock_guard lock(mutex_);
  Entry& byPair = pairs_.touch(pair, now, rules_);
  Entry& byAddress = addresses_.touch(std::string(address), now, rules_);
  std::int64_t wait = std::max(waitFor(byPair, rules_.pairFreeFailures, now),
                               waitFor(byAddress, rules_.addressFreeFailures, now));
  if (wait == 0) {
    ++byPair.pending;
    ++byAddress.pending;
  }
  return Attempt(*this, std::move(pair), std::string(address), now, wait);
}

void LoginGuard::finish(Attempt& attempt, bool decided, bool success) {
  if (!attempt.open_) return;
  attempt.open_ = false;
  std::lock_guard lock(mutex_);
  if (Entry* byPair = pairs_.find(attempt.pair_)) {
    byPair->pending = std::max(0, byPair->pending - 1);
    if (decided && success) pairs_.erase(attempt.pair_);
    else if (decided) recordFailure(*byPair, rules_.pairFreeFailures, attempt.now_);
  }
  if (Entry* byAddress = addresses_.find(attempt.address_)) {
    byAddress->pending = std::max(0, byAddress->pending - 1);
    // A success leaves the address's count alone: one account of one's own must not buy
    // fresh guesses at the others.
    if (decided && !success) recordFailure(*byAddress, rules_.addressFreeFailures, attempt.now_);
  }
}

LoginGuard::Attempt::~Attempt() { guard_.finish(*this, false, false); }
void LoginGuard::Attempt::failed() { guard_.finish(*this, true, false); }
void LoginGuard::Attempt::succeeded() { guard_.finish(*this, true, true); }

std::size_t LoginGuard::tracked() const {
  std::lock_guard lock(mutex_);
  return pairs_.size() + addresses_.size();
}

}  // namespace vk::service

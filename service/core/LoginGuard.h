// Back-off for repeated wrong passwords, kept in memory. Two tables: one per (mail, client
// address) pair and one per client address. A pair that failed `pairFreeFailures` times in a
// row waits `firstDelay`, doubling with every further failure up to `maxDelay`; an address
// (whatever mails it tries) likewise after `addressFreeFailures`. A success clears the pair,
// so the real user, from an address of their own, is never locked out by someone guessing
// from another one. Entries are forgotten `forget` seconds after their last failure and the
// tables hold at most `limit` entries each (the least recently used ones go first).
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vk::service {

struct LoginRules {
  int pairFreeFailures = 5;
  int addressFreeFailures = 20;
  std::int64_t firstDelay = 1;   // seconds
  std::int64_t maxDelay = 300;   // seconds
  std::int64_t forget = 900;     // seconds after the last failure
  std::size_t limit = 100000;    // entries per table
};

class LoginGuard {
 public:
  explicit LoginGuard(LoginRules rules) : rules_(rules) {}

  // One login attempt, from its check to its outcome. While it is open it counts against
  // its pair and address, so that parallel guesses cannot slip past the back-off together.
  // Left without an outcome (an error), it counts as neither.
  class Attempt {
   public:
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;
    ~Attempt();
    // Seconds to wait before trying again; 0 when the attempt may go on.
    std::int64_t waitSeconds() const { return wait_; }
    void failed();
    void succeeded();

   private:
    friend class LoginGuard;
    Attempt(LoginGuard& guard, std::string pair, std::string address, std::int64_t now, std::int64_t wait)
        : guard_(guard), pair_(std::move(pair)), address_(std::move(address)), now_(now), wait_(wait),
          open_(wait == 0) {}
    LoginGuard& guard_;
    std::string pair_, address_;
    std::int64_t now_;
    std::int64_t wait_;
    bool open_;
  };

  // `mail` compares without ASCII case, like the users table; `now` is in seconds.
  Attempt begin(std::string_view mail, std::string_view address, std::int64_t now);

  // Entries in both tables.
  std::size_t tracked() const;

 private:
  struct Entry {
    int failures = 0;
    int pending = 0;  // attempts checked and not yet decided
    std::int64_t lastFailure = 0;
    std::int64_t until = 0;  // no attempt before this time
  };
  class Table {
   public:
    Entry& touch(const std::string& key, std::int64_t now, const LoginRules& rules);
    Entry* find(const std::string& key);
    void erase(const std::string& key);
    std::size_t size() const { return index_.size(); }

   private:
    using Order = std::list<std::pair<std::string, Entry>>;
    Order order_;  // most recently used first
    std::unordered_map<std::string, Order::iterator> index_;
  };

  // Seconds `entry` must still wait, given its threshold; 0 when an attempt may start.
  std::int64_t waitFor(const Entry& entry, int freeFailures, std::int64_t now) const;
  void recordFailure(Entry& entry, int freeFailures, std::int64_t now) const;
  void finish(Attempt& attempt, bool decided, bool success);

  LoginRules rules_;
  mutable std::mutex mutex_;
  Table pairs_, addresses_;
};

}  // namespace vk::service

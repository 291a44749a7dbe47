#pragma once
// The application's settings registry: the sets loaded together at the end of start-up and
// saved together in the clean-up, by name in name order. It does not own the sets.
#include <map>
#include <string>

class ISet;

class CSetRegistry {
 public:
  // Adds `set` under `name` unless a set is registered under that name already; returns
  // whether it was added (a null set is never added).
  bool registerSet(const std::wstring& name, ISet* set);
  // Loads every set in name order. A set that fails, even by throwing, does not keep the
  // others from loading; returns how many sets loaded.
  int loadAll();
  // Saves every set in name order; true when all of them were written.
  bool saveAll();
  void clear();

  ISet* find(const std::wstring& name) const;
  const std::map<std::wstring, ISet*>& sets() const { return sets_; }

 private:
  std::map<std::wstring, ISet*> sets_;
};

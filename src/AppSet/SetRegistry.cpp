#include "AppSet/SetRegistry.h"

#include <exception>

#include "AppSet/ISet.h"
#include "app/AppLog.h"
#include "oscompat/Utf.h"

namespace {

// Runs one set's load or save; an exception counts as a failure and is logged.
template <typename Op>
bool guarded(const std::wstring& name, const char* what, Op op) {
  try {
    return op();
  } catch (const std::exception& e) {
    appLogError(std::string("settings registry: ") + what + " of \"" + oscompat::utf8FromWide(name) +
                "\" failed: " + e.what());
  } catch (...) {
    appLogError(std::string("settings registry: ") + what + " of \"" + oscompat::utf8FromWide(name) +
                "\" failed");
  }
  return false;
}

}  // namespace

bool CSetRegistry::registerSet(const std::wstring& name, ISet* set) {
  if (!set) return false;
  return sets_.emplace(name, set).second;
}

int CSetRegistry::loadAll() {
  int loaded = 0;
  for (const auto& [name, set] : sets_)
    if (guarded(name, "loading", [set = set] { return set->LoadSets(); })) ++loaded;
  return loaded;
}

bool CSetRegistry::saveAll() {
  bool all = true;
  for (const auto& [name, set] : sets_)
    if (!guarded(name, "saving", [set = set] { return set->SaveSets(); })) all = false;
  return all;
}

void CSetRegistry::clear() { sets_.clear(); }

ISet* CSetRegistry::find(const std::wstring& name) const {
  const auto it = sets_.find(name);
  return it == sets_.end() ? nullptr : it->second;
}

#pragma once
// The key map of the remote-control and keyboard keys: key name to the GUI library's key
// code. One program-wide instance.
#include <map>
#include <string>

struct KeyMapEntry {
  std::wstring Name;
  int Value = 0;  // the GUI library's key code
  std::wstring VKValue;
  std::wstring Comment;
};

class CKeyMap {
 public:
  // Fills the eleven default keys; the key map file's entries replace or extend them.
  CKeyMap();
  ~CKeyMap();
  CKeyMap(const CKeyMap&) = delete;
  CKeyMap& operator=(const CKeyMap&) = delete;
  static CKeyMap* getSingletonPtr();

  // The key code bound to `name`; false (value untouched) when the name is unknown.
  bool lookupKey(const std::wstring& name, int& value) const;
  void setEntry(const KeyMapEntry& entry);
  const std::map<std::wstring, KeyMapEntry>& entries() const { return entries_; }

 private:
  std::map<std::wstring, KeyMapEntry> entries_;
};

// The code bound to `name` in the program's key map, or -1 when there is no key map or no
// such key.
int keyMapCode(const std::wstring& name);

#pragma once
// The key map of the remote-control and keyboard keys: key name to the GUI library's key
// code. One program-wide instance. File KEYMAP.xml: document element "KEYMAP", one "Item" per
// key with "Name", "Value" (decimal), "VKValue" and "Comment", in name order.
#include <map>
#include <string>

#include "AppSet/ISet.h"

struct KeyMapEntry {
  std::wstring Name;
  int Value = 0;  // the GUI library's key code
  std::wstring VKValue;
  std::wstring Comment;
};

class CKeyMap : public ISet {
 public:
  // Fills the eleven default keys; the key map file's entries replace or extend them.
  explicit CKeyMap(std::wstring path = L"PKData/AppSets/KEYMAP.xml");
  ~CKeyMap();
  CKeyMap(const CKeyMap&) = delete;
  CKeyMap& operator=(const CKeyMap&) = delete;
  static CKeyMap* getSingletonPtr();

  // Reads with a parser of its own (no GUI system needed). Each entry of the file replaces
  // the key of the same name or adds one; a missing "Value" reads as 0, missing texts as "".
  bool LoadSets() override;
  // Writes every key, the defaults included.
  bool SaveSets() override;
  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  // The key code bound to `name`; false (value untouched) when the name is unknown.
  bool lookupKey(const std::wstring& name, int& value) const;
  void setEntry(const KeyMapEntry& entry);
  const std::map<std::wstring, KeyMapEntry>& entries() const { return entries_; }

 private:
  std::wstring path_;
  std::map<std::wstring, KeyMapEntry> entries_;
};

// The code bound to `name` in the program's key map, or -1 when there is no key map or no
// such key.
int keyMapCode(const std::wstring& name);
// Whether `scancode` is the key bound to `name` (false without a key map or such a key).
bool isMappedKey(unsigned scancode, const std::wstring& name);

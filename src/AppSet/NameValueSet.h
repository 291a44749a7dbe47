#pragma once
// A free name/value store in one settings file: a document element holding one "Item" per
// entry with "Name" and "Value", written in name order. Entries the program does not know
// are kept and written back unchanged.
#include <map>
#include <string>

#include "AppSet/ISet.h"

class CNameValueSet : public ISet {
 public:
  // Reads through the GUI system's parser (GUI thread); entries of the file are added to, or
  // replace, those in memory.
  bool LoadSets() override;
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  // Inserts or replaces.
  void setValue(const std::wstring& name, const std::wstring& value);
  // The value and true when the name exists; false with `value` untouched otherwise.
  bool getValue(const std::wstring& name, std::wstring& value) const;
  const std::map<std::wstring, std::wstring>& values() const { return values_; }

 protected:
  // `root`: the document element; `source`, `line`: where the refusal before the GUI system
  // exists is reported from.
  CNameValueSet(std::wstring path, const char* root, const char* source, int line);
  ~CNameValueSet() = default;

 private:
  std::wstring path_;
  const char* root_;
  const char* source_;
  int line_;
  std::map<std::wstring, std::wstring> values_;
};

// device.xml, document element "DevSet".
class CDevSets : public CNameValueSet {
 public:
  explicit CDevSets(std::wstring path = L"PKData/AppSets/device.xml");
};

// UserSet.xml, document element "UserSet". The program reads "AutoHidems" from it.
class CUserSet : public CNameValueSet {
 public:
  explicit CUserSet(std::wstring path = L"PKData/AppSets/UserSet.xml");
};

#pragma once
// The user's works file ("PKData/" + user id + ".xml"): document element "UploadSet", one
// "UploadItem" per local work in list order, inside it one "Item" (attributes "Name", "Value")
// per field in name order. The engine's total score is not kept.
#include <string>
#include <vector>

#include "AppSet/ISet.h"
#include "Upload/UploadItem.h"

class CUploadItemSet : public ISet {
 public:
  explicit CUploadItemSet(std::wstring path = L"") : path_(std::move(path)) {}

  // Replaces the works in memory with the file's (GUI thread). A damaged file is kept as
  // NAME.bad; the works read before the damage stay. False when the file could not be read.
  bool LoadSets() override;
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }
  std::vector<UploadItem>& items() { return items_; }

 private:
  friend class UploadItemSetXMLHander;
  std::wstring path_;
  std::vector<UploadItem> items_;
};

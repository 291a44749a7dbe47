#pragma once
// Picture sets: how many head-picture and theme-picture windows the contest main window
// prepares, and the default picture each of them shows until the server's pictures arrive.
// File (HeadPicture.xml, ThemePicture.xml): document element "Set", one "Item" per entry with
// "id" (its position, 1 for the first) and "filename".
#include <CEGUI/String.h>

#include <map>
#include <string>

namespace CEGUI {
class PropertySet;
}

class ShowPictureInterface {
 public:
  virtual ~ShowPictureInterface() = default;
  // Reads the set's file (GUI thread). False when it is missing or cannot be read; the set
  // then holds the entries read before the problem (none for a damaged document).
  virtual bool load() = 0;
  virtual bool prepare() { return true; }
  // Gives windows[0..n-1] the default picture: for window i the image "full_image" of the
  // imageset named by the set's name followed by i + 1, created from the set's picture file
  // the first time and reused after. Returns how many windows got it. GUI thread.
  virtual int apply(CEGUI::PropertySet* const* windows, int n) = 0;
  // The number of entries read.
  virtual int count() const = 0;
  // 0 head pictures, 1 theme pictures.
  virtual int pictureKind() const = 0;
};

class CPictureSet : public ShowPictureInterface {
 public:
  bool load() override;
  int apply(CEGUI::PropertySet* const* windows, int n) override;
  int count() const override { return static_cast<int>(table_.size()); }
  int pictureKind() const override { return kind_; }

  const std::wstring& listPath() const { return listPath_; }
  void setListPath(const std::wstring& path) { listPath_ = path; }
  // Position (from 1) to the entry's file name; empty when the entry's "id" is not its
  // position.
  const std::map<int, std::wstring>& entries() const { return table_; }

 protected:
  CPictureSet(std::wstring listPath, const char* imagesetPrefix, const char* pictureFile,
              const char* resourceGroup, int kind);

 private:
  std::wstring listPath_;
  const char* prefix_;
  const char* pictureFile_;
  const char* group_;
  int kind_;
  std::map<int, std::wstring> table_;
};

class ShowHeadPicture : public CPictureSet {
 public:
  explicit ShowHeadPicture(std::wstring listPath = L"PKData/AppSets/HeadPicture.xml");
};

class ShowThemePicture : public CPictureSet {
 public:
  explicit ShowThemePicture(std::wstring listPath = L"PKData/AppSets/ThemePicture.xml");
};

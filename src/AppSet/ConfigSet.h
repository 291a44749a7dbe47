#pragma once
// The start-up configuration, Config.xml: window mode and size, album limits and the length
// of the sang list. Read once, before the GUI exists; the program never writes it.
#include <string>

#include "AppSet/ISet.h"

class CConfigSet : public ISet {
 public:
  explicit CConfigSet(std::wstring path = L"PKData/AppSets/Config.xml");

  // Reads with a parser of its own (no GUI system needed). Elements may come in any order
  // and nesting; a missing "Value" leaves its field as it was.
  bool LoadSets() override;
  // The file is the installation's: nothing is written.
  bool SaveSets() override { return true; }

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  bool fullScreen() const { return fullScreen_; }
  // Whether a "WndSize" element was read; a missing "Width" or "Height" reads as 0.
  bool hasWindowSize() const { return hasWindowSize_; }
  int windowWidth() const { return width_; }
  int windowHeight() const { return height_; }
  int albumMaxSize() const { return albumMaxSize_; }
  int albumMaxNum() const { return albumMaxNum_; }
  int sangMaxNum() const { return sangMaxNum_; }

 private:
  friend class CConfigSetXMLHander;
  std::wstring path_;
  bool fullScreen_ = false;
  bool hasWindowSize_ = false;
  int width_ = 0;
  int height_ = 0;
  int albumMaxSize_ = 1073741824;
  int albumMaxNum_ = 40;
  int sangMaxNum_ = 100;
};

#pragma once
// The two range searches: singers by the stroke count of their surname (CStrokeSearchWnd) and
// songs by the number of characters of their name (CWordsCountSearchWnd). Each shows six ranges
// in a grid of 3 rows x 2 columns; picking one opens the result list, whose end ends the search.
// GUI thread.
#include <CEGUI/EventArgs.h>
#include <CEGUI/String.h>

#include <string>
#include <vector>

#include "app/IPageCtrl.h"

namespace CEGUI {
class MultiColumnListEx;
class Window;
}  // namespace CEGUI

class CSongList;

struct SearchRange {
  const char* label;    // "1 一~四划"
  const wchar_t* keyword;  // "1-4"
};

class CRangeSearchWnd : public IPageCtrl {
 public:
  static constexpr unsigned kRows = 3;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  CEGUI::MultiColumnListEx* list() const { return list_; }
  CEGUI::Window* child(const CEGUI::String& path) const;
  CSongList* resultList() const { return result_; }
  // Opens the result list of the range whose keyword `item` holds.
  void pick(const std::wstring& keyword);

 protected:
  struct Config {
    CEGUI::String layout, listName, tooltipName;
    std::vector<SearchRange> ranges;
    bool singers;  // a singer search (kind "2"), else a song search (kind "1")
  };
  CRangeSearchWnd(Config config, const std::wstring& scope) : config_(std::move(config)), scope_(scope) {}
  void fillRanges();
  // The item of range `index`.
  CEGUI::ListboxItem* rangeItem(std::size_t index) const;

 private:
  bool onSelection(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onReturn(const CEGUI::EventArgs& args);
  bool onPage(const CEGUI::EventArgs& args);

  Config config_;
  std::wstring scope_;
  std::vector<std::wstring> keywords_;
  CEGUI::MultiColumnListEx* list_ = nullptr;
  CEGUI::Window* tooltip_ = nullptr;
  CSongList* result_ = nullptr;
};

// The surnames of a stroke range, should the service ever send its table of surnames
// ("EventBaiJiaXingDataBack" on the application hub): they become the range's tooltip.
class BaiJiaXingEventArgs : public CEGUI::EventArgs {
 public:
  std::wstring keyword;                 // the range, as in the queries ("1-4", "17-")
  std::vector<std::wstring> surnames;   // e.g. 丁 卜 刁 ...
};

class CStrokeSearchWnd : public CRangeSearchWnd {
 public:
  static const CEGUI::String EventBaiJiaXingDataBack;
  explicit CStrokeSearchWnd(const std::wstring& scope = L"");
  ~CStrokeSearchWnd() override;
  bool onAttached() override;

 private:
  bool onSurnames(const CEGUI::EventArgs& args);
  CEGUI::Event::Connection surnames_;
};

class CWordsCountSearchWnd : public CRangeSearchWnd {
 public:
  explicit CWordsCountSearchWnd(const std::wstring& scope = L"");
  bool onAttached() override;
};

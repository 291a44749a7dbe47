#pragma once
// The window every catalogue list is shown in: a two-column grid of a page of records, the
// page buttons and counter, a status line and the title. What it lists and what picking an
// entry does are plugged in: a data source, a fill list and a list operation (all owned).
// Remote keys: arrows move in the grid and page at its edges, OK picks, Back returns.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <memory>

#include "app/IPageCtrl.h"
#include "guishell/CEGUITimer.h"

namespace CEGUI {
class EventArgs;
class MultiColumnListEx;
class Window;
}  // namespace CEGUI

class IDataSource;
class IFillListObject;
class IListOperation;

class CSongList : public IPageCtrl {
 public:
  static const CEGUI::String kLayout;      // "PK_SongListWnd.layout"
  static const CEGUI::String kFetching;    // "正在获取网络数据..."
  static constexpr unsigned kTipMs = 4000;

  explicit CSongList(const CEGUI::String& namePrefix = "");
  ~CSongList() override;

  void setDataSource(IDataSource* source);
  void setFillList(IFillListObject* fill);
  void setOperation(IListOperation* operation);
  void setTitle(const CEGUI::String& image) { title_ = image; }

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  IDataSource* dataSource() const { return source_.get(); }
  IFillListObject* fillList() const { return fill_.get(); }
  IListOperation* operation() const { return operation_.get(); }
  CEGUI::MultiColumnListEx* list() const { return list_; }
  // A window of the page by its path under the page's root ("SongList", "PageNum", ...).
  CEGUI::Window* child(const CEGUI::String& path) const;
  int direction() const { return direction_; }

 private:
  void subscribeSource();
  bool onGotData(const CEGUI::EventArgs& args);
  bool onGetNetDatas(const CEGUI::EventArgs& args);
  bool onNetError(const CEGUI::EventArgs& args);
  bool onSelection(const CEGUI::EventArgs& args);
  bool onMouseMove(const CEGUI::EventArgs& args);
  bool onPrevPage(const CEGUI::EventArgs& args);
  bool onNextPage(const CEGUI::EventArgs& args);
  bool onTipTimer(const CEGUI::EventArgs& args);
  bool onReturn(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onEndOperation(const CEGUI::EventArgs& args);
  void hideTip();
  void setStatus(const CEGUI::String& text);

  CEGUI::String prefix_;
  CEGUI::String title_;
  std::unique_ptr<IDataSource> source_;
  std::unique_ptr<IFillListObject> fill_;
  std::unique_ptr<IListOperation> operation_;
  CEGUI::MultiColumnListEx* list_ = nullptr;
  CEGUITimer tipTimer_;
  int direction_ = 1;
  bool waiting_ = false;  // a page was asked of the service and has not come
  int shownPage_ = 0;     // the page on screen
  CEGUI::Event::Connection gotData_, getNetDatas_, endOperation_, netError_, tipConnection_;
};

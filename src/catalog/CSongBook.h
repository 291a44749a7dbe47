#pragma once
// The user's song book, kept by the service: a grid of 12 songs a page with page buttons, a
// counter, a status line, a button that empties the book (and the 1 key) and a close button.
// Picking a song opens its buttons: order, add again, remove. The page follows the service's
// replies: a page, an empty book, a failure, a removal done. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <memory>

#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
class MultiColumnListEx;
class Window;
}  // namespace CEGUI

class CSongBookData;
class CSongBookOperation;
class SongInfoFillList;

class CSongBook : public IPageCtrl {
 public:
  static const CEGUI::String kLayout;  // "PK_SongNoteBookWnd.layout"
  static constexpr int kEmptyBook = -2206;

  CSongBook();
  ~CSongBook() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  CEGUI::Window* child(const CEGUI::String& path) const;
  CEGUI::MultiColumnListEx* list() const { return list_; }
  CSongBookData* dataSource() const { return source_.get(); }
  CSongBookOperation* operation() const { return operation_.get(); }
  // Empties the book (after the confirmation) and asks for its first page again.
  void emptyBook();

 private:
  bool onGotData(const CEGUI::EventArgs& args);
  bool onGetNetDatas(const CEGUI::EventArgs& args);
  bool onSearchNotify(const CEGUI::EventArgs& args);
  bool onDelNotify(const CEGUI::EventArgs& args);
  bool onEndOperation(const CEGUI::EventArgs& args);
  bool onPrev(const CEGUI::EventArgs& args);
  bool onNext(const CEGUI::EventArgs& args);
  bool onClose(const CEGUI::EventArgs& args);
  bool onDelAll(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onSelection(const CEGUI::EventArgs& args);
  void askToEmpty();
  void reload();
  void setStatus(const char* utf8);
  void updateCounter();

  std::unique_ptr<CSongBookData> source_;
  std::unique_ptr<CSongBookOperation> operation_;
  std::unique_ptr<SongInfoFillList> fill_;
  CEGUI::MultiColumnListEx* list_ = nullptr;
  IPageCtrl* confirm_ = nullptr;
  int direction_ = 1;
  CEGUI::Event::Connection gotData_, getNetDatas_, searchNotify_, delNotify_, endOperation_, confirmEnd_;
};

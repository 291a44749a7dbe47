#pragma once
// A two-page song grid for the remote control: the item under the mouse is selected and
// marked active, arrow keys move the selection and turn into page events at the edges of the
// page being shown, and a page change slides from one half of the list to the other.
//
// The list holds two pages of `rowsPerPage` rows: rows 0 .. rowsPerPage-1 (the top page) and
// rowsPerPage .. 2*rowsPerPage-1 (the bottom page). The flip direction says which one is live:
// 0 the top page, 1 the bottom page.
//
// Selection changed by hover or by arrow keys is silent; a click and Return fire the
// selection-changed event, which is what the pages act on.
#include <CEGUI/widgets/MultiColumnList.h>

#include "guishell/CEGUITimer.h"

namespace CEGUI {

class Image;

class MultiColumnListEx : public MultiColumnList {
 public:
  static const String WidgetTypeName;  // "CEGUI/MultiColumnListEx"
  static const String EventNamespace;  // "MultiColumnListEx"
  static const String EventPrePage;    // "MultiColumnListEx/PrePage"
  static const String EventNextPage;   // "MultiColumnListEx/NextPage"

  static constexpr unsigned FlipPeriodMs = 20;
  static constexpr float FlipDuration = 1.0f;
  static constexpr float FlipStep = 0.05f;

  MultiColumnListEx(const String& type, const String& name);
  ~MultiColumnListEx() override;

  // Replaces the rows by two pages of `rowsPerPage` rows, every cell a placeholder as tall
  // as the list area divided by `rowsPerPage`. Nothing happens for 0.
  void fillPages(unsigned rowsPerPage);
  unsigned rowsPerPage() const { return rowsPerPage_; }
  // A placeholder of the page row height in the cell, drawn with `image` (may be null).
  void setEmptyItem(unsigned column, unsigned row, const Image* image = nullptr);

  // Slides to the live page of `direction` (0 the top page, 1 the bottom page), starting from
  // the other one, in 20 ms steps on the shell's timer.
  void startFlip(int direction);
  int flipDirection() const { return flipDirection_; }
  bool isFlipping() const { return flipTimer_.isRunning(); }

  // The cell an arrow key selects when nothing is selected.
  void setHomeCell(unsigned row, unsigned column);
  // Selects the cell alone when it holds a real item (not empty, not a placeholder).
  void selectCell(unsigned column, unsigned row);

 protected:
  void onMouseButtonDown(MouseEventArgs& e) override;
  void onMouseMove(MouseEventArgs& e) override;
  void onMouseLeaves(MouseEventArgs& e) override;
  void onMouseWheel(MouseEventArgs& e) override;
  void onKeyDown(KeyEventArgs& e) override;
  void onDestructionStarted(WindowEventArgs& e) override;

 private:
  // A selectable cell: a real item that is not disabled.
  bool isSelectable(unsigned column, unsigned row) const;
  // Clicks an item as the left mouse button does; true when the selection changed.
  bool clickItem(ListboxItem* item, uint sysKeys);
  // Selects the item alone without the selection-changed event.
  void selectAlone(const MCLGridRef& cell);
  // Arrow keys with a selection at `cell`.
  void moveVertically(const MCLGridRef& cell, int step);
  void moveHorizontally(const MCLGridRef& cell, int step);
  void setAllInactive();
  bool onFlipTick(const EventArgs& e);
  void setFlipPosition(float share);
  void firePageEvent(const String& name);

  CEGUITimer flipTimer_;
  Event::Connection flipConnection_;
  int flipDirection_ = 0;
  float flipTime_ = 0.0f;
  unsigned rowsPerPage_ = 0;
  unsigned homeRow_ = 0;
  unsigned homeColumn_ = 0;
};

}  // namespace CEGUI

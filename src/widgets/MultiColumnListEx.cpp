#include "widgets/MultiColumnListEx.h"

#include <CEGUI/CEGUI.h>

#include <cmath>

#include "widgets/ListItems.h"

namespace CEGUI {

const String MultiColumnListEx::WidgetTypeName("CEGUI/MultiColumnListEx");
const String MultiColumnListEx::EventNamespace("MultiColumnListEx");
const String MultiColumnListEx::EventPrePage("MultiColumnListEx/PrePage");
const String MultiColumnListEx::EventNextPage("MultiColumnListEx/NextPage");

namespace {
ListboxItemEx* extras(ListboxItem* item) { return dynamic_cast<ListboxItemEx*>(item); }
// The quarter turn of the slide's sine curve.
constexpr float kQuarterTurn = 1.57095f;
}  // namespace

MultiColumnListEx::MultiColumnListEx(const String& type, const String& name)
    : MultiColumnList(type, name) {
  flipConnection_ = flipTimer_.subscribeEvent(
      CEGUITimer::EventTimer, Event::Subscriber(&MultiColumnListEx::onFlipTick, this));
}

MultiColumnListEx::~MultiColumnListEx() {
  flipTimer_.KillTimer();
  flipConnection_->disconnect();
}

void MultiColumnListEx::onDestructionStarted(WindowEventArgs& e) {
  flipTimer_.KillTimer();
  flipConnection_->disconnect();
  MultiColumnList::onDestructionStarted(e);
}

// ---------------------------------------------------------------------------------------------
// Pages

void MultiColumnListEx::fillPages(unsigned rowsPerPage) {
  if (rowsPerPage == 0) return;
  rowsPerPage_ = rowsPerPage;
  resetList();
  const float height = getListRenderArea().getHeight() / static_cast<float>(rowsPerPage);
  for (unsigned r = 0; r < 2 * rowsPerPage; ++r) {
    const uint row = addRow();
    for (uint c = 0; c < getColumnCount(); ++c) setItem(new ListItemNull(height), MCLGridRef(row, c));
  }
}

void MultiColumnListEx::setEmptyItem(unsigned column, unsigned row, const Image* image) {
  if (row >= getRowCount() || column >= getColumnCount()) return;
  const float height = rowsPerPage_ ? getListRenderArea().getHeight() / static_cast<float>(rowsPerPage_)
                                    : 30.0f;
  auto* item = new ListItemNull(height);
  item->setNormalBrushImage(image);
  setItem(item, MCLGridRef(row, column));
}

void MultiColumnListEx::startFlip(int direction) {
  flipDirection_ = direction == 0 ? 0 : 1;
  flipTime_ = 0.0f;
  setFlipPosition(flipDirection_ == 0 ? 1.0f : 0.0f);
  flipTimer_.SetTimer(FlipPeriodMs);
}

bool MultiColumnListEx::onFlipTick(const EventArgs&) {
  const float wave = std::sin(flipTime_ * kQuarterTurn / FlipDuration);
  float share = flipDirection_ == 0 ? 1.0f - wave : wave;
  flipTime_ += FlipStep;
  if (flipTime_ >= FlipDuration) {
    flipTime_ = 0.0f;
    flipTimer_.KillTimer();
    // The slide ends exactly on the live page, whatever the last step of the curve gave.
    share = flipDirection_ == 0 ? 0.0f : 1.0f;
    // The row just outside the live page peeks in at the edge; its cells are made
    // unselectable so that hovering the edge does not select into the hidden page.
    const unsigned edgeRow = flipDirection_ == 0 ? rowsPerPage_ : rowsPerPage_ - 1;
    if (rowsPerPage_ > 0 && edgeRow < getRowCount()) {
      for (uint c = 0; c < 2 && c < getColumnCount(); ++c)
        if (ListboxItem* item = getItemAtGridReference(MCLGridRef(edgeRow, c))) item->setDisabled(true);
    }
  }
  setFlipPosition(share);
  return true;
}

void MultiColumnListEx::setFlipPosition(float share) {
  getVertScrollbar()->setScrollPosition(getListRenderArea().getHeight() * share);
  invalidate();
}

// ---------------------------------------------------------------------------------------------
// Selection helpers

bool MultiColumnListEx::isSelectable(unsigned column, unsigned row) const {
  if (row >= getRowCount() || column >= getColumnCount()) return false;
  const ListboxItem* item = getItemAtGridReference(MCLGridRef(row, column));
  return item && !isPlaceholderItem(item) && !item->isDisabled();
}

void MultiColumnListEx::setHomeCell(unsigned row, unsigned column) {
  homeRow_ = row;
  homeColumn_ = column;
}

void MultiColumnListEx::selectCell(unsigned column, unsigned row) {
  if (row >= getRowCount() || column >= getColumnCount()) return;
  const ListboxItem* item = getItemAtGridReference(MCLGridRef(row, column));
  if (!item || isPlaceholderItem(item)) return;
  selectAlone(MCLGridRef(row, column));
}

void MultiColumnListEx::selectAlone(const MCLGridRef& cell) {
  clearAllSelections_impl();
  setItemSelectState_impl(cell, true);
  invalidate();
}

bool MultiColumnListEx::clickItem(ListboxItem* item, uint sysKeys) {
  bool modified = false;
  if (!(sysKeys & Control) || !d_multiSelect) modified = clearAllSelections_impl();
  if (!item) return modified;
  modified = true;
  if ((sysKeys & Shift) && d_lastSelected && d_multiSelect)
    selectRange(getItemGridReference(item), getItemGridReference(d_lastSelected));
  else
    setItemSelectState_impl(getItemGridReference(item), !item->isSelected());
  d_lastSelected = item->isSelected() ? item : nullptr;
  return modified;
}

void MultiColumnListEx::setAllInactive() {
  for (uint r = 0; r < getRowCount(); ++r)
    for (uint c = 0; c < getColumnCount(); ++c)
      if (ListboxItemEx* item = extras(getItemAtGridReference(MCLGridRef(r, c)))) item->setActived(false);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void MultiColumnListEx::onMouseButtonDown(MouseEventArgs& e) {
  Window::onMouseButtonDown(e);
  if (e.button != LeftButton) return;
  const Vector2f local = CoordConverter::screenToWindow(*this, e.position);
  ListboxItem* item = getListRenderArea().isPointInRect(local) ? getItemAtPoint(local) : nullptr;
  if (clickItem(item, e.sysKeys)) {
    WindowEventArgs args(this);
    onSelectionChanged(args);
  }
  ++e.handled;
}

void MultiColumnListEx::onMouseMove(MouseEventArgs& e) {
  MultiColumnList::onMouseMove(e);
  const Vector2f local = CoordConverter::screenToWindow(*this, e.position);
  ListboxItem* hovered = getListRenderArea().isPointInRect(local) ? getItemAtPoint(local) : nullptr;
  for (uint r = 0; r < getRowCount(); ++r)
    for (uint c = 0; c < getColumnCount(); ++c) {
      ListboxItem* item = getItemAtGridReference(MCLGridRef(r, c));
      if (item != hovered)
        if (ListboxItemEx* ex = extras(item)) ex->setActived(false);
    }
  String tip;
  if (hovered) {
    ListboxItemEx* ex = extras(hovered);
    if (hovered->isDisabled()) {
      if (ex) ex->setActived(false);
    } else {
      if (!isPlaceholderItem(hovered)) selectAlone(getItemGridReference(hovered));
      if (ex) {
        ex->setActived(true);
        if (ex->isShowTip()) tip = hovered->getTooltipText();
      }
    }
  }
  setTooltipText(tip);
  invalidate();
}

void MultiColumnListEx::onMouseLeaves(MouseEventArgs& e) {
  MultiColumnList::onMouseLeaves(e);
  setAllInactive();
  invalidate();
}

void MultiColumnListEx::onMouseWheel(MouseEventArgs& e) {
  // A paged list shows whole pages: its scroll position belongs to the page slide, and the
  // wheel would leave it between two pages. Lists without pages scroll as usual.
  if (rowsPerPage_ == 0) {
    MultiColumnList::onMouseWheel(e);
    return;
  }
  Window::onMouseWheel(e);
  ++e.handled;
}

// ---------------------------------------------------------------------------------------------
// Keys

void MultiColumnListEx::firePageEvent(const String& name) {
  EventArgs args;
  fireEvent(name, args, EventNamespace);
}

void MultiColumnListEx::moveVertically(const MCLGridRef& cell, int step) {
  const unsigned r = cell.row;
  const unsigned c = cell.column;
  // The live page: the top page for direction 0, the bottom page for direction 1. A list
  // without pages is one page.
  const unsigned pageTop = flipDirection_ == 1 ? rowsPerPage_ : 0;
  const unsigned pageEnd = (flipDirection_ == 0 && rowsPerPage_ > 0) ? rowsPerPage_ : getRowCount();
  const bool atEdge = step < 0 ? (r < pageTop + 1) : (r + 1 >= pageEnd);
  if (!atEdge) {
    const unsigned target = step < 0 ? r - 1 : r + 1;
    for (int col = static_cast<int>(c); col >= 0; --col) {
      if (isSelectable(static_cast<unsigned>(col), target)) {
        selectAlone(MCLGridRef(target, static_cast<uint>(col)));
        return;
      }
    }
  }
  firePageEvent(step < 0 ? EventPrePage : EventNextPage);
}

void MultiColumnListEx::moveHorizontally(const MCLGridRef& cell, int step) {
  const int n = static_cast<int>(getColumnCount());
  int col = static_cast<int>(cell.column);
  for (int i = 0; i < n; ++i) {
    col = (col + step + n) % n;
    if (isSelectable(static_cast<unsigned>(col), cell.row)) {
      if (col != static_cast<int>(cell.column)) selectAlone(MCLGridRef(cell.row, static_cast<uint>(col)));
      return;
    }
  }
}

void MultiColumnListEx::onKeyDown(KeyEventArgs& e) {
  const bool arrow = e.scancode == Key::ArrowUp || e.scancode == Key::ArrowDown ||
                     e.scancode == Key::ArrowLeft || e.scancode == Key::ArrowRight;
  const bool enter = e.scancode == Key::Return || e.scancode == Key::NumpadEnter;
  if (arrow || enter) {
    ListboxItem* selected = getFirstSelectedItem();
    if (!selected) {
      if (arrow && homeRow_ < getRowCount() && homeColumn_ < getColumnCount()) {
        const ListboxItem* home = getItemAtGridReference(MCLGridRef(homeRow_, homeColumn_));
        if (home && !isPlaceholderItem(home)) selectAlone(MCLGridRef(homeRow_, homeColumn_));
      }
    } else {
      const MCLGridRef cell = getItemGridReference(selected);
      switch (e.scancode) {
        case Key::ArrowUp: moveVertically(cell, -1); break;
        case Key::ArrowDown: moveVertically(cell, 1); break;
        case Key::ArrowLeft: moveHorizontally(cell, -1); break;
        case Key::ArrowRight: moveHorizontally(cell, 1); break;
        default: {
          clickItem(selected, e.sysKeys);
          WindowEventArgs args(this);
          onSelectionChanged(args);
          break;
        }
      }
    }
    ++e.handled;
    invalidate();
  }
  MultiColumnList::onKeyDown(e);
}

}  // namespace CEGUI

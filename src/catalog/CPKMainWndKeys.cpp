// The contest hub and the remote control. The focus moves over rows, top to bottom:
//   0  the rules button;
//   1  the seven contest songs (Left/Right; past either end the carousel turns a page);
//   2  the ordering box and the "more" button;
//   3  the first row of nine heads, 4 the second (only heads that hold a work).
// Up and Down go to the nearest focusable window of the next row that has one; Up from the top
// row gives the focus to the main menu bar, and Down from an item of the bar that opens no
// pop-up gives it back to the selected song. The focused song is the selected one, so the heads
// always show its works. OK orders the focused song, opens a head's work page, presses a
// button, or opens the ordering box; with the box open Up/Down choose, OK takes the choice and
// Back closes it.
#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cmath>

#include "AppSet/KeyMap.h"
#include "guishell/ShellEvents.h"
#include "app/WindowPath.h"
#include "catalog/CPKMainWnd.h"

namespace {
enum Row { RuleRow = 0, SongRow = 1, ControlRow = 2, HeadRow1 = 3, HeadRow2 = 4, RowCount = 5 };

bool isKey(unsigned key, const wchar_t* mapped, CEGUI::Key::Scan keyboard) {
  return key == static_cast<unsigned>(keyboard) || isMappedKey(key, mapped);
}

float centreX(CEGUI::Window* w) {
  const CEGUI::Rectf r = w->getUnclippedOuterRect().get();
  return (r.left() + r.right()) * 0.5f;
}
}  // namespace

bool CPKMainWnd::focusable(CEGUI::Window* w) const {
  if (!w || !w->isEffectiveVisible() || w->isEffectiveDisabled()) return false;
  for (CEGUI::Window* h : heads_)
    if (h == w) return w->getUserData() != nullptr;
  return true;
}

void CPKMainWnd::buildFocusRows() {
  CEGUI::Window* was = focused();
  focusRows_.assign(RowCount, {});
  if (!d_root) return;
  if (focusable(songRule_)) focusRows_[RuleRow].push_back(songRule_);
  for (CEGUI::Window* w : slots_)
    if (focusable(w)) focusRows_[SongRow].push_back(w);
  if (focusable(orderCom_)) focusRows_[ControlRow].push_back(orderCom_);
  if (focusable(headMore_)) focusRows_[ControlRow].push_back(headMore_);
  for (int i = 0; i < kHeads; ++i)
    if (focusable(heads_[static_cast<std::size_t>(i)]))
      focusRows_[i < 9 ? HeadRow1 : HeadRow2].push_back(heads_[static_cast<std::size_t>(i)]);
  // The focus stays on its window when that is still there; else on the nearest one.
  if (focusRow_ < 0) return;
  for (int r = 0; r < RowCount; ++r) {
    auto& row = focusRows_[static_cast<std::size_t>(r)];
    const auto it = std::find(row.begin(), row.end(), was);
    if (was && it != row.end()) {
      focusRow_ = r;
      focusColumn_ = static_cast<int>(it - row.begin());
      placeFocusRing();
      return;
    }
  }
  focusAt(focusRow_, focusColumn_);
}

CEGUI::Window* CPKMainWnd::focused() const {
  if (focusRow_ < 0 || focusRow_ >= static_cast<int>(focusRows_.size())) return nullptr;
  const auto& row = focusRows_[static_cast<std::size_t>(focusRow_)];
  if (row.empty()) return nullptr;
  return row[static_cast<std::size_t>(std::clamp(focusColumn_, 0, static_cast<int>(row.size()) - 1))];
}

void CPKMainWnd::focusAt(int row, int column) {
  if (focusRows_.empty()) return;
  row = std::clamp(row, 0, RowCount - 1);
  // An empty row hands the focus on to the nearest row that has something, downwards first.
  int target = -1;
  for (int d = 0; d < RowCount && target < 0; ++d) {
    if (row + d < RowCount && !focusRows_[static_cast<std::size_t>(row + d)].empty()) target = row + d;
    else if (row - d >= 0 && !focusRows_[static_cast<std::size_t>(row - d)].empty()) target = row - d;
  }
  if (target < 0) {
    focusRow_ = row;
    placeFocusRing();
    return;
  }
  focusRow_ = target;
  const auto& items = focusRows_[static_cast<std::size_t>(target)];
  focusColumn_ = std::clamp(column, 0, static_cast<int>(items.size()) - 1);
  CEGUI::Window* w = items[static_cast<std::size_t>(focusColumn_)];
  if (w == orderCom_ && orderCom_->getEditbox()) orderCom_->getEditbox()->activate();
  else w->activate();
  placeFocusRing();
}

void CPKMainWnd::placeFocusRing() {
  if (!focusRing_) return;
  CEGUI::Window* w = focused();
  // Buttons show the focus in their own look; the ordering box gets the ring.
  if (!w || w != orderCom_ || !d_root) {
    focusRing_->hide();
    return;
  }
  CEGUI::Window* edit = orderCom_->getEditbox();
  if (!edit) edit = orderCom_;
  // Around the field and its button (as wide as the field is high, at its right).
  CEGUI::Rectf target = edit->getUnclippedOuterRect().get();
  if (edit != orderCom_) target.right(target.right() + target.getHeight());
  const CEGUI::Rectf base = d_root->getUnclippedOuterRect().get();
  const float pad = 8.0f;
  focusRing_->setArea(CEGUI::URect(CEGUI::UDim(0, target.left() - base.left() - pad),
                                   CEGUI::UDim(0, target.top() - base.top() - pad),
                                   CEGUI::UDim(0, target.right() - base.left() + pad),
                                   CEGUI::UDim(0, target.bottom() - base.top() + pad)));
  focusRing_->show();
  focusRing_->moveToFront();
}

void CPKMainWnd::syncFocusFrom(CEGUI::Window* w) {
  for (int r = 0; r < static_cast<int>(focusRows_.size()); ++r) {
    const auto& row = focusRows_[static_cast<std::size_t>(r)];
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (row[c] == w || (w && w->isAncestor(row[c]))) {
        focusRow_ = r;
        focusColumn_ = static_cast<int>(c);
        placeFocusRing();
        return;
      }
    }
  }
}

bool CPKMainWnd::moveAcross(int step) {
  if (focusRow_ < 0 || focusRows_.empty()) return false;
  const auto& row = focusRows_[static_cast<std::size_t>(focusRow_)];
  if (row.empty()) return false;
  const int next = focusColumn_ + step;
  if (focusRow_ == SongRow) {
    if (next < 0 || next >= static_cast<int>(row.size())) {
      // Past an end the carousel turns a page, when there are more songs than slots.
      if (songCount() <= kSongCount) return true;
      carouselStep(step > 0 ? 1 : 0);
      buildFocusRows();
      const int column = step > 0 ? 0 : static_cast<int>(focusRows_[SongRow].size()) - 1;
      focusAt(SongRow, column);
    } else {
      focusAt(SongRow, next);
    }
    // The focused song is the selected one.
    for (int i = 0; i < kSongCount; ++i)
      if (slots_[static_cast<std::size_t>(i)] == focused()) selectSlot(i);
    return true;
  }
  if (next >= 0 && next < static_cast<int>(row.size())) focusAt(focusRow_, next);
  return true;
}

bool CPKMainWnd::moveRow(int step) {
  if (focusRow_ < 0) {
    focusAt(SongRow, 0);
    return true;
  }
  CEGUI::Window* from = focused();
  for (int r = focusRow_ + step; r >= 0 && r < RowCount; r += step) {
    const auto& row = focusRows_[static_cast<std::size_t>(r)];
    if (row.empty()) continue;
    // The nearest window of that row, by horizontal position.
    int best = 0;
    if (from) {
      float bestDistance = 1e9f;
      for (std::size_t c = 0; c < row.size(); ++c) {
        const float d = std::fabs(centreX(row[c]) - centreX(from));
        if (d < bestDistance) {
          bestDistance = d;
          best = static_cast<int>(c);
        }
      }
    }
    if (r == SongRow && currentSlot_ >= 0) {
      // Back to the songs: the selected one.
      const auto it = std::find(row.begin(), row.end(), slots_[static_cast<std::size_t>(currentSlot_)]);
      if (it != row.end()) best = static_cast<int>(it - row.begin());
    }
    focusAt(r, best);
    return true;
  }
  if (step < 0) {
    focusRow_ = -1;
    placeFocusRing();
    if (context_.focusAbove) context_.focusAbove();
    else if (CEGUI::Window* bar = findWindow("MainMenu/Menubar")) {
      // Its first item that can be chosen shows the focus; the bar itself shows none.
      CEGUI::Window* item = nullptr;
      for (std::size_t i = 0; i < bar->getChildCount() && !item; ++i) {
        CEGUI::Window* child = bar->getChildAtIdx(i);
        if (dynamic_cast<CEGUI::MenuItem*>(child) && !child->isDisabled()) item = child;
      }
      if (item) item->activate();
      else bar->activate();
    }
  }
  return true;
}

bool CPKMainWnd::press() {
  CEGUI::Window* w = focused();
  if (!w) return false;
  if (w == orderCom_) {
    if (orderCom_->isDropDownListVisible()) {
      if (CEGUI::ListboxItem* item = orderCom_->getSelectedItem()) chooseOrdering(static_cast<int>(item->getID()));
      orderCom_->hideDropList();
    } else {
      orderCom_->showDropList();
    }
    return true;
  }
  for (int i = 0; i < kSongCount; ++i)
    if (slots_[static_cast<std::size_t>(i)] == w) {
      orderSlot(i);
      return true;
    }
  CEGUI::WindowEventArgs args(w);
  w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
  return true;
}

bool CPKMainWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  // A window of the hub that the mouse activated takes the focus over. (The key has bubbled
  // up to the page's root: the window it went to is the active one.)
  CEGUI::Window* target = d_root ? d_root->getActiveChild() : nullptr;
  if (target && target != d_root && focused() != target) syncFocusFrom(target);
  if (focusRow_ < 0) focusAt(SongRow, 0);
  const bool listOpen = orderCom_ && focused() == orderCom_ && orderCom_->isDropDownListVisible();
  if (listOpen) {
    if (isKey(key, L"UP", CEGUI::Key::ArrowUp) || isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) {
      const int step = isKey(key, L"UP", CEGUI::Key::ArrowUp) ? -1 : 1;
      const int count = static_cast<int>(orderCom_->getItemCount());
      CEGUI::ListboxItem* selected = orderCom_->getSelectedItem();
      const int at = selected ? static_cast<int>(orderCom_->getItemIndex(selected)) : 0;
      const int next = std::clamp(at + step, 0, count - 1);
      orderCom_->setItemSelectState(static_cast<std::size_t>(next), true);
      return true;
    }
    if (isKey(key, L"Back", CEGUI::Key::Escape)) {
      // No choice: the box shows the ordering in use again.
      orderCom_->hideDropList();
      if (CEGUI::ListboxItem* item = orderCom_->getListboxItemFromIndex(static_cast<std::size_t>(ordering_ - 1)))
        orderCom_->setItemSelectState(item, true);
      return true;
    }
  }
  if (isKey(key, L"Left", CEGUI::Key::ArrowLeft)) return moveAcross(-1);
  if (isKey(key, L"Right", CEGUI::Key::ArrowRight)) return moveAcross(1);
  if (isKey(key, L"UP", CEGUI::Key::ArrowUp)) return moveRow(-1);
  if (isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) return moveRow(1);
  if (isKey(key, L"OK", CEGUI::Key::Return) || key == CEGUI::Key::NumpadEnter) return press();
  return false;
}

void CPKMainWnd::takeFocus() {
  buildFocusRows();
  int column = 0;
  if (currentSlot_ >= 0) {
    const auto& row = focusRows_[SongRow];
    const auto it = std::find(row.begin(), row.end(), slots_[static_cast<std::size_t>(currentSlot_)]);
    if (it != row.end()) column = static_cast<int>(it - row.begin());
  }
  focusAt(SongRow, column);
}

// After every key the GUI has handled: Down on a top item of the main menu bar that opened no
// pop-up leaves the bar for the hub.
bool CPKMainWnd::onAnyKeyDown(const CEGUI::EventArgs& args) {
  const auto key = static_cast<unsigned>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (!d_root || !isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) return false;
  CEGUI::Window* sheet = d_root->getParent();
  CEGUI::Window* active = sheet ? sheet->getActiveChild() : nullptr;
  auto* item = dynamic_cast<CEGUI::MenuItem*>(active);
  if (!item || !dynamic_cast<CEGUI::Menubar*>(item->getParent())) return false;
  if (item->getPopupMenu()) return false;
  takeFocus();
  return false;
}

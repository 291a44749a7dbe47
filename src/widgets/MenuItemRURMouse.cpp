#include <CEGUI/CEGUI.h>

#include "widgets/MenuRURMouse.h"

namespace CEGUI {

const String MenuItemRURMouse::WidgetTypeName("CEGUI/MenuItemRURMouse");
const String MenuItemRURMouse::EventNamespace("MenuItemRURMouse");

MenuItemRURMouse::MenuItemRURMouse(const String& type, const String& name) : MenuItem(type, name) {}

void MenuItemRURMouse::setLayer(bool layer) {
  if (layer_ == layer) return;
  layer_ = layer;
  invalidate();
}

// ---------------------------------------------------------------------------------------------
// Levels

void MenuItemRURMouse::setLevelLayer(ItemListBase* level, bool layer) {
  if (!level) return;
  for (size_t i = 0; i < level->getItemCount(); ++i)
    if (auto* item = dynamic_cast<MenuItemRURMouse*>(level->getItemFromIndex(i))) item->setLayer(layer);
}

void MenuItemRURMouse::closeLevelPopups(ItemListBase* level) {
  if (!level) return;
  for (size_t i = 0; i < level->getItemCount(); ++i)
    if (auto* item = dynamic_cast<MenuItem*>(level->getItemFromIndex(i)); item && item->isOpened())
      item->closePopupMenu();
}

MenuItem* MenuItemRURMouse::nextEnabledItem(ItemListBase* level, const MenuItem* from, int step) {
  if (!level || level->getItemCount() == 0) return nullptr;
  const auto count = static_cast<long>(level->getItemCount());
  long index = 0;
  while (index < count && level->getItemFromIndex(static_cast<size_t>(index)) != from) ++index;
  if (index == count) index = step > 0 ? -1 : count;  // not in the level: start at its end
  for (long i = 0; i < count; ++i) {
    index = ((index + step) % count + count) % count;
    auto* item = dynamic_cast<MenuItem*>(level->getItemFromIndex(static_cast<size_t>(index)));
    if (item && !item->isEffectiveDisabled()) return item;
  }
  return nullptr;
}

MenuItem* MenuItemRURMouse::firstEnabledItem(ItemListBase* level) {
  return nextEnabledItem(level, nullptr, 1);
}

// ---------------------------------------------------------------------------------------------
// Focus

void MenuItemRURMouse::onActivated(ActivationEventArgs& e) {
  MenuItem::onActivated(e);
  setLevelLayer(level(), true);
  keepInsideMainWindow();
}

void MenuItemRURMouse::keepInsideMainWindow() {
  Window* list = level();
  if (!list) return;
  // The main window's client area is the GUI context's surface.
  const Sizef client = getGUIContext().getSurfaceSize();
  const Rectf item = getUnclippedOuterRect().get();
  float shift = 0.0f;
  if (item.right() > client.d_width)
    shift = client.d_width - item.right();
  else if (item.left() < 0.0f)
    shift = -item.left();
  if (shift != 0.0f) list->setXPosition(list->getXPosition() + UDim(0.0f, shift));
}

// ---------------------------------------------------------------------------------------------
// Keys

void MenuItemRURMouse::moveAlongLevel(int step) {
  MenuItem* target = nextEnabledItem(level(), this, step);
  if (!target) return;
  closePopupMenu();
  target->activate();
  target->openPopupMenu();
}

void MenuItemRURMouse::leaveToParentLevel() {
  auto* popup = dynamic_cast<PopupMenu*>(level());
  if (!popup) return;
  closePopupMenu();
  popup->deactivate();
  setLevelLayer(popup, false);
  // The item that opened this pop-up, and the level holding it.
  if (auto* opener = dynamic_cast<MenuItem*>(popup->getParent())) setLevelLayer(opener->getOwnerList(), true);
}

void MenuItemRURMouse::enterPopup() {
  PopupMenu* popup = getPopupMenu();
  if (!popup) return;
  // Items of a closed pop-up cannot take the focus: it opens first.
  if (!isOpened()) openPopupMenu();
  MenuItem* first = firstEnabledItem(popup);
  if (!first) return;
  first->activate();
  first->openPopupMenu();
  setLevelLayer(level(), false);
}

void MenuItemRURMouse::onKeyDown(KeyEventArgs& e) {
  switch (e.scancode) {
    case Key::Return:
    case Key::NumpadEnter: {
      WindowEventArgs args(this);
      fireEvent(EventClicked, args, EventNamespace);
      ++e.handled;
      break;
    }
    case Key::ArrowLeft:
      moveAlongLevel(-1);
      ++e.handled;
      break;
    case Key::ArrowRight:
      moveAlongLevel(1);
      ++e.handled;
      break;
    case Key::ArrowUp:
      leaveToParentLevel();
      ++e.handled;
      break;
    case Key::ArrowDown:
      enterPopup();
      ++e.handled;
      break;
    default:
      break;
  }
  // Subscribers still see the key; a handled key goes no further up.
  MenuItem::onKeyDown(e);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void MenuItemRURMouse::onMouseEnters(MouseEventArgs& e) {
  MenuItem::onMouseEnters(e);
  activate();
  ItemListBase* list = level();
  closeLevelPopups(list);
  setLevelLayer(list, true);
  // The level above (the bar or pop-up holding the item that opened this level) loses the
  // focus look.
  Window* opener = list ? list->getParent() : nullptr;
  Window* above = opener ? opener->getParent() : nullptr;
  if (dynamic_cast<PopupMenuRURMouse*>(above) || dynamic_cast<MenubarRURMouse*>(above))
    setLevelLayer(static_cast<ItemListBase*>(above), false);
}

void MenuItemRURMouse::onMouseButtonUp(MouseEventArgs& e) {
  // The stock item's release handling is replaced, not extended.
  ItemEntry::onMouseButtonUp(e);
  if (e.button != LeftButton) return;
  releaseInput();
  GUIContext& context = getGUIContext();
  if (context.getRootWindow() &&
      context.getRootWindow()->getTargetChildAtPosition(context.getMouseCursor().getPosition()) == this) {
    ItemListBase* list = level();
    closeLevelPopups(list);
    setLevelLayer(list, true);
    openPopupMenu();
    invalidate();
    WindowEventArgs args(this);
    onClicked(args);
  }
  ++e.handled;
}

void MenuItemRURMouse::onClicked(WindowEventArgs& e) { fireEvent(EventClicked, e, EventNamespace); }

}  // namespace CEGUI

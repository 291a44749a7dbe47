#include "widgets/MenuRURMouse.h"

#include <CEGUI/CEGUI.h>

#include <type_traits>

namespace CEGUI {

template <class Base>
void MenuBaseRURMouse<Base>::onChildAdded(ElementEventArgs& e) {
  Base::onChildAdded(e);
  // A bar is the level that has the focus until an item's pop-up takes it.
  if constexpr (std::is_base_of_v<Menubar, Base>)
    if (auto* item = dynamic_cast<MenuItemRURMouse*>(e.element)) item->setLayer(true);
}

template <class Base>
void MenuBaseRURMouse<Base>::onPopupOpened(WindowEventArgs& e) {
  if (Window* popup = e.window) {
    const float left = popup->getUnclippedOuterRect().get().left();
    popup->setXPosition(popup->getXPosition() - UDim(0.0f, left));
    popup->setInheritsAlpha(false);
  }
  Base::onPopupOpened(e);
}

template <class Base>
void MenuBaseRURMouse<Base>::onKeyDown(KeyEventArgs& e) {
  if constexpr (std::is_base_of_v<Menubar, Base>) {
    if (e.scancode != Key::Escape) {
      MenuItem* active = nullptr;
      for (size_t i = 0; i < this->getItemCount() && !active; ++i) {
        auto* item = dynamic_cast<MenuItem*>(this->getItemFromIndex(i));
        if (item && item->isActive()) active = item;
      }
      if (MenuItem* next = MenuItemRURMouse::nextEnabledItem(this, active, 1)) next->activate();
    }
  }
  Base::onKeyDown(e);
}

template class MenuBaseRURMouse<Menubar>;
template class MenuBaseRURMouse<PopupMenu>;

// ---------------------------------------------------------------------------------------------

const String MenubarRURMouse::WidgetTypeName("CEGUI/MenubarRURMouse");
const String MenubarRURMouse::EventNamespace("MenubarRURMouse");

MenubarRURMouse::MenubarRURMouse(const String& type, const String& name)
    : MenuBaseRURMouse<Menubar>(type, name) {}

const String PopupMenuRURMouse::WidgetTypeName("CEGUI/PopupMenuRURMouse");
const String PopupMenuRURMouse::EventNamespace("PopupMenuRURMouse");

PopupMenuRURMouse::PopupMenuRURMouse(const String& type, const String& name)
    : MenuBaseRURMouse<PopupMenu>(type, name) {
  // Hidden, free of its parent's clipping and sized to its items, as every pop-up starts. The
  // fields are set directly: their setters lay the items out, which needs the renderer that
  // is attached only after construction.
  d_itemSpacing = 2.0f;
  d_autoResize = true;
  setVisible(false);
  setClippedByParent(false);
}

// ---------------------------------------------------------------------------------------------

const String FalagardMenuItemRURMouse::TypeName("Falagard/MenuItemRURMouse");

FalagardMenuItemRURMouse::FalagardMenuItemRURMouse(const String& type) : FalagardMenuItem(type) {}

String FalagardMenuItemRURMouse::currentStateName() const {
  const auto* item = static_cast<const MenuItem*>(d_window);
  String state;
  if (item->isSelected()) {
    state = "Selected";
  } else if (item->isEffectiveDisabled()) {
    state = "Disabled";
  } else {
    const auto* layered = dynamic_cast<const MenuItemRURMouse*>(item);
    state = (layered && layered->isLayer()) ? "SelectedLayer" : "NoSelectedLayer";
    state += item->isActive() ? "Actived" : "NoActived";
  }
  if (!getLookNFeel().isStateImageryPresent(state)) state = "Normal";
  return state;
}

String FalagardMenuItemRURMouse::popupIconName() const {
  const auto* item = static_cast<const MenuItem*>(d_window);
  if (!item->getPopupMenu()) return "";
  const String icon = item->isOpened() ? "PopupOpenIcon" : "PopupClosedIcon";
  return getLookNFeel().isStateImageryPresent(icon) ? icon : "";
}

void FalagardMenuItemRURMouse::render() {
  const WidgetLookFeel& look = getLookNFeel();
  const String state = currentStateName();
  if (look.isStateImageryPresent(state)) look.getStateImagery(state).render(*d_window);
  const String icon = popupIconName();
  if (!icon.empty()) look.getStateImagery(icon).render(*d_window);
}

}  // namespace CEGUI

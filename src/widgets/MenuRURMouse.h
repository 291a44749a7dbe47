#pragma once
// Menus driven by the arrow keys of a remote control as much as by the mouse.
//
// Each bar or pop-up is a level of the menu; the level holding the keyboard focus has its
// items' layer flag set and is drawn brighter than the others. Left and Right move along a
// level (wrapping), Down enters an item's pop-up, Up returns to the level above, OK (Return)
// clicks. The bar scrolls sideways to keep the focused item inside the main window.
#include <CEGUI/WindowRendererSets/Core/MenuItem.h>
#include <CEGUI/widgets/MenuItem.h>
#include <CEGUI/widgets/Menubar.h>
#include <CEGUI/widgets/PopupMenu.h>

namespace CEGUI {

class MenuItemRURMouse : public MenuItem {
 public:
  static const String WidgetTypeName;  // "CEGUI/MenuItemRURMouse"
  static const String EventNamespace;  // "MenuItemRURMouse"

  MenuItemRURMouse(const String& type, const String& name);

  // True while the item's level (its bar or pop-up) has the focus.
  bool isLayer() const { return layer_; }
  void setLayer(bool layer);

  // The level the item belongs to: its bar or pop-up.
  ItemListBase* level() const { return getOwnerList(); }

  // Sets the layer flag of every item of a bar or pop-up.
  static void setLevelLayer(ItemListBase* level, bool layer);
  // Closes every open pop-up of the items of a bar or pop-up.
  static void closeLevelPopups(ItemListBase* level);
  // The next enabled item of a level after `from` (step 1) or before it (step -1), wrapping;
  // `from` itself when it is the only one; null when the level has none.
  static MenuItem* nextEnabledItem(ItemListBase* level, const MenuItem* from, int step);
  // The first enabled item of a level, or null.
  static MenuItem* firstEnabledItem(ItemListBase* level);

 protected:
  void onClicked(WindowEventArgs& e) override;
  void onKeyDown(KeyEventArgs& e) override;
  void onMouseEnters(MouseEventArgs& e) override;
  void onMouseButtonUp(MouseEventArgs& e) override;
  void onActivated(ActivationEventArgs& e) override;

 private:
  void moveAlongLevel(int step);
  void leaveToParentLevel();
  void enterPopup();
  // Keeps the item inside the main window by moving its whole level sideways.
  void keepInsideMainWindow();

  bool layer_ = false;
};

// What bars and pop-ups share: items added to a bar start on the focused layer, a pop-up
// opened from the menu aligns with the main window's left edge and no longer fades with its
// parent, and a key on a bar itself moves the focus to its next enabled item.
template <class Base>
class MenuBaseRURMouse : public Base {
 public:
  MenuBaseRURMouse(const String& type, const String& name) : Base(type, name) {}

 protected:
  void onChildAdded(ElementEventArgs& e) override;
  void onPopupOpened(WindowEventArgs& e) override;
  void onKeyDown(KeyEventArgs& e) override;
};

class MenubarRURMouse : public MenuBaseRURMouse<Menubar> {
 public:
  static const String WidgetTypeName;  // "CEGUI/MenubarRURMouse"
  static const String EventNamespace;  // "MenubarRURMouse"

  MenubarRURMouse(const String& type, const String& name);
};

class PopupMenuRURMouse : public MenuBaseRURMouse<PopupMenu> {
 public:
  static const String WidgetTypeName;  // "CEGUI/PopupMenuRURMouse"
  static const String EventNamespace;  // "PopupMenuRURMouse"

  PopupMenuRURMouse(const String& type, const String& name);
};

// Draws a menu item by its level and focus: "Selected" for a selected item, "Disabled" for a
// disabled one, else "SelectedLayer" or "NoSelectedLayer" (the item's level has the focus or
// not) followed by "Actived" or "NoActived" (the item has the focus or not). A state the look
// lacks draws "Normal". An item with a pop-up then draws "PopupOpenIcon" or "PopupClosedIcon"
// when the look has them.
class FalagardMenuItemRURMouse : public FalagardMenuItem {
 public:
  static const String TypeName;  // "Falagard/MenuItemRURMouse"

  explicit FalagardMenuItemRURMouse(const String& type);
  void render() override;

  String currentStateName() const;
  // The pop-up icon drawn, or empty.
  String popupIconName() const;
};

}  // namespace CEGUI

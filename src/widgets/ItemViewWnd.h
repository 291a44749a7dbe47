#pragma once
// A selectable tile made of child windows (a picture, a few texts): it tracks the mouse over
// itself and its children, toggles its selection on clicks and passes its children's double
// clicks on as its own. FalaItemView draws its selected and hover looks.
#include <CEGUI/Window.h>
#include <CEGUI/WindowRenderer.h>

#include <map>

namespace CEGUI {

class ItemViewWnd : public Window {
 public:
  static const String WidgetTypeName;          // "CEGUI/ItemViewWnd"
  static const String EventNamespace;          // "ItemViewWnd"
  static const String EventItemSelectChanged;  // "ItemSelectChanged", WindowEventArgs of the view

  ItemViewWnd(const String& type, const String& name);
  ~ItemViewWnd() override;

  bool isHovering() const { return hovering_; }
  bool isSelected() const { return selected_; }
  // A change fires "ItemSelectChanged".
  void setSelected(bool selected);

 protected:
  void onChildAdded(ElementEventArgs& e) override;
  void onChildRemoved(ElementEventArgs& e) override;
  void onMouseEnters(MouseEventArgs& e) override;
  void onMouseLeaves(MouseEventArgs& e) override;
  void onMouseButtonDown(MouseEventArgs& e) override;

 private:
  void setHovering(bool hovering);
  void forgetChild(Window* child);
  std::multimap<Window*, Event::Connection> childConnections_;
  bool hovering_ = false;
  bool selected_ = false;
};

// Draws the state imagery "Selected" when the view is selected and then "Hover" while it is
// hovered, each only when the look has it.
class FalaItemView : public WindowRenderer {
 public:
  static const String TypeName;  // "Falagard/FalaItemView"

  explicit FalaItemView(const String& type);
  void render() override;
};

}  // namespace CEGUI

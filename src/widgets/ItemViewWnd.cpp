#include "widgets/ItemViewWnd.h"

#include <CEGUI/CEGUI.h>

namespace CEGUI {

const String ItemViewWnd::WidgetTypeName("CEGUI/ItemViewWnd");
const String ItemViewWnd::EventNamespace("ItemViewWnd");
const String ItemViewWnd::EventItemSelectChanged("ItemSelectChanged");

ItemViewWnd::ItemViewWnd(const String& type, const String& name) : Window(type, name) {}

ItemViewWnd::~ItemViewWnd() {
  for (auto& entry : childConnections_) entry.second->disconnect();
}

void ItemViewWnd::setHovering(bool hovering) {
  if (hovering_ == hovering) return;
  hovering_ = hovering;
  invalidate();
}

void ItemViewWnd::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  invalidate();
  WindowEventArgs args(this);
  fireEvent(EventItemSelectChanged, args, EventNamespace);
}

void ItemViewWnd::onChildAdded(ElementEventArgs& e) {
  Window::onChildAdded(e);
  auto* child = static_cast<Window*>(e.element);
  auto keep = [&](const String& event, Event::Subscriber subscriber) {
    childConnections_.emplace(child, child->subscribeEvent(event, subscriber));
  };
  keep(Window::EventMouseEntersSurface, Event::Subscriber([this](const EventArgs&) {
         setHovering(true);
         return false;
       }));
  keep(Window::EventMouseLeavesSurface, Event::Subscriber([this](const EventArgs&) {
         setHovering(false);
         return false;
       }));
  keep(Window::EventMouseButtonDown, Event::Subscriber([this](const EventArgs&) {
         setSelected(!selected_);
         return false;
       }));
  keep(Window::EventMouseDoubleClick, Event::Subscriber([this](const EventArgs& args) {
         MouseEventArgs passed(static_cast<const MouseEventArgs&>(args));
         passed.window = this;
         passed.handled = 0;
         fireEvent(Window::EventMouseDoubleClick, passed, EventNamespace);
         return false;
       }));
}

void ItemViewWnd::forgetChild(Window* child) {
  auto range = childConnections_.equal_range(child);
  for (auto it = range.first; it != range.second; ++it) it->second->disconnect();
  childConnections_.erase(range.first, range.second);
}

void ItemViewWnd::onChildRemoved(ElementEventArgs& e) {
  forgetChild(static_cast<Window*>(e.element));
  Window::onChildRemoved(e);
}

void ItemViewWnd::onMouseEnters(MouseEventArgs& e) {
  Window::onMouseEnters(e);
  setHovering(true);
}

void ItemViewWnd::onMouseLeaves(MouseEventArgs& e) {
  Window::onMouseLeaves(e);
  setHovering(false);
}

void ItemViewWnd::onMouseButtonDown(MouseEventArgs& e) {
  Window::onMouseButtonDown(e);
  if (e.button == LeftButton) setSelected(true);
}

// ---------------------------------------------------------------------------------------------

const String FalaItemView::TypeName("Falagard/FalaItemView");

FalaItemView::FalaItemView(const String& type) : WindowRenderer(type, "Window") {}

void FalaItemView::render() {
  const auto* view = dynamic_cast<const ItemViewWnd*>(d_window);
  if (!view) return;
  const WidgetLookFeel& look = getLookNFeel();
  if (view->isSelected() && look.isStateImageryPresent("Selected"))
    look.getStateImagery("Selected").render(*d_window);
  if (view->isHovering() && look.isStateImageryPresent("Hover"))
    look.getStateImagery("Hover").render(*d_window);
}

}  // namespace CEGUI

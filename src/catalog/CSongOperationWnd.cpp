#include "catalog/CSongOperationWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "AppSet/KeyMap.h"
#include "app/AppLog.h"

CSongOperationWnd::CSongOperationWnd(const CEGUI::String& layout, const CEGUI::String& title)
    : layout_(layout), title_(title) {}

void CSongOperationWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(layout_, "");
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CSongOperationWnd: ") + e.what());
    d_root = nullptr;
  }
}

namespace {
void collectButtons(CEGUI::Window* w, std::vector<CEGUI::Window*>& out) {
  for (size_t i = 0; i < w->getChildCount(); ++i) {
    CEGUI::Window* child = w->getChildAtIdx(i);
    if (child->isAutoWindow()) continue;
    if (dynamic_cast<CEGUI::ButtonBase*>(child)) out.push_back(child);
    else collectButtons(child, out);
  }
}
}  // namespace

bool CSongOperationWnd::onAttached() {
  if (!d_root) return false;
  if (d_root->isChild("SelectedSong")) d_root->getChild("SelectedSong")->setText(title_);
  collectButtons(d_root, buttons_);
  for (CEGUI::Window* b : buttons_) {
    b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CSongOperationWnd::onClick, this));
    b->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CSongOperationWnd::onKeyDown, this));
  }
  if (!buttons_.empty()) buttons_.front()->activate();
  return true;
}

bool CSongOperationWnd::onClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::WindowEventArgs&>(args);
  endModal(static_cast<int>(e.window->getID()));
  return true;
}

void CSongOperationWnd::focusNext(CEGUI::Window* from, int step) {
  const auto n = static_cast<int>(buttons_.size());
  const int at = static_cast<int>(std::find(buttons_.begin(), buttons_.end(), from) - buttons_.begin());
  for (int k = 1; k <= n; ++k) {
    CEGUI::Window* b = buttons_[static_cast<std::size_t>(((at + step * k) % n + n) % n)];
    if (!b->isDisabled()) {
      b->activate();
      return;
    }
  }
}

bool CSongOperationWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (isMappedKey(e.scancode, L"Back")) {
    endModal(0);
    return true;
  }
  switch (e.scancode) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      endModal(static_cast<int>(e.window->getID()));
      return true;
    case CEGUI::Key::ArrowUp:
    case CEGUI::Key::ArrowLeft:
      focusNext(e.window, -1);
      return true;
    case CEGUI::Key::ArrowDown:
    case CEGUI::Key::ArrowRight:
      focusNext(e.window, 1);
      return true;
    default:
      return false;
  }
}

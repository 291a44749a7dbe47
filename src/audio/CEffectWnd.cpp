#include "audio/CEffectWnd.h"

#include <CEGUI/CEGUI.h>

#include "app/WindowPath.h"
#include "audio/EffectEventArgs.h"

const CEGUI::String CEffectWnd::EventSelChangle("EventSelChangle");
const CEGUI::String CEffectWnd::EventExit("EventExit");

namespace {
CEGUI::String normalImage(int index) {
  return imageName("set:DirUdeZud image:Stat" + CEGUI::PropertyHelper<int>::toString(index + 1) + "_Normal");
}
CEGUI::String selectedImage(int index) {
  return imageName("set:DirUdeZud image:Stat" + CEGUI::PropertyHelper<int>::toString(index + 1) + "_Over");
}
// Text on the gold face of the selected mode is dark, on the navy faces light.
const CEGUI::String kLightText("tl:FFE8ECFF tr:FFE8ECFF bl:FFE8ECFF br:FFE8ECFF");
const CEGUI::String kDarkText("tl:FF1A1324 tr:FF1A1324 bl:FF1A1324 br:FF1A1324");
}  // namespace

CEffectWnd::CEffectWnd(int selected) : selected_(selected) {}

CEffectWnd::~CEffectWnd() = default;

bool CEffectWnd::load() {
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_olvanEffectWnd.layout", "");
  } catch (const CEGUI::Exception&) {
    root_ = nullptr;
    return false;
  }
  for (int i = 0; i < kModeCount; ++i) {
    buttons_[i] = findWindow("StatBK/Stat" + CEGUI::PropertyHelper<int>::toString(i + 1), root_);
    if (!buttons_[i]) continue;
    buttons_[i]->setID(static_cast<unsigned>(i));
    showSelected(i, i == selected_);
    buttons_[i]->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CEffectWnd::onClick, this));
    buttons_[i]->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CEffectWnd::onKeyDown, this));
  }
  return true;
}

CEGUI::Window* CEffectWnd::button(int index) const {
  return index >= 0 && index < kModeCount ? buttons_[index] : nullptr;
}

void CEffectWnd::forgetWindows() {
  root_ = nullptr;
  for (auto& b : buttons_) b = nullptr;
}

void CEffectWnd::setModeNames(const std::vector<CEGUI::String>& names) {
  for (int i = 0; i < kModeCount && i < static_cast<int>(names.size()); ++i)
    if (buttons_[i]) buttons_[i]->setText(names[static_cast<std::size_t>(i)]);
}

void CEffectWnd::showSelected(int index, bool selected) {
  CEGUI::Window* b = button(index);
  if (!b) return;
  b->setProperty("NormalImage", selected ? selectedImage(index) : normalImage(index));
  // The focused face is the selected one: focus alone never looks like a choice.
  b->setProperty("HoverImage", selectedImage(index));
  b->setProperty("PushedImage", selectedImage(index));
  b->setProperty("NormalTextColour", selected ? kDarkText : kLightText);
}

void CEffectWnd::select(int index, bool notify) {
  if (index >= 0 && index < kModeCount && index != selected_) {
    showSelected(selected_, false);
    showSelected(index, true);
    selected_ = index;
    if (notify) {
      EffectModeEventArgs args(index, 0);
      fireEvent(EventSelChangle, args, "");
    }
  }
  if (CEGUI::Window* b = button(selected_)) b->activate();
}

bool CEffectWnd::onClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::WindowEventArgs&>(args);
  select(static_cast<int>(e.window->getID()), true);
  return true;
}

bool CEffectWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  switch (e.scancode) {
    case CEGUI::Key::ArrowDown:
      select(selected_ + 1 >= kModeCount ? 0 : selected_ + 1, true);
      return true;
    case CEGUI::Key::ArrowUp:
      select(selected_ <= 0 ? kModeCount - 1 : selected_ - 1, true);
      return true;
    case CEGUI::Key::ArrowLeft:
    case CEGUI::Key::ArrowRight: {
      EffectModeEventArgs exit(selected_, e.scancode == CEGUI::Key::ArrowLeft ? EffectModeEventArgs::Left
                                                                              : EffectModeEventArgs::Right);
      fireEvent(EventExit, exit, "");
      return true;
    }
    default:
      return false;
  }
}

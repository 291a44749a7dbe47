#include "PK/CPKSelectToneWnd.h"

#include <CEGUI/CEGUI.h>

#include <vector>

#include "AppSet/KeyMap.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"

namespace {
const char* const kChoiceNames[] = {"MyTone", "MaleTone", "FemalTone"};
const CEGUI::String kNormalImage("set:PK image:RadioBtn_Normal");
const CEGUI::String kChosenImage("set:PK image:RadioBtn_Hover");
}  // namespace

CPKSelectToneWnd::CPKSelectToneWnd(bool hasToneLevel) : hasToneLevel_(hasToneLevel) {}

void CPKSelectToneWnd::createPage(CEGUI::Window*) {
  d_root = loadPageLayout("PK_SelectToneWnd.layout");
}

CEGUI::Window* CPKSelectToneWnd::choice(int id) const {
  if (!d_root || id < MyTone || id > FemalTone) return nullptr;
  return findWindow(CEGUI::String("SelectToneWnd/PKSong/") + kChoiceNames[id - 1], d_root);
}

bool CPKSelectToneWnd::onAttached() {
  if (!d_root) return false;
  ok_ = findWindow("SelectToneWnd/Ok", d_root);
  cancel_ = findWindow("SelectToneWnd/Cancel", d_root);
  std::vector<CEGUI::Window*> keyed{ok_, cancel_};
  for (int id = MyTone; id <= FemalTone; ++id) {
    CEGUI::Window* w = choice(id);
    if (!w) continue;
    w->setProperty("NormalImage", imageName(kNormalImage));
    w->subscribeEvent(CEGUI::Window::EventMouseClick,
                      CEGUI::Event::Subscriber(&CPKSelectToneWnd::onChoiceClick, this));
    keyed.push_back(w);
  }
  if (CEGUI::Window* mine = choice(MyTone)) mine->setEnabled(hasToneLevel_);
  if (CEGUI::Window* hint = findWindow("SelectToneWnd/Hint", d_root); hint && !hasToneLevel_)
    hint->setText(guiString(L"您的音域尚未测定，请选择男声调或女声调"));
  select(MyTone);
  for (CEGUI::Window* w : keyed) {
    if (!w) continue;
    w->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CPKSelectToneWnd::onKeyDown, this));
  }
  if (ok_) {
    ok_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                          endModal(1);
                          return true;
                        }));
    // OK takes the preselected choice with one press.
    ok_->activate();
  }
  if (cancel_)
    cancel_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                              endModal(0);
                              return true;
                            }));
  return true;
}

void CPKSelectToneWnd::select(int id) {
  CEGUI::Window* previous = choice(selection_);
  CEGUI::Window* next = choice(id);
  if (!next) return;
  if (previous) previous->setProperty("NormalImage", imageName(kNormalImage));
  next->setProperty("NormalImage", imageName(kChosenImage));
  // The group's radio state follows, so the chosen one also draws its chosen look.
  if (auto* radio = dynamic_cast<CEGUI::RadioButton*>(next)) radio->setSelected(true);
  selection_ = id;
}

bool CPKSelectToneWnd::onChoiceClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::WindowEventArgs&>(args);
  if (!e.window->isEffectiveDisabled()) select(static_cast<int>(e.window->getID()));
  return true;
}

// The focus ring: the choices from top to bottom, then the two buttons side by side.
void CPKSelectToneWnd::moveFocus(CEGUI::Window* from, unsigned key) {
  std::vector<CEGUI::Window*> column;
  for (int id = MyTone; id <= FemalTone; ++id)
    if (CEGUI::Window* w = choice(id); w && !w->isEffectiveDisabled()) column.push_back(w);
  const bool onButtons = from == ok_ || from == cancel_;
  CEGUI::Window* to = nullptr;
  if (onButtons && (key == CEGUI::Key::ArrowLeft || key == CEGUI::Key::ArrowRight)) {
    to = from == ok_ ? cancel_ : ok_;
  } else if (onButtons) {
    if (!column.empty()) to = key == CEGUI::Key::ArrowUp ? column.back() : column.front();
  } else {
    const bool back = key == CEGUI::Key::ArrowUp || key == CEGUI::Key::ArrowLeft;
    std::size_t at = 0;
    while (at < column.size() && column[at] != from) ++at;
    if (back)
      to = at == 0 ? ok_ : column[at - 1];
    else
      to = at + 1 >= column.size() ? ok_ : column[at + 1];
  }
  if (to) to->activate();
}

bool CPKSelectToneWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  if (isMappedKey(key, L"Back")) {
    endModal(0);
    return true;
  }
  switch (key) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      if (e.window == ok_) {
        endModal(1);
      } else if (e.window == cancel_) {
        endModal(0);
      } else {
        // A choice taken with the remote: the focus goes on to OK, one more press confirms.
        select(static_cast<int>(e.window->getID()));
        if (ok_) ok_->activate();
      }
      return true;
    case CEGUI::Key::ArrowUp:
    case CEGUI::Key::ArrowDown:
    case CEGUI::Key::ArrowLeft:
    case CEGUI::Key::ArrowRight:
      moveFocus(e.window, key);
      return true;
    default:
      return false;
  }
}

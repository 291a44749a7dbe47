#include "dialogs/CMinusCoinWnd.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/RechargeImages.h"

namespace {
constexpr unsigned kReturn = 28, kNumpadEnter = 156, kArrowLeft = 203, kArrowRight = 205;
}

CMinusCoinWnd::CMinusCoinWnd(std::wstring balance) : balance_(std::move(balance)) {}

void CMinusCoinWnd::createPage(CEGUI::Window*) {
  loadRechargeImages();
  d_root = loadPageLayout(kLayout, kRootName);
  if (!d_root) return;
  if (!balance_.empty() && d_root->isChild("Balance"))
    d_root->getChild("Balance")->setText(guiString(L"您现有金币：" + balance_));
}

void CMinusCoinWnd::focusButton(unsigned id) {
  if (d_root && d_root->isChild(id)) d_root->getChild(id)->activate();
}

bool CMinusCoinWnd::onAttached() {
  if (!d_root) return false;
  focusButton(1);
  for (unsigned id : {1u, 2u}) {
    if (!d_root->isChild(id)) continue;
    CEGUI::Window* button = d_root->getChild(id);
    button->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CMinusCoinWnd::onKeyDown, this));
    button->subscribeEvent(CEGUI::Window::EventMouseClick,
                           CEGUI::Event::Subscriber(&CMinusCoinWnd::onMouseClick, this));
  }
  return true;
}

bool CMinusCoinWnd::onMouseClick(const CEGUI::EventArgs& args) {
  const unsigned id = static_cast<const CEGUI::WindowEventArgs&>(args).window->getID();
  endModal(id == 1 ? 1 : 0);
  return true;
}

bool CMinusCoinWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  const unsigned id = e.window->getID();
  if (isMappedKey(key, L"Back")) {
    endModal(2);
    return true;
  }
  switch (key) {
    case kReturn:
    case kNumpadEnter:
      endModal(static_cast<int>(id));
      return true;
    case kArrowLeft:
    case kArrowRight:
      focusButton(id == 1 ? 2 : 1);
      return true;
    default:
      return false;
  }
}

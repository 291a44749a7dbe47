#include "dialogs/CTwoButtonDialog.h"

#include <CEGUI/CEGUI.h>

CTwoButtonDialog::CTwoButtonDialog(const CEGUI::String& layoutFile) : layoutFile_(layoutFile) {}

void CTwoButtonDialog::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(layoutFile_, "");
  } catch (const CEGUI::Exception&) {
    d_root = nullptr;  // the library has logged why
  }
  loaded_ = d_root != nullptr;
}

void CTwoButtonDialog::activateButton(unsigned id) {
  if (!d_root || !d_root->isChild(id)) return;
  d_root->getChild(id)->activate();
}

bool CTwoButtonDialog::onAttached() {
  if (!d_root) return false;
  activateButton(1);
  for (unsigned id : {1u, 2u}) {
    if (!d_root->isChild(id)) continue;
    CEGUI::Window* button = d_root->getChild(id);
    button->subscribeEvent(CEGUI::Window::EventKeyDown,
                           CEGUI::Event::Subscriber(&CTwoButtonDialog::onKeyDown, this));
    button->subscribeEvent(CEGUI::Window::EventMouseClick,
                           CEGUI::Event::Subscriber(&CTwoButtonDialog::onMouseClick, this));
  }
  return true;
}

bool CTwoButtonDialog::onMouseClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::WindowEventArgs&>(args);
  const unsigned id = e.window->getID();
  if (id == 1) endModal(1);
  else if (id == 2) endModal(0);
  return true;
}

bool CTwoButtonDialog::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  const unsigned id = e.window->getID();
  if (handleOwnKey(key)) return true;
  switch (key) {
    case kReturn:
    case kNumpadEnter:
      endModal(id == 1 ? 1 : 0);
      return true;
    case kArrowLeft:
      activateButton(id <= 1 ? 2 : id - 1);
      return true;
    case kArrowRight:
      activateButton(id >= 2 ? 1 : id + 1);
      return true;
    default:
      return false;
  }
}

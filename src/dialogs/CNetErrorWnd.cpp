#include "dialogs/CNetErrorWnd.h"

#include <CEGUI/CEGUI.h>

#include "app/WindowPath.h"
#include "dialogs/CTwoButtonDialog.h"

void CNetErrorWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_NetErrorWnd.layout", "");
  } catch (const CEGUI::Exception&) {
    d_root = nullptr;
  }
  okButton_ = d_root ? findWindow("NetErrorWnd/OkBtn", d_root) : nullptr;
}

bool CNetErrorWnd::onAttached() {
  if (!d_root) return false;
  if (d_root->isChild(1u)) d_root->getChild(1u)->activate();
  if (okButton_) {
    okButton_->subscribeEvent(CEGUI::PushButton::EventClicked,
                              CEGUI::Event::Subscriber(&CNetErrorWnd::onOkClicked, this));
    okButton_->subscribeEvent(CEGUI::Window::EventKeyDown,
                              CEGUI::Event::Subscriber(&CNetErrorWnd::onOkKeyDown, this));
  }
  return true;
}

bool CNetErrorWnd::onOkClicked(const CEGUI::EventArgs&) {
  okButton_ = nullptr;
  endModal(1);
  return true;
}

bool CNetErrorWnd::onOkKeyDown(const CEGUI::EventArgs& args) {
  const auto key = static_cast<unsigned>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (key != CTwoButtonDialog::kReturn && key != CTwoButtonDialog::kNumpadEnter) return false;
  okButton_ = nullptr;
  endModal(1);
  return true;
}

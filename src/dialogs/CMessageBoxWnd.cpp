#include "dialogs/CMessageBoxWnd.h"

#include <CEGUI/CEGUI.h>

#include <memory>
#include <mutex>
#include <set>

#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/CTwoButtonDialog.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/AutoResetEvent.h"
#include "oscompat/MessageBox.h"

CMessageBoxWnd::CMessageBoxWnd(std::wstring text, std::wstring caption)
    : text_(std::move(text)), caption_(std::move(caption)) {}

void CMessageBoxWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_MessageBox.layout", "");
  } catch (const CEGUI::Exception&) {
    d_root = nullptr;
    return;
  }
  if (CEGUI::Window* w = findWindow("MessageBoxWnd/Title", d_root)) w->setText(guiString(caption_));
  if (CEGUI::Window* w = findWindow("MessageBoxWnd/Message", d_root)) w->setText(guiString(text_));
}

bool CMessageBoxWnd::onAttached() {
  if (!d_root || !d_root->isChild(1u)) return false;
  CEGUI::Window* ok = d_root->getChild(1u);
  ok->activate();
  ok->subscribeEvent(CEGUI::PushButton::EventClicked,
                     CEGUI::Event::Subscriber(&CMessageBoxWnd::onOk, this));
  ok->subscribeEvent(CEGUI::Window::EventKeyDown,
                     CEGUI::Event::Subscriber(&CMessageBoxWnd::onKey, this));
  return true;
}

bool CMessageBoxWnd::onOk(const CEGUI::EventArgs&) {
  endModal(1);
  return true;
}

bool CMessageBoxWnd::onKey(const CEGUI::EventArgs& args) {
  const auto key = static_cast<unsigned>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (key != CTwoButtonDialog::kReturn && key != CTwoButtonDialog::kNumpadEnter) return false;
  endModal(1);
  return true;
}

namespace {

// The boxes open now (GUI thread only).
std::set<CMessageBoxWnd*>& openBoxes() {
  static std::set<CMessageBoxWnd*> boxes;
  return boxes;
}

// Opens a box; `answered` (optional) runs when it ends. GUI thread.
void openBox(CEGUI::Window* parent, const std::wstring& text, const std::wstring& caption,
             std::function<void()> answered) {
  auto* box = new CMessageBoxWnd(text, caption);
  openBoxes().insert(box);
  box->subscribeEvent(EventNames::EndModal,
                      CEGUI::Event::Subscriber([box, answered](const CEGUI::EventArgs&) {
                        openBoxes().erase(box);
                        IPageCtrl::freeLater(box);
                        if (answered) answered();
                        return true;
                      }));
  box->attach(parent);
}

}  // namespace

void installGuiMessageBoxes(CEGUI::Window* parent) {
  oscompat::setMessageBoxPresenter([parent](const std::wstring& text, const std::wstring& caption,
                                            unsigned) {
    if (Win32AppHelper::isGuiThread()) {
      openBox(parent, text, caption, nullptr);
      return oscompat::IDOK;
    }
    auto answered = std::make_shared<oscompat::AutoResetEvent>();
    if (!Win32AppHelper::invokeOnGuiThread([&] { openBox(parent, text, caption, [answered] { answered->set(); }); })) {
      // The loop has ended: nobody can answer on screen.
      oscompat::setMessageBoxPresenter(nullptr);
      return oscompat::messageBox(text, caption, 0);
    }
    answered->wait();
    return oscompat::IDOK;
  });
}

void closeMessageBoxes() {
  oscompat::setMessageBoxPresenter(nullptr);
  const auto boxes = openBoxes();
  for (CMessageBoxWnd* box : boxes) box->endModal(1);
}

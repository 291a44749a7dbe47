#include "app/IPageCtrl.h"

#include <CEGUI/CEGUI.h>

#include "app/EventNames.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"

namespace {

bool onFreeObject(const CEGUI::EventArgs& args) {
  const_cast<EventArgsFreeObject&>(static_cast<const EventArgsFreeObject&>(args)).freeObject();
  return false;
}

// The global event set the deferred-deletion handler is subscribed on (it is subscribed once
// per GUI system).
const CEGUI::GlobalEventSet* freeObjectSubscribedOn = nullptr;

}  // namespace

IPageCtrl::IPageCtrl() : modalState_(std::make_unique<ModalState>()) {
  subscribeEvent(EventNames::EventAsyEndModal,
                 CEGUI::Event::Subscriber(&IPageCtrl::onAsyEndModal, this));
}

IPageCtrl::~IPageCtrl() = default;

bool IPageCtrl::closePage() {
  if (d_root) {
    CEGUI::WindowManager::getSingleton().destroyWindow(d_root);
    d_root = nullptr;
  }
  return true;
}

void IPageCtrl::ensureFreeObjectHandler() {
  auto* global = CEGUI::GlobalEventSet::getSingletonPtr();
  if (!global || global == freeObjectSubscribedOn) return;
  global->subscribeEvent(EventNames::global(EventNames::FreeObject),
                         CEGUI::Event::Subscriber(&onFreeObject));
  freeObjectSubscribedOn = global;
}

void IPageCtrl::postFreeObject(EventArgsFreeObject* args) {
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::FreeObject,
                            args, "");
}

CEGUI::Window* IPageCtrl::loadPageLayout(const char* layoutFile, const char* leftOver) {
  CEGUI::WindowManager& windows = CEGUI::WindowManager::getSingleton();
  if (CEGUI::Window* sheet = leftOver ? guiSheet() : nullptr)
    if (CEGUI::Window* old = sheet->getChildRecursive(leftOver)) windows.destroyWindow(old);
  try {
    return windows.loadLayoutFromFile(layoutFile, "");
  } catch (const CEGUI::Exception&) {
    return nullptr;
  }
}

bool IPageCtrl::attach(CEGUI::Window* parent) {
  ensureFreeObjectHandler();
  if (!modalState_) modalState_ = std::make_unique<ModalState>();
  modalState_->saveState();
  createPage(parent);
  bool becameModal = false;
  if (CEGUI::Window* w = pageWindow()) {
    if (parent && w->getParent() != parent) parent->addChild(w);
    w->setModalState(true);
    becameModal = w->getGUIContext().getModalWindow() == w;
  }
  onAttached();
  return becameModal;
}

void IPageCtrl::endModal(int result) {
  result_ = result;
  if (CEGUI::Window* w = pageWindow()) w->setModalState(false);
  closePage();
  if (restore_ && modalState_) {
    modalState_->restoreState();
    modalState_.reset();
  }
  CEGUI::EventArgs args;
  fireEvent(EventNames::EndModal, args, "");
}

void IPageCtrl::postEndModal(int result) {
  Win32AppHelper::postEvent(this, EventNames::EventAsyEndModal, new AsyEndModalEventArgs(result),
                            "");
}

bool IPageCtrl::onAsyEndModal(const CEGUI::EventArgs& args) {
  endModal(static_cast<const AsyEndModalEventArgs&>(args).result);
  return true;
}

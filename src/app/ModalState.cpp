#include "app/ModalState.h"

#include <CEGUI/CEGUI.h>

ModalState::~ModalState() { disconnectAll(); }

void ModalState::disconnectAll() {
  // Subscriptions must not outlive this object: a window destroyed later would call into it.
  for (auto& entry : destroySubscriptions_) entry.second->disconnect();
  destroySubscriptions_.clear();
}

void ModalState::saveState() {
  members_.clear();
  disconnectAll();
  modalTarget_ = nullptr;
  activeWindow_ = nullptr;
  auto* system = CEGUI::System::getSingletonPtr();
  if (!system) return;
  auto& context = system->getDefaultGUIContext();

  modalTarget_ = context.getModalWindow();
  track(&modalTarget_);

  CEGUI::Window* sheet = context.getRootWindow();
  CEGUI::Window* active = sheet ? sheet->getActiveChild() : nullptr;
  // The sheet itself being active means no window of ours is; the application records no
  // other active window.
  activeWindow_ = active == sheet ? nullptr : active;
  track(&activeWindow_);
}

void ModalState::track(CEGUI::Window** member) {
  CEGUI::Window* window = *member;
  if (!window) return;
  const CEGUI::String name = window->getNamePath();
  if (destroySubscriptions_.find(name) == destroySubscriptions_.end()) {
    destroySubscriptions_[name] = window->subscribeEvent(
        CEGUI::Window::EventDestructionStarted,
        CEGUI::Event::Subscriber(&ModalState::onDestructionStarted, this));
  }
  members_[name] = member;
}

bool ModalState::onDestructionStarted(const CEGUI::EventArgs& args) {
  const auto& windowArgs = static_cast<const CEGUI::WindowEventArgs&>(args);
  const CEGUI::String name = windowArgs.window->getNamePath();
  const auto it = members_.find(name);
  if (it != members_.end() && *it->second == windowArgs.window) *it->second = nullptr;
  // A second saved window of the same name is still alive: look for it by pointer.
  if (modalTarget_ == windowArgs.window) modalTarget_ = nullptr;
  if (activeWindow_ == windowArgs.window) activeWindow_ = nullptr;
  return false;
}

void ModalState::restoreState() {
  if (modalTarget_) {
    modalTarget_->show();
    modalTarget_->setModalState(true);
  }
  if (activeWindow_) {
    for (CEGUI::Window* w = activeWindow_; w; w = w->getParent()) w->show();
    activeWindow_->activate();
  }
}

#pragma once
// What a page saves when it becomes modal and gives back when it ends: the GUI's modal target
// and the active window. Saved windows are tracked, so a restore never touches a window that
// was destroyed meanwhile.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <map>

namespace CEGUI {
class EventArgs;
class Window;
}  // namespace CEGUI

class IObjectState {
 public:
  virtual ~IObjectState() = default;
  virtual void saveState() = 0;
  virtual void restoreState() = 0;
};

class ModalState : public IObjectState {
 public:
  ModalState() = default;
  ~ModalState() override;
  ModalState(const ModalState&) = delete;
  ModalState& operator=(const ModalState&) = delete;

  void saveState() override;
  void restoreState() override;

  CEGUI::Window* savedModalTarget() const { return modalTarget_; }
  CEGUI::Window* savedActiveWindow() const { return activeWindow_; }

 private:
  void track(CEGUI::Window** member);
  bool onDestructionStarted(const CEGUI::EventArgs& args);
  void disconnectAll();

  CEGUI::Window* modalTarget_ = nullptr;
  CEGUI::Window* activeWindow_ = nullptr;
  // Full window name to the member that holds the window.
  std::map<CEGUI::String, CEGUI::Window**> members_;
  // Full window name to its destruction-started subscription.
  std::map<CEGUI::String, CEGUI::Event::Connection> destroySubscriptions_;
};

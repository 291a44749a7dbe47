#pragma once
// The small window of buttons opened for a picked entry: its title names the song; a button
// ends the window with its window ID (the operation's code), the key map's Back key with 0.
// Arrow keys move round the enabled buttons; Return presses the focused one.
#include <CEGUI/String.h>

#include <vector>

#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
class Window;
}  // namespace CEGUI

class CSongOperationWnd : public IPageCtrl {
 public:
  CSongOperationWnd(const CEGUI::String& layout, const CEGUI::String& title);

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  const std::vector<CEGUI::Window*>& buttons() const { return buttons_; }
  const CEGUI::String& layout() const { return layout_; }

 private:
  bool onClick(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  void focusNext(CEGUI::Window* from, int step);

  CEGUI::String layout_;
  CEGUI::String title_;
  std::vector<CEGUI::Window*> buttons_;
};

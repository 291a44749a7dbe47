#pragma once
// A message box over the GUI: a caption, a text and OK (1), by click, Return or numeric-pad
// Enter.
#include <string>

#include "app/IPageCtrl.h"

class CMessageBoxWnd : public IPageCtrl {
 public:
  CMessageBoxWnd(std::wstring text, std::wstring caption);
  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

 private:
  bool onOk(const CEGUI::EventArgs& args);
  bool onKey(const CEGUI::EventArgs& args);

  std::wstring text_;
  std::wstring caption_;
};

// Routes the program's message boxes to the GUI once it exists: from another thread the
// caller waits until the user has answered; on the GUI thread the box opens without waiting.
// Without a GUI loop the text goes to standard error and the log. Install once the GUI sheet
// exists; `closeMessageBoxes` (GUI thread) answers every open box, so no waiter outlives the
// loop.
void installGuiMessageBoxes(CEGUI::Window* parent);
void closeMessageBoxes();

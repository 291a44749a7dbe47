#pragma once
// A modal page with two buttons, window IDs 1 (yes) and 2 (no), that ends with 1 or 0 on a
// click, on Return, or on numeric-pad Enter; the arrows move the focus between the buttons and
// wrap at both ends.
#include <CEGUI/String.h>

#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
}

class CTwoButtonDialog : public IPageCtrl {
 public:
  // The GUI library's key codes the dialogs answer.
  static constexpr unsigned kReturn = 28;
  static constexpr unsigned kNumpadEnter = 156;
  static constexpr unsigned kArrowLeft = 203;
  static constexpr unsigned kArrowRight = 205;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

 protected:
  explicit CTwoButtonDialog(const CEGUI::String& layoutFile);
  // Returns true when the key ended the page (the removal confirmation's Back key).
  virtual bool handleOwnKey(unsigned) { return false; }
  bool layoutLoaded() const { return loaded_; }

 private:
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onMouseClick(const CEGUI::EventArgs& args);
  void activateButton(unsigned id);

  CEGUI::String layoutFile_;
  bool loaded_ = false;
};

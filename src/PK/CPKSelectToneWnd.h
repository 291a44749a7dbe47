#pragma once
// The key choice before a contest song: the key fitted to the singer's measured range (1), a
// male key (2) or a female key (3). OK ends the page with 1, Cancel and the key map's Back key
// with 0; the choice is read afterwards. The remote control's arrows move the focus between the
// choices and the two buttons, Return takes the focused choice or presses the focused button.
// GUI thread.
#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
}

class CPKSelectToneWnd : public IPageCtrl {
 public:
  enum Choice { None = 0, MyTone = 1, MaleTone = 2, FemalTone = 3 };

  // `hasToneLevel`: whether the singer's range is known; without it the fitted key cannot be
  // chosen (it stays the preselected choice all the same).
  explicit CPKSelectToneWnd(bool hasToneLevel);

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

  // The chosen key, 1..3.
  int selection() const { return selection_; }
  // Whether the layout loaded.
  bool loaded() const { return d_root != nullptr; }

 private:
  bool onChoiceClick(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  void select(int id);
  void moveFocus(CEGUI::Window* from, unsigned key);
  CEGUI::Window* choice(int id) const;

  bool hasToneLevel_;
  int selection_ = MyTone;
  CEGUI::Window* ok_ = nullptr;
  CEGUI::Window* cancel_ = nullptr;
};

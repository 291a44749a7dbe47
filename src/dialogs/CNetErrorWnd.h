#pragma once
// The network error notice: its only way out is the OK button (1), by click or by Return or
// numeric-pad Enter while it has the focus.
#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
}

class CNetErrorWnd : public IPageCtrl {
 public:
  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

 private:
  bool onOkClicked(const CEGUI::EventArgs& args);
  bool onOkKeyDown(const CEGUI::EventArgs& args);

  CEGUI::Window* okButton_ = nullptr;
};

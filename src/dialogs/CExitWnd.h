#pragma once
// The exit confirmation: yes (1) quits, no (0) goes back.
#include "dialogs/CTwoButtonDialog.h"

class CExitWnd : public CTwoButtonDialog {
 public:
  CExitWnd();
  // Also shows the system mouse cursor, so the question can be answered with the mouse.
  bool onAttached() override;
};

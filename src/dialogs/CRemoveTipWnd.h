#pragma once
// The removal confirmation: yes (1) removes, no (0) keeps; the key map's Back key answers no.
#include "dialogs/CTwoButtonDialog.h"

class CRemoveTipWnd : public CTwoButtonDialog {
 public:
  CRemoveTipWnd();
  // Whether the layout loaded.
  bool loaded() const { return layoutLoaded(); }

 protected:
  bool handleOwnKey(unsigned key) override;
};

#pragma once
// The coin confirmation: paying a sing with coins is confirmed (ID 1, result 1) or refused
// (ID 2, result 0) with the mouse. From the keyboard Return answers with the focused button's
// ID (1 or 2) and the key map's Back key with 2; the arrows move between the two buttons and
// wrap. GUI thread.
#include <string>

#include "app/IPageCtrl.h"

class CMinusCoinWnd : public IPageCtrl {
 public:
  static constexpr const char* kLayout = "PK_MinusCoinWnd.layout";
  static constexpr const char* kRootName = "MinusCoinWnd";

  // `balance`: the user's coins as the service gave them (shown; empty shows nothing).
  explicit CMinusCoinWnd(std::wstring balance = {});

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

 private:
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onMouseClick(const CEGUI::EventArgs& args);
  void focusButton(unsigned id);

  std::wstring balance_;
};

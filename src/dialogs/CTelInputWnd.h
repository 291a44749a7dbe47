#pragma once
// The phone number form: the number typed twice, checked (eleven digits, a 1, then 3 to 8)
// and sent to the service with the user's mail and id (packet 6315); ends with 1 once sent,
// with 0 when cancelled. A refused number is told in a notice and the form stays as it was.
//
// Keys: the arrows Up and Down move between the two boxes and the buttons, Return on a box
// goes to the next one and on a button presses it, the key map's Back key cancels. GUI thread.
#include <CEGUI/String.h>

#include <string>

#include "app/IPageCtrl.h"

class CTelInputWnd : public IPageCtrl {
 public:
  static constexpr const char* kLayout = "PK_TelInputWnd.layout";
  static constexpr const char* kRootName = "TelInputRoot";
  static constexpr int kPacketId = 6315;
  static const std::wstring kNumbersDiffer;  // "两次输入号码不同。"
  static const std::wstring kNotAMobile;     // "请输入正确的手机号码。"
  static constexpr int kNoticeMs = 3000;

  CTelInputWnd(std::wstring mail, std::wstring userId);
  ~CTelInputWnd() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

  // Whether `text` is a mobile phone number: exactly eleven ASCII digits, the first 1 and the
  // second 3 to 8 (no spaces, no other digits).
  static bool isMobileNumber(const std::wstring& text);
  // The accepted number (empty until confirmed).
  const CEGUI::String& phoneNumber() const { return phoneNumber_; }
  // Presses the confirm button (as a click does).
  void confirm();

 private:
  bool onMouseClick(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onBoxFocus(const CEGUI::EventArgs& args);
  void paintBox(CEGUI::Window* box);  // the field pieces, gold-edged while it has the focus
  void notice(const std::wstring& text);
  bool sendNumber(const std::wstring& number);

  std::wstring mail_;
  std::wstring userId_;
  CEGUI::Window* entry_ = nullptr;
  CEGUI::Window* again_ = nullptr;
  CEGUI::String phoneNumber_;
};

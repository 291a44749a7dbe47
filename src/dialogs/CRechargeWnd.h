#pragma once
// The recharge dialog: Recharge (ID 1) opens the recharge page in the browser and, five
// seconds later, gives way to Finished (ID 3); Cancel (ID 2) is there throughout.
//
// Results: a click on Cancel 0, on Finished 1; from the keyboard Return on Cancel and the key
// map's Back key 2, Return on Finished 3. The arrows move between the buttons that can be
// pressed, wrapping within Recharge..Cancel and, once Finished shows, Cancel..Finished.
// GUI thread.
#include <string>

#include "app/IPageCtrl.h"
#include "guishell/CEGUITimer.h"

class CRechargeWnd : public IPageCtrl {
 public:
  static constexpr const char* kLayout = "PK_RechargeWnd.layout";
  static constexpr const char* kImageset = "Recharge.imageset";
  static constexpr const char* kRootName = "RechargeWnd";
  static const CEGUI::String EventRechargeCancel;  // "RechargeCancel"
  static const CEGUI::String EventRechargeFinish;  // "RechargeFinish"
  // From opening the page to the finished button.
  static constexpr unsigned kFinishDelayMs = 5000;
  static constexpr unsigned kTickMs = 1000;

  // `url`: the recharge page with the user's key; it is opened, never shown.
  explicit CRechargeWnd(std::wstring url);
  ~CRechargeWnd() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  bool finishShown() const { return finishShown_; }
  // Whether the page was opened, and whether the browser could be started for it.
  bool pageOpened() const { return opened_; }
  bool browserStarted() const { return browserStarted_; }

 private:
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onMouseClick(const CEGUI::EventArgs& args);
  bool onTick(const CEGUI::EventArgs& args);
  void openPage();
  void moveFocus(unsigned from, int step);
  void setStatus(const std::wstring& text);
  void finishWith(int result, const CEGUI::String& event);
  CEGUI::Window* child(unsigned id) const;

  std::wstring url_;
  CEGUITimer timer_;
  unsigned elapsedMs_ = 0;
  bool finishShown_ = false;
  bool opened_ = false;
  bool browserStarted_ = false;
};

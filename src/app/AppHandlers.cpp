// The application's answers to application-level events, the exit confirmation and the
// network error dialog.
#include <CEGUI/CEGUI.h>

#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "app/NetErrorNotice.h"
#include "app/VokaranPlayerApp.h"
#include "dialogs/CExitWnd.h"
#include "dialogs/CNetErrorWnd.h"
#include "guishell/ShellEvents.h"
#include "guishell/Win32AppHelper.h"
#include "vokaran/Vokaran.h"

void VokaranPlayerApp::subscribeGlobal(const CEGUI::String& name,
                                       bool (VokaranPlayerApp::*handler)(const CEGUI::EventArgs&)) {
  connections_.push_back(CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(name), CEGUI::Event::Subscriber(handler, this)));
}

void VokaranPlayerApp::subscribeAppHandlers() {
  subscribeGlobal(Win32AppHelper::eventAudioDevChange, &VokaranPlayerApp::onShellAudioDevChange);
  subscribeGlobal(Win32AppHelper::eventSettingAudioDevChange,
                  &VokaranPlayerApp::onShellSettingAudioDevChange);
  subscribeGlobal(EventNames::EventSongBookAddNotify, &VokaranPlayerApp::onSongBookAddNotify);
  subscribeGlobal(EventNames::NetError, &VokaranPlayerApp::onNetError);
  subscribeGlobal(EventNames::AppInitDone, &VokaranPlayerApp::onAppInitDone);
  subscribeGlobal(EventNames::GetNetMenuVersion, &VokaranPlayerApp::onNetMenuReply);
  subscribeGlobal(EventNames::GetNetMenuList, &VokaranPlayerApp::onNetMenuReply);
  subscribeGlobal(EventNames::GetPKSquareInfo, &VokaranPlayerApp::onSquareInfo);
  subscribeGlobal(EventNames::ExitSystem, &VokaranPlayerApp::onExitSystem);
  subscribeGlobal(EventNames::NetErrorWnd, &VokaranPlayerApp::onNetErrorWnd);
  subscribeGlobal(Win32AppHelper::eventPkExitApp, &VokaranPlayerApp::onShellPkExitApp);
  subscribeGlobal(Win32AppHelper::eventExitApp, &VokaranPlayerApp::onShellExitApp);
  subscribeGlobal(EventNames::GetUserSpecialInfo, &VokaranPlayerApp::onUserSpecialInfo);
  subscribeGlobal(EventNames::GetUserPermit, &VokaranPlayerApp::onUserPermit);
  subscribeGlobal(EventNames::RecBackUserTone, &VokaranPlayerApp::onUserTone);
  subscribeGlobal(EventNames::OpenWorksWindow, &VokaranPlayerApp::onOpenWorksWindow);
  // The global keys.
  connections_.push_back(CEGUI::System::getSingleton().subscribeEvent(
      guishell::System_EventInjectKeyDown,
      CEGUI::Event::Subscriber(&VokaranPlayerApp::onGlobalKey, this)));
}

bool VokaranPlayerApp::onExitSystem(const CEGUI::EventArgs&) {
  requestQuit();
  return true;
}

bool VokaranPlayerApp::onNetError(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const ErrorEventArgs&>(args);
  showNetErrorNotice(e.errorCode, e.commandNumber);
  return true;
}

// The version reply (the document on disk is current) and the new document alike rebuild the
// practice menu; start-up waits for the first.
bool VokaranPlayerApp::onNetMenuReply(const CEGUI::EventArgs&) {
  rebuildPracticeMenu();
  menuReady_.set();
  return true;
}

// The square's songs and pictures have been delivered (or its request failed).
bool VokaranPlayerApp::onSquareInfo(const CEGUI::EventArgs&) {
  showLoadingInfo(false);
  appLog("the square information reply was handled");
  return false;
}

bool VokaranPlayerApp::onUserSpecialInfo(const CEGUI::EventArgs& args) {
  launch_.user.assignFrom(static_cast<const UserSpecailInfoEventArgs&>(args).user);
  return true;
}

bool VokaranPlayerApp::onUserPermit(const CEGUI::EventArgs& args) {
  launch_.user.setRights(static_cast<const UserRightsInfoEventArgs&>(args).rights);
  return true;
}

bool VokaranPlayerApp::onUserTone(const CEGUI::EventArgs& args) {
  const auto& tone = static_cast<const UserToneFunRecvEventArgs&>(args);
  lastUserTone_ = {tone.firstToneValue, tone.toneLevel};
  return true;
}

bool VokaranPlayerApp::onSongBookAddNotify(const CEGUI::EventArgs& args) {
  const int status = static_cast<const ErrorEventArgs&>(args).errorCode;
  if (!tips_) return true;
  if (status == -2246)
    tips_->showStandardNotice(L"该歌曲已收藏!", L"AddSongBookFail", 2000);
  else if (status != 0)
    tips_->showStandardNotice(L"收藏失败!", L"AddSongBookFail", 2000);
  else
    tips_->showStandardNotice(L"收藏成功!", L"AddSongBookSucceed", 2000);
  return true;
}

bool VokaranPlayerApp::onShellExitApp(const CEGUI::EventArgs&) {
  openExitConfirmation();
  return true;
}

bool VokaranPlayerApp::onShellPkExitApp(const CEGUI::EventArgs&) {
  if (contestSinging()) VokaStop();
  requestQuit();
  return true;
}

// Opens a dialog under `name` in the dialog map: one at a time per name. When it ends with 1
// the program quits; in every case it is freed and leaves the map.
void VokaranPlayerApp::openQuitDialog(const CEGUI::String& name, IPageCtrl* page) {
  dialogMap_[name] = page;
  page->subscribeEvent(EventNames::EndModal,
                       CEGUI::Event::Subscriber([this, name, page](const CEGUI::EventArgs&) {
                         if (page->result() == 1) {
                           if (contestSinging()) VokaStop();
                           requestQuit();
                         }
                         IPageCtrl::freeLater(page);
                         auto it = dialogMap_.find(name);
                         if (it != dialogMap_.end() && it->second == page) dialogMap_.erase(it);
                         return true;
                       }));
  page->attach(rootWindow_);
}

void VokaranPlayerApp::openExitConfirmation() {
  if (dialogMap_.count("Exit")) return;  // one question at a time
  openQuitDialog("Exit", new CExitWnd);
  appLog("exit confirmation shown");
}

bool VokaranPlayerApp::onNetErrorWnd(const CEGUI::EventArgs&) {
  if (dialogMap_.count("NetErrorPage")) return true;  // already showing
  openQuitDialog("NetErrorPage", new CNetErrorWnd);
  appLog("network error dialog shown");
  return true;
}

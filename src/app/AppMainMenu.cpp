// The main menu bar, the title bar's help button and the global keys.
#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "RUR/elements/LayoutRegistry.h"
#include "RUR/elements/MenuXmlManager.h"
#include "app/AppLog.h"
#include "Upload/CAlbumWnd.h"
#include "app/PracticeMenu.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "app/TextConvert.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "app/CInfoTipManager.h"
#include "widgets/MenuRURMouse.h"
#include "catalog/CPKMainWnd.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/Utf.h"

namespace {
const CEGUI::String kPK("MainMenu/Menubar/PK");
const CEGUI::String kCommunity("MainMenu/Menubar/Community");
const CEGUI::String kPractice("MainMenu/Menubar/Practice");
const CEGUI::String kProduction("MainMenu/Menubar/Production");
const CEGUI::String kUploadList("MainMenu/Menubar/UploadList");

void openUrl(const std::wstring& url) {
  if (url.empty()) {
    appLog("no web address for this item");
    return;
  }
  oscompat::shellOpen(oscompat::utf8FromWide(url));
}
}  // namespace

void VokaranPlayerApp::wireMainMenu() {
  for (const CEGUI::String& name : {kPK, kCommunity, kPractice, kProduction, kUploadList}) {
    CEGUI::Window* item = findWindow(name);
    if (!item) continue;
    connections_.push_back(item->subscribeEvent(
        CEGUI::MenuItem::EventClicked,
        CEGUI::Event::Subscriber([this, name](const CEGUI::EventArgs&) {
          onMainMenuItem(name);
          return true;
        })));
  }
  if (CEGUI::Window* exit = findWindow("Root/Menubar/Exit")) {
    connections_.push_back(exit->subscribeEvent(
        CEGUI::MenuItem::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
          openExitConfirmation();
          return true;
        })));
  }
  if (CEGUI::Window* help = findWindow("AppRoot/HelpBtn")) {
    connections_.push_back(help->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
          openUrl(launch_.urls.at(UrlTable::strPKHelpURL));
          return true;
        })));
  }
  // Down on the main menu bar goes into the practice menu when it shows.
  for (const CEGUI::String& name : {kPK, kCommunity, kPractice, kProduction, kUploadList}) {
    if (CEGUI::Window* item = findWindow(name))
      connections_.push_back(item->subscribeEvent(CEGUI::Window::EventKeyDown,
                                                  CEGUI::Event::Subscriber(&VokaranPlayerApp::onMainMenuKey, this)));
  }
  if (practiceMenu_) practiceMenu_->wireFixedItems();
}

void VokaranPlayerApp::rebuildPracticeMenu() {
  if (!menuXml_) return;
  if (!practiceMenu_) {
    CPracticeMenu::Hooks hooks;
    hooks.showMainMenu = [this](bool show) { showMainMenu(show); };
    hooks.focusMainMenu = [this] { focusMainMenu(); };
    hooks.menusAllowed = [this] { return !contestSinging(); };
    practiceMenu_ = std::make_unique<CPracticeMenu>(menuPageMap_, std::move(hooks));
  }
  if (!practiceMenu_->rebuild(*menuXml_, rootWindow_)) return;
  // A rebuild after start-up replaces a window whose fixed items were wired already.
  if (startupDone_) practiceMenu_->wireFixedItems();
}

void VokaranPlayerApp::focusMainMenu() {
  CEGUI::Window* bar = mainMenu_ ? mainMenu_->getChildRecursive("Menubar") : nullptr;
  auto* menubar = dynamic_cast<CEGUI::Menubar*>(bar);
  if (!menubar || !mainMenu_->isVisible()) return;
  CEGUI::MenuItemRURMouse::setLevelLayer(menubar, true);
  if (CEGUI::MenuItem* first = CEGUI::MenuItemRURMouse::firstEnabledItem(menubar))
    first->activate();
  else
    menubar->activate();
}

bool VokaranPlayerApp::onMainMenuKey(const CEGUI::EventArgs& args) {
  const auto& key = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (key.scancode != CEGUI::Key::ArrowDown || !practiceMenu_ || !practiceMenu_->isShowing()) return false;
  if (auto* menubar = dynamic_cast<CEGUI::Menubar*>(mainMenu_->getChildRecursive("Menubar")))
    CEGUI::MenuItemRURMouse::setLevelLayer(menubar, false);
  practiceMenu_->focus();
  return true;
}

void VokaranPlayerApp::onMainMenuItem(const CEGUI::String& name) {
  if (name == kCommunity) {
    openUrl(launch_.urls.at(UrlTable::strPKBlogURL));
  } else if (name == kProduction) {
    openUrl(launch_.urls.at(UrlTable::strPKMineURL));
  } else if (name == kPK) {
    if (findWindow("PKWnd")) return;
    endMenuPages();
    switchSection(name);
    if (practiceMenu_) practiceMenu_->hide();
    currentPage_ = createContestHub(rootWindow_, launch_.user.UserID, launch_.urls.at(UrlTable::strPKRuleURL));
  } else if (name == kUploadList) {
    openWorksWindow();
  } else if (name == kPractice) {
    CEGUI::Window* item = findWindow(name);
    if (item && item->isDisabled()) return;
    switchSection(name);
    if (practiceMenu_) {
      if (auto* menubar = dynamic_cast<CEGUI::Menubar*>(mainMenu_->getChildRecursive("Menubar")))
        CEGUI::MenuItemRURMouse::setLevelLayer(menubar, false);
      practiceMenu_->focus();
    } else {
      appLogError("main menu: there is no practice menu (no menu reply was handled)");
    }
  }
}

// The works page in place of the page showing; Back on it goes to the contest hub.
void VokaranPlayerApp::openWorksWindow() {
  if (findWindow("WorksWnd")) return;
  endMenuPages();
  switchSection(kUploadList);
  if (practiceMenu_) practiceMenu_->hide();
  AlbumWndContext context;
  context.onBack = [this] { onMainMenuItem(kPK); };
  context.openUrl = openUrl;
  currentPage_ = createWorksWindow(rootWindow_, std::move(context));
  if (!currentPage_) appLogError("main menu: the works page could not be shown");
}

bool VokaranPlayerApp::onOpenWorksWindow(const CEGUI::EventArgs&) {
  openWorksWindow();
  return true;
}

// The item of the section being left comes back; the chosen one stays disabled while its
// page shows; the page that was showing closes.
void VokaranPlayerApp::switchSection(const CEGUI::String& name) {
  if (CEGUI::Window* previous = findWindow(currentMenuItem_)) previous->enable();
  if (CEGUI::Window* item = findWindow(name)) item->disable();
  currentMenuItem_ = name;
  closeCurrentPage();
}

void VokaranPlayerApp::closeCurrentPage() {
  if (!currentPage_) return;
  currentPage_->closePage();
  IPageCtrl::freeLater(currentPage_);
  currentPage_ = nullptr;
}

void VokaranPlayerApp::endMenuPages() {
  // Each page's own "EndModal" handler frees it and drops its entry.
  std::vector<IPageCtrl*> pages;
  for (auto& entry : menuPageMap_)
    if (entry.second) pages.push_back(entry.second);
  for (auto it = menuPageMap_.begin(); it != menuPageMap_.end();)
    it = it->second ? std::next(it) : menuPageMap_.erase(it);
  for (IPageCtrl* page : pages) page->endModal(0);
}

bool VokaranPlayerApp::onGlobalKey(const CEGUI::EventArgs& args) {
  const auto key = static_cast<int>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (key == 46 && menuPageMap_.find("PinYinSearch") == menuPageMap_.end()) stopSinging();
  if (key == keyMapCode(L"PlayPause")) pauseOrResume();
  // The key map may name a cut key (none by default: the stop key ends a song as well).
  if (key == keyMapCode(L"Cut")) cutSong();
  if (key == keyMapCode(L"MediaStop")) stopSinging();
  // The Exit key (Escape, also the pages' Back key) answers an open exit confirmation with
  // "no"; with none open it has no global effect, since pages use the key to go back.
  if (key == keyMapCode(L"Exit")) {
    const auto it = dialogMap_.find("Exit");
    if (it != dialogMap_.end() && it->second) it->second->endModal(0);
  }
  return false;  // observers never mark input handled
}

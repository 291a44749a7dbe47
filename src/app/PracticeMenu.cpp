#include "app/PracticeMenu.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "RUR/elements/Entity.h"
#include "RUR/elements/LayoutNames.h"
#include "app/AppLog.h"
#include "app/IPageCtrl.h"
#include "app/WindowPath.h"
#include "catalog/CatalogueLists.h"
#include "catalog/QueueLists.h"
#include "oscompat/Utf.h"
#include "widgets/MenuRURMouse.h"

namespace {

const CEGUI::String kLayout("PK_MainMenuPractice.layout");

std::wstring decimal(unsigned value) { return std::to_wstring(value); }

template <typename Map>
auto valueOr(const Map& map, const CEGUI::String& key, typename Map::mapped_type fallback) {
  const auto it = map.find(key);
  return it == map.end() ? fallback : it->second;
}

CEGUI::Menubar* barOf(CEGUI::Window* root) {
  if (!root) return nullptr;
  if (auto* bar = dynamic_cast<CEGUI::Menubar*>(root)) return bar;
  for (size_t i = 0; i < root->getChildCount(); ++i)
    if (auto* bar = dynamic_cast<CEGUI::Menubar*>(root->getChildAtIdx(i))) return bar;
  return nullptr;
}

}  // namespace

CPracticeMenu::CPracticeMenu(std::map<CEGUI::String, IPageCtrl*>& pages, Hooks hooks)
    : pages_(pages), hooks_(std::move(hooks)) {}

CPracticeMenu::~CPracticeMenu() { destroyWindow(); }

void CPracticeMenu::destroyWindow() {
  for (auto& c : connections_) c->disconnect();
  connections_.clear();
  if (window_ && CEGUI::WindowManager::getSingletonPtr()) {
    if (CEGUI::Window* parent = window_->getParent()) parent->removeChild(window_);
    CEGUI::WindowManager::getSingleton().destroyWindow(window_);
  }
  window_ = nullptr;
}

bool CPracticeMenu::isShowing() const { return window_ && window_->isVisible(); }

void CPracticeMenu::show() {
  if (window_) window_->show();
}

// The menu keeps its open pop-ups while hidden: a page that ends brings the user back to the
// item that opened it.
void CPracticeMenu::hide() {
  if (window_) window_->hide();
}

void CPracticeMenu::focus() {
  show();
  CEGUI::Menubar* bar = barOf(window_);
  if (!bar) return;
  CEGUI::MenuItemRURMouse::closeLevelPopups(bar);
  CEGUI::MenuItemRURMouse::setLevelLayer(bar, true);
  if (CEGUI::MenuItem* first = CEGUI::MenuItemRURMouse::firstEnabledItem(bar))
    first->activate();
  else
    bar->activate();
}

// ---------------------------------------------------------------------------------------------
// Building

bool CPracticeMenu::rebuild(CEGUI::MenuXmlManager& files, CEGUI::Window* parent) {
  const bool wasShowing = isShowing();
  files.loadMenu();
  files.loadLayout();
  bool saved = true;
  try {
    files.mergeMenu();
  } catch (const CEGUI::FileIOException&) {
    // The exception has logged itself; the merged menu still shows this time.
    saved = false;
    appLogError("practice menu: the merged layout could not be written; it is used from memory");
  }
  destroyWindow();
  parent_ = parent;
  CEGUI::Window* loaded = nullptr;
  const CEGUI::KeepXmlWhiteSpace keep;  // values with line feeds load as written
  if (saved) {
    try {
      loaded = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
    } catch (const CEGUI::Exception&) {
      appLogError("practice menu: " + std::string(kLayout.c_str()) + " did not load; the menu is built from memory");
    }
  }
  if (!loaded) {
    const std::string text = files.layoutText();
    try {
      if (!text.empty()) loaded = CEGUI::WindowManager::getSingleton().loadLayoutFromString(text);
    } catch (const CEGUI::Exception&) {
      appLogError("practice menu: the merged layout did not load; there is no practice menu");
    }
  }
  if (!loaded) return false;
  window_ = loaded;
  window_->hide();
  if (parent_) parent_->addChild(window_);
  connections_.push_back(window_->subscribeEvent(CEGUI::Window::EventKeyDown,
                                                 CEGUI::Event::Subscriber(&CPracticeMenu::onKeyDown, this)));
  files.bindMenuCommands([this](const CEGUI::LayoutEntity& item) { bind(item); });
  if (wasShowing) show();
  appLog("practice menu: built from menu version " + std::string(files.menuVersion().c_str()));
  return true;
}

void CPracticeMenu::onClick(const CEGUI::String& item, const std::function<void()>& action) {
  CEGUI::Window* w = findWindow(item, window_);
  if (!w) return;
  connections_.push_back(w->subscribeEvent(CEGUI::MenuItem::EventClicked,
                                           CEGUI::Event::Subscriber([action](const CEGUI::EventArgs&) {
                                             action();
                                             return true;
                                           })));
}

void CPracticeMenu::bind(const CEGUI::LayoutEntity& item) {
  namespace ln = layoutnames;
  const CEGUI::String w = item.windowName();
  if (!findWindow(w, window_)) return;
  const CEGUI::MenuCommand command = CEGUI::menuCommandOf(item);
  const unsigned scope = CEGUI::PropertyHelper<CEGUI::uint>::fromString(item.command(ln::kTypeId));
  if (CEGUI::storesSongScope(command)) songScopes_.emplace(w, scope);
  if (CEGUI::storesSingerScope(command)) singerScopes_.emplace(w, scope);
  if (CEGUI::storesKind(command)) itemKinds_.emplace(w, item.command(ln::kKindId));
  if (command == CEGUI::MenuCommand::None) {
    // An item the menu gives no command: clicking it does nothing, said once in the log.
    onClick(w, [this, w] {
      if (unboundLogged_.insert(w).second)
        appLog("practice menu: " + std::string(w.c_str()) + " has no command");
    });
    return;
  }
  onClick(w, [this, command, w] { run(command, w); });
}

void CPracticeMenu::wireFixedItems() {
  if (!window_) return;
  onClick("Root/Menubar/Practice/Sing/EntrySong", [this] { openContestSongs(); });
  onClick("Root/Menubar/Practice/SongSel", [this] { openQueue(); });
  struct Fixed {
    const char* item;
    CEGUI::MenuCommand command;
    unsigned scope;
    bool singer;
  };
  for (const Fixed& f : {Fixed{"Root/Menubar/Sing/Search/SongName/WordsCount", CEGUI::MenuCommand::WordsCountSearch, 2, false},
                         Fixed{"Root/Menubar/Sing/Search/SongName/FirstChar", CEGUI::MenuCommand::PinYinSongSearch, 3, false},
                         Fixed{"Root/Menubar/Sing/Search/SingerName/Strokes", CEGUI::MenuCommand::StrokesSearch, 5, true},
                         Fixed{"Root/Menubar/Sing/Search/SingerName/FirstChar", CEGUI::MenuCommand::PinYinSingerSearch, 6, true}}) {
    if (!findWindow(f.item, window_)) continue;
    (f.singer ? singerScopes_ : songScopes_)[f.item] = f.scope;
    const CEGUI::String name(f.item);
    onClick(name, [this, f, name] { run(f.command, name); });
  }
  for (const char* back : {"Root/Menubar/Sing/Category/Back", "Root/Menubar/Sing/Search/Back",
                           "Root/Menubar/Sing/Search/SongName/Back", "Root/Menubar/Sing/Search/SingerName/Back",
                           "Root/Menubar/Sing/Back"}) {
    onClick(back, [] {
      int key = 0;
      if (CKeyMap* map = CKeyMap::getSingletonPtr(); map && map->lookupKey(L"Back", key))
        CEGUI::System::getSingleton().getDefaultGUIContext().injectKeyDown(static_cast<CEGUI::Key::Scan>(key));
    });
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

std::function<void(IPageCtrl*)> CPracticeMenu::attachAs(const CEGUI::String& name, bool modal) {
  return [this, name, modal](IPageCtrl* page) {
    page->subscribeEvent("EndModal", CEGUI::Event::Subscriber([this, page, name](const CEGUI::EventArgs&) {
                           IPageCtrl::freeLater(page);
                           const auto it = pages_.find(name);
                           if (it != pages_.end() && it->second == page) pages_.erase(it);
                           if (hooks_.showMainMenu) hooks_.showMainMenu(true);
                           if (!hooks_.menusAllowed || hooks_.menusAllowed()) show();
                           return true;
                         }));
    auto* system = CEGUI::System::getSingletonPtr();
    page->attach(system ? system->getDefaultGUIContext().getRootWindow() : nullptr);
    if (!modal && page->pageWindow()) page->pageWindow()->setModalState(false);
    pages_[name] = page;
    hide();
    if (hooks_.showMainMenu) hooks_.showMainMenu(false);
  };
}

void CPracticeMenu::run(CEGUI::MenuCommand command, const CEGUI::String& item) {
  using C = CEGUI::MenuCommand;
  const std::wstring songScope = decimal(valueOr(songScopes_, item, 0u));
  const std::wstring singerScope = decimal(valueOr(singerScopes_, item, 0u));
  const std::wstring kind = oscompat::wideFromUtf8(valueOr(itemKinds_, item, CEGUI::String()).c_str());
  switch (command) {
    case C::SongCategoryList:
      openSongList(CSearchInfo(kind, songScope, L""), "", attachAs("SongList", false));
      break;
    case C::SingerCategoryList:
      openSingerList(CSearchInfo(kind, singerScope, L""), "", attachAs("SingerList", false));
      break;
    case C::PinYinSongSearch:
      openSearchWindow("pinyin-songs", songScope, attachAs("PinYinSearch", true));
      break;
    case C::PinYinSingerSearch:
      openSearchWindow("pinyin-singers", singerScope, attachAs("PinYinSearch", true));
      break;
    case C::WordsCountSearch:
      openSearchWindow("words", songScope, attachAs("WordsCountSearchWnd", true));
      break;
    case C::StrokesSearch:
      openSearchWindow("strokes", singerScope, attachAs("StrokesSearchWnd", true));
      break;
    case C::SangList:
      openSangList(attachAs("SongList", true));
      break;
    case C::SongBook:
      openSongBook(attachAs("SongBook", true));
      break;
    case C::None:
      break;
  }
}

void CPracticeMenu::openContestSongs() {
  openContestSongList(hooks_.contestSongs ? hooks_.contestSongs() : std::vector<SongRecord>{},
                      attachAs("SongList", false));
}

void CPracticeMenu::openQueue() { openQueueList(attachAs("SongList", true)); }

// ---------------------------------------------------------------------------------------------
// Keys

// The remote's Back key: out of an open pop-up to the level above, and from the bar itself
// back to the main menu bar.
bool CPracticeMenu::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& key = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (!isMappedKey(key.scancode, L"Back") || !window_) return false;
  CEGUI::Window* active = window_->getActiveChild();
  // An item whose pop-up opened with it has the pop-up as the active window.
  if (dynamic_cast<CEGUI::PopupMenu*>(active) && active->getParent() &&
      dynamic_cast<CEGUI::MenuItemRURMouse*>(active->getParent()))
    active = active->getParent();
  auto* item = dynamic_cast<CEGUI::MenuItemRURMouse*>(active);
  if (item && dynamic_cast<CEGUI::PopupMenu*>(item->level())) {
    item->getGUIContext().injectKeyDown(CEGUI::Key::ArrowUp);
    return true;
  }
  if (CEGUI::Menubar* bar = barOf(window_)) {
    CEGUI::MenuItemRURMouse::closeLevelPopups(bar);
    CEGUI::MenuItemRURMouse::setLevelLayer(bar, false);
  }
  if (hooks_.focusMainMenu) hooks_.focusMainMenu();
  return true;
}

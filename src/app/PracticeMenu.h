#pragma once
// The practice menu on screen: the window built from the merged practice layout, what its
// items open, the fixed items the application wires itself, and the remote's Back key.
//
// Each command opens its page under the GUI sheet and registers it in the application's page
// map; while the page is open the practice menu and the main menu bar are hidden, and they
// come back when it ends. A rebuild replaces the window (and its bindings) with a new one.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "RUR/elements/MenuXmlManager.h"
#include "app/SongRecord.h"

class IPageCtrl;
namespace CEGUI {
class EventArgs;
class Window;
}  // namespace CEGUI

class CPracticeMenu {
 public:
  struct Hooks {
    // Shows or hides the main menu bar (it stays hidden while a contest song is sung).
    std::function<void(bool)> showMainMenu;
    // Gives the keys back to the main menu bar (Back on the practice menu's bar).
    std::function<void()> focusMainMenu;
    // False while a contest song is sung: the menus stay out of the singer's way.
    std::function<bool()> menusAllowed;
    // The contest songs the contest song list shows.
    std::function<std::vector<SongRecord>()> contestSongs;
  };

  CPracticeMenu(std::map<CEGUI::String, IPageCtrl*>& pages, Hooks hooks);
  ~CPracticeMenu();
  CPracticeMenu(const CPracticeMenu&) = delete;
  CPracticeMenu& operator=(const CPracticeMenu&) = delete;

  // Reads both files, merges, writes the layout back, loads the practice menu window under
  // `parent` (hidden, or shown when the window it replaces was showing) and binds its items.
  // A layout that cannot be written is used from memory. GUI thread. False when no window
  // could be built.
  bool rebuild(CEGUI::MenuXmlManager& files, CEGUI::Window* parent);
  // Wires the fixed items of the window (after start-up, and again after each rebuild).
  void wireFixedItems();

  CEGUI::Window* window() const { return window_; }
  bool isShowing() const;
  void show();
  void hide();
  // Shows the menu and gives its bar the keys (its first enabled item).
  void focus();

  // What clicking the item named `item` runs.
  void run(CEGUI::MenuCommand command, const CEGUI::String& item);
  // Fixed items: the contest songs and the sing queue.
  void openContestSongs();
  void openQueue();

  // Item window name to the scope and kind its item keeps.
  const std::map<CEGUI::String, unsigned>& songScopes() const { return songScopes_; }
  const std::map<CEGUI::String, unsigned>& singerScopes() const { return singerScopes_; }
  const std::map<CEGUI::String, CEGUI::String>& itemKinds() const { return itemKinds_; }

 private:
  void destroyWindow();
  CEGUI::Window* loadWindow(CEGUI::MenuXmlManager& files);
  void bind(const CEGUI::LayoutEntity& item);
  void onClick(const CEGUI::String& item, const std::function<void()>& action);
  // How a command's page is put on screen (registered under `name`).
  std::function<void(IPageCtrl*)> attachAs(const CEGUI::String& name, bool modal);
  bool onKeyDown(const CEGUI::EventArgs& args);

  std::map<CEGUI::String, IPageCtrl*>& pages_;
  Hooks hooks_;
  CEGUI::Window* window_ = nullptr;
  CEGUI::Window* parent_ = nullptr;
  std::vector<CEGUI::Event::Connection> connections_;  // of the current window
  std::map<CEGUI::String, unsigned> songScopes_;
  std::map<CEGUI::String, unsigned> singerScopes_;
  std::map<CEGUI::String, CEGUI::String> itemKinds_;
  std::set<CEGUI::String> unboundLogged_;
};

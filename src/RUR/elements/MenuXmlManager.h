#pragma once
// The practice menu's files: the server's menu document "PKData/AppSets/NetMenu.xml" and the
// practice layout "datafiles/layouts/PK_MainMenuPractice.layout", read into entities, merged
// and written back. One instance, created by the start-up and deleted by the clean-up.
//
// A document that cannot be read is never used and never lost: a damaged menu document is
// kept as "NetMenu.xml.bad" and removed, so the network layer fetches a whole one; a damaged
// layout is kept as "PK_MainMenuPractice.layout.bad" and the shipped layout
// ("datafiles/layouts/shipped/") takes its place.
#include <CEGUI/String.h>

#include <functional>
#include <memory>
#include <string>

#include "RUR/elements/EntityXmlHandlers.h"
#include "RUR/elements/LayoutMerger.h"

namespace CEGUI {

class LayoutEntity;
class LayoutRegistry;

// What clicking a command item of the menu does.
enum class MenuCommand {
  None,
  PinYinSongSearch,
  WordsCountSearch,
  SongCategoryList,
  PinYinSingerSearch,
  StrokesSearch,
  SingerCategoryList,
  SangList,
  SongBook,
};

// The command of an item, from its command attributes and ID.
MenuCommand menuCommandOf(const LayoutEntity& item);
// Whether the command keeps the item's "TypeID" as a song scope, a singer scope, and its
// "sTypeID" as the item's kind.
bool storesSongScope(MenuCommand command);
bool storesSingerScope(MenuCommand command);
bool storesKind(MenuCommand command);

class MenuXmlManager {
 public:
  explicit MenuXmlManager(LayoutRegistry& registry);
  ~MenuXmlManager();
  MenuXmlManager(const MenuXmlManager&) = delete;
  MenuXmlManager& operator=(const MenuXmlManager&) = delete;

  static MenuXmlManager* getSingletonPtr() { return s_instance; }

  static std::string menuFile();
  static std::string layoutFile();
  static std::string shippedLayoutFile();

  bool menuFileExists() const;
  // Reads the menu document anew; false when it is missing or was refused.
  bool loadMenu();
  // Reads the practice layout anew (the shipped one when it is damaged or missing); false
  // when neither could be read.
  bool loadLayout();
  // Merges the menu into the layout and writes the layout back; throws the GUI library's
  // FileIOException when the layout file cannot be written. Nothing without both trees.
  void mergeMenu();
  // The layout document of the current (merged) tree, or empty.
  std::string layoutText() const;
  // Calls `bind` for every command item (an entity with an ID and no children) under the
  // layout window carrying the menu root's ID, in pre-order.
  void bindMenuCommands(const std::function<void(const LayoutEntity&)>& bind) const;

  const String& menuVersion() const { return d_menuHandler.menuVersion(); }
  Entity* menuRoot() const { return d_menuHandler.root(); }
  Entity* layoutRoot() const { return d_layoutHandler.root(); }

 private:
  bool read(XMLHandler& handler, const std::string& path, const char* subject, const char* fallback);

  static MenuXmlManager* s_instance;
  LayoutMerger d_merger;
  Layout_xmlHandler d_layoutHandler;
  Menu_xmlHandler d_menuHandler;
};

}  // namespace CEGUI

#include "RUR/elements/MenuXmlManager.h"

#include <filesystem>
#include <vector>

#include "AppSet/SetXml.h"
#include "RUR/elements/Entity.h"
#include "RUR/elements/LayoutNames.h"
#include "app/AppLog.h"
#include "app/ModulePaths.h"
#include "oscompat/AtomicFile.h"

namespace CEGUI {

namespace ln = layoutnames;

MenuCommand menuCommandOf(const LayoutEntity& item) {
  const String type = item.command(ln::kCmdType);
  const String kind = item.command(ln::kKindId);
  if (type == "0") {
    if (kind == "6") return MenuCommand::PinYinSongSearch;
    if (kind == "1") return MenuCommand::WordsCountSearch;
    return MenuCommand::SongCategoryList;
  }
  if (type == "1") {
    if (kind == "4") return MenuCommand::PinYinSingerSearch;
    if (kind == "2") return MenuCommand::StrokesSearch;
    return MenuCommand::SingerCategoryList;
  }
  if (type == "3" && item.id() == "8971") return MenuCommand::SangList;
  if (type == "2" && item.id() == "8970") return MenuCommand::SongBook;
  return MenuCommand::None;
}

bool storesSongScope(MenuCommand c) {
  return c == MenuCommand::PinYinSongSearch || c == MenuCommand::WordsCountSearch || c == MenuCommand::SongCategoryList;
}
bool storesSingerScope(MenuCommand c) {
  return c == MenuCommand::PinYinSingerSearch || c == MenuCommand::StrokesSearch || c == MenuCommand::SingerCategoryList;
}
bool storesKind(MenuCommand c) { return c == MenuCommand::SongCategoryList || c == MenuCommand::SingerCategoryList; }

MenuXmlManager* MenuXmlManager::s_instance = nullptr;

MenuXmlManager::MenuXmlManager(LayoutRegistry& registry)
    : d_merger(registry), d_layoutHandler(registry), d_menuHandler(registry) {
  s_instance = this;
}

MenuXmlManager::~MenuXmlManager() {
  if (s_instance == this) s_instance = nullptr;
}

std::string MenuXmlManager::menuFile() { return moduleDirectoryUtf8() + "/PKData/AppSets/NetMenu.xml"; }
std::string MenuXmlManager::layoutFile() {
  return moduleDirectoryUtf8() + "/datafiles/layouts/PK_MainMenuPractice.layout";
}
std::string MenuXmlManager::shippedLayoutFile() {
  return moduleDirectoryUtf8() + "/datafiles/layouts/shipped/PK_MainMenuPractice.layout";
}

bool MenuXmlManager::menuFileExists() const { return std::filesystem::exists(menuFile()); }

// Reads with a parser of its own (the start-up thread reads too); a file that exists and was
// refused is kept as NAME.bad.
bool MenuXmlManager::read(XMLHandler& handler, const std::string& path, const char* subject, const char* fallback) {
  XmlReadOptions options;
  options.via = XmlReadVia::StandAlone;
  options.subject = subject;
  options.fallback = fallback;
  if (readSettingsXml(handler, path, options)) return true;
  std::string bytes;
  if (oscompat::readWholeFile(path, bytes) && bytes.find_first_not_of(" \t\r\n") != std::string::npos) {
    std::string why;
    if (!oscompat::writeFileAtomically(path + ".bad", bytes, &why))
      appLogError(std::string(subject) + ": keeping " + path + " as .bad failed: " + why);
  }
  return false;
}

bool MenuXmlManager::loadMenu() {
  d_menuHandler.reset();
  if (read(d_menuHandler, menuFile(), "practice menu", "it is kept as NetMenu.xml.bad and fetched again")) return true;
  d_menuHandler.reset();
  // A damaged document whose version still reads would be taken for current and never
  // fetched again: it goes (its content stays in the .bad copy).
  std::error_code ignored;
  if (std::filesystem::exists(menuFile() + ".bad")) std::filesystem::remove(menuFile(), ignored);
  return false;
}

bool MenuXmlManager::loadLayout() {
  const KeepXmlWhiteSpace keep;
  d_layoutHandler.reset();
  const std::string file = layoutFile();
  if (read(d_layoutHandler, file, "practice layout", "the shipped layout takes its place")) {
    if (layoutRoot()) return true;
    // Read, but no window in it: as unusable as a damaged one.
    appLogError("practice layout: " + file + " holds no window; the shipped layout takes its place");
    std::string bytes;
    if (oscompat::readWholeFile(file, bytes)) oscompat::writeFileAtomically(file + ".bad", bytes);
  }
  d_layoutHandler.reset();
  std::string shipped, why;
  if (!oscompat::readWholeFile(shippedLayoutFile(), shipped, &why)) {
    appLogError("practice layout: the shipped layout is missing: " + why);
    return false;
  }
  if (!oscompat::writeFileAtomically(file, shipped, &why))
    appLogError("practice layout: restoring the shipped layout failed: " + why);
  if (read(d_layoutHandler, shippedLayoutFile(), "shipped practice layout", "there is no practice menu") && layoutRoot())
    return true;
  d_layoutHandler.reset();
  return false;
}

void MenuXmlManager::mergeMenu() {
  if (!menuRoot() || !layoutRoot()) return;
  d_merger.merge(menuRoot(), layoutRoot());
  LayoutMerger::saveLayout(layoutRoot(), layoutFile());
}

std::string MenuXmlManager::layoutText() const {
  return layoutRoot() ? LayoutMerger::layoutText(layoutRoot()) : std::string();
}

void MenuXmlManager::bindMenuCommands(const std::function<void(const LayoutEntity&)>& bind) const {
  if (!menuRoot() || !layoutRoot()) return;
  Entity* start = layoutRoot()->findById(menuRoot()->id());
  if (!start) return;
  std::vector<Entity*> pending{start};
  while (!pending.empty()) {
    Entity* e = pending.back();
    pending.pop_back();
    if (!e->id().empty() && e->childCount() == 0) {
      if (const auto* item = dynamic_cast<const LayoutEntity*>(e)) bind(*item);
    }
    for (size_t i = e->childCount(); i-- > 0;) pending.push_back(e->childAt(i));
  }
}

}  // namespace CEGUI

#pragma once
// Menu documents and practice layouts written into the scratch installation, and the merge
// run on them.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <string>

#include "RUR/elements/Entity.h"
#include "RUR/elements/LayoutRegistry.h"
#include "RUR/elements/MenuXmlManager.h"
#include "TestSupport.h"

namespace vktest {

// A "Button" of a menu document: its ID, label and command properties, then `inner`.
inline std::string button(const std::string& id, const std::string& text, const std::string& inner = "",
                          const std::string& cmd = "", const std::string& type = "", const std::string& kind = "") {
  std::string b = "<Button ID=\"" + id + "\">";
  if (!text.empty()) b += "<Property Name=\"text\" Value=\"" + text + "\"/>";
  if (!cmd.empty()) b += "<Property Name=\"nCmdType\" Value=\"" + cmd + "\"/>";
  if (!type.empty()) b += "<Property Name=\"TypeID\" Value=\"" + type + "\"/>";
  if (!kind.empty()) b += "<Property Name=\"sTypeID\" Value=\"" + kind + "\"/>";
  return b + inner + "</Button>";
}

inline std::string menuDocument(const std::string& buttons, const std::string& version = "1") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root menuVersion=\"" + version + "\">" + buttons + "</Root>\n";
}

// A window of a version-4 layout.
inline std::string window(const std::string& type, const std::string& name, const std::string& id,
                          const std::string& inner = "") {
  std::string w = "<Window type=\"" + type + "\" name=\"" + name + "\">";
  if (!id.empty()) w += "<Property name=\"ID\" value=\"" + id + "\"/>";
  return w + inner + "</Window>";
}

inline std::string layoutDocument(const std::string& windows) {
  return "<?xml version=\"1.0\" ?>\n<GUILayout version=\"4\">" + windows + "</GUILayout>\n";
}

// Root > Root/Menubar (ID `barId`) > Root/Menubar/Practice (no ID, with its pop-up of one
// item) followed by `items`.
inline std::string practiceLayout(const std::string& items = "", const std::string& barId = "9000") {
  const std::string practice = window(
      "TaharezLook/MenuItemRUR", "Root/Menubar/Practice", "",
      "<Property name=\"Text\" value=\"参赛练歌\"/>" +
          window("TaharezLook/PopupMenuRUR", "Root/Menubar/Practice/AutoPopup", "",
                 window("TaharezLook/MenuItemRUR", "Root/Menubar/Practice/SongSel", "",
                        "<Property name=\"Text\" value=\"已点歌曲\"/>")));
  return layoutDocument(window("DefaultWindow", "Root", "",
                               window("TaharezLook/MenubarRUR", "Root/Menubar", barId, practice + items)));
}

// A GUI test with the menu files of the scratch installation and the merge's objects.
class MenuTest : public GuiTest {
 protected:
  void writeMenu(const std::string& text) { writeFile(CEGUI::MenuXmlManager::menuFile(), text); }
  void writeLayout(const std::string& text) { writeFile(CEGUI::MenuXmlManager::layoutFile(), text); }
  std::string writtenLayout() const { return readFile(CEGUI::MenuXmlManager::layoutFile()); }
  // Reads both files and merges; the layout is written back.
  void merge() {
    ASSERT_TRUE(files_.loadMenu());
    ASSERT_TRUE(files_.loadLayout());
    files_.mergeMenu();
  }
  CEGUI::Entity* layout() const { return files_.layoutRoot(); }
  CEGUI::LayoutEntity* find(const std::string& id) const {
    return dynamic_cast<CEGUI::LayoutEntity*>(layout()->findById(id));
  }
  // The window names of an entity's children, in order.
  static std::string childNames(const CEGUI::Entity* e) {
    std::string names;
    for (size_t i = 0; i < e->childCount(); ++i) {
      if (!names.empty()) names += ",";
      names += static_cast<const CEGUI::LayoutEntity*>(e->childAt(i))->windowName().c_str();
    }
    return names;
  }

  CEGUI::LayoutRegistry registry_;
  CEGUI::MenuXmlManager files_{registry_};
};

}  // namespace vktest

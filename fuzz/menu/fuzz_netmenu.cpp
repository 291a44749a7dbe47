// Fuzz target: the server's menu document (NetMenu.xml), merged into the shipped layout.
#include "MenuFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  CEGUI::LayoutRegistry registry;
  vkfuzz::writeInput(data, size);
  CEGUI::Menu_xmlHandler menu(registry);
  if (!vkfuzz::readWith(menu, vkfuzz::scratchFile()) || !menu.root()) return 0;
  vkfuzz::writeText(
      "<GUILayout version=\"4\"><Window type=\"DefaultWindow\" name=\"Root\"><Window type=\"TaharezLook/MenubarRUR\" "
      "name=\"Root/Menubar\"><Property name=\"ID\" value=\"9000\"/><Window type=\"TaharezLook/MenuItemRUR\" "
      "name=\"Root/Menubar/Practice\"/></Window></Window></GUILayout>");
  CEGUI::Layout_xmlHandler layout(registry);
  if (!vkfuzz::readWith(layout, vkfuzz::scratchFile()) || !layout.root()) vkfuzz::fail("the fixed layout did not read");
  CEGUI::LayoutMerger(registry).merge(menu.root(), layout.root());
  vkfuzz::checkLayoutRoundTrip(registry, layout.root());
  return 0;
}

// Fuzz target: the practice layout, with a fixed menu merged into it.
#include "MenuFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  CEGUI::LayoutRegistry registry;
  vkfuzz::writeInput(data, size);
  CEGUI::Layout_xmlHandler layout(registry);
  bool read = false;
  {
    const CEGUI::KeepXmlWhiteSpace keep;
    read = vkfuzz::readWith(layout, vkfuzz::scratchFile());
  }
  if (!read || !layout.root()) return 0;
  vkfuzz::writeText(
      "<Root menuVersion=\"1\"><Button ID=\"9000\"><Button ID=\"9100\"><Property Name=\"text\" Value=\"分类点歌\"/>"
      "<Button ID=\"9101\"><Property Name=\"text\" Value=\"流行\"/><Property Name=\"nCmdType\" Value=\"0\"/>"
      "</Button></Button><Button ID=\"8971\"><Property Name=\"text\" Value=\"已唱歌曲\"/></Button></Button></Root>");
  CEGUI::Menu_xmlHandler menu(registry);
  if (!vkfuzz::readWith(menu, vkfuzz::scratchFile()) || !menu.root()) vkfuzz::fail("the fixed menu did not read");
  CEGUI::LayoutMerger(registry).merge(menu.root(), layout.root());
  vkfuzz::checkLayoutRoundTrip(registry, layout.root());
  return 0;
}

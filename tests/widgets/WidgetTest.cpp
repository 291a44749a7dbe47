#include "WidgetTest.h"

#include <CEGUI/falagard/XMLHandler.h>

namespace vktest {

// Parses looks given as text, as the look manager does with a looknfeel file.
void WidgetTest::addLooks(const std::string& widgetLooks) {
  const std::string document = "<Falagard version=\"7\">" + widgetLooks + "</Falagard>";
  CEGUI::RawDataContainer data;
  data.setData(reinterpret_cast<CEGUI::uint8*>(const_cast<char*>(document.data())));
  data.setSize(document.size());
  CEGUI::Falagard_xmlHandler handler(&CEGUI::WidgetLookManager::getSingleton());
  CEGUI::System::getSingleton().getXMLParser()->parseXML(handler, data, "");
  data.setData(nullptr);  // the text is not the container's to free
}

CEGUI::Window* WidgetTest::createWithLook(const CEGUI::String& type, const CEGUI::String& renderer,
                                          const CEGUI::String& look, float w, float h) {
  CEGUI::Window* window = CEGUI::WindowManager::getSingleton().createWindow(type);
  window->setWindowRenderer(renderer);
  window->setLookNFeel(look);
  window->setArea(CEGUI::URect(CEGUI::UDim(0, 100), CEGUI::UDim(0, 100), CEGUI::UDim(0, 100 + w),
                               CEGUI::UDim(0, 100 + h)));
  sheet()->addChild(window);
  return window;
}

CEGUI::Window* WidgetTest::loadLayoutText(const std::string& windows) {
  CEGUI::Window* root = CEGUI::WindowManager::getSingleton().loadLayoutFromString(
      "<?xml version=\"1.0\" ?><GUILayout version=\"4\">" + windows + "</GUILayout>");
  sheet()->addChild(root);
  return root;
}

void WidgetTest::hover(CEGUI::Window* window, float fx, float fy) {
  const CEGUI::Rectf area = window->getUnclippedOuterRect().get();
  shell().injectMouseMove(area.left() + area.getWidth() * fx, area.top() + area.getHeight() * fy);
}

}  // namespace vktest

#include "WidgetTest.h"

namespace vktest {

void WidgetTest::addLooks(const std::string& widgetLooks) {
  CEGUI::WidgetLookManager::getSingleton().parseLookNFeelSpecificationFromString(
      "<Falagard version=\"7\">" + widgetLooks + "</Falagard>");
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

#pragma once
// The widget suites' fixture: the headless shell with the module's scheme, plus helpers to
// build windows and looks.
#include <CEGUI/CEGUI.h>

#include <string>

#include "TestSupport.h"

namespace vktest {

class WidgetTest : public GuiTest {
 protected:
  // A window of `type` on the sheet (or under `parent`) at a pixel rectangle.
  template <class T = CEGUI::Window>
  T* create(const CEGUI::String& type, const CEGUI::String& name, float x, float y, float w, float h,
            CEGUI::Window* parent = nullptr) {
    CEGUI::Window* window = CEGUI::WindowManager::getSingleton().createWindow(type, name);
    window->setArea(CEGUI::URect(CEGUI::UDim(0, x), CEGUI::UDim(0, y), CEGUI::UDim(0, x + w), CEGUI::UDim(0, y + h)));
    (parent ? parent : sheet())->addChild(window);
    return dynamic_cast<T*>(window);
  }
  // Adds the looks of a Falagard document given as its WidgetLook elements.
  static void addLooks(const std::string& widgetLooks);
  // A window of the stock `type` drawn by `renderer` with the look `look`.
  CEGUI::Window* createWithLook(const CEGUI::String& type, const CEGUI::String& renderer,
                                const CEGUI::String& look, float w = 200, float h = 60);
  // A layout given as its text, added to the sheet.
  CEGUI::Window* loadLayoutText(const std::string& windows);
  // The mouse to a point of a window given as shares of its size.
  void hover(CEGUI::Window* window, float fx = 0.5f, float fy = 0.5f);
  // One frame of the loop, drawn (the headless shell itself draws nothing).
  void drawAll() {
    shell().runFrame();
    CEGUI::System::getSingleton().renderAllGUIContexts();
  }
  void mouseDown() { shell().injectMouseButtonDown(CEGUI::LeftButton); }
  void mouseUp() { shell().injectMouseButtonUp(CEGUI::LeftButton); }
  void press(CEGUI::Key::Scan key) { pressKey(key); }
};

}  // namespace vktest

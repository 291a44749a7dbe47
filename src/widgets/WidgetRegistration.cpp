#include "widgets/WidgetRegistration.h"

#include <CEGUI/CEGUI.h>

#include "widgets/FalagardButtonEx.h"

void registerWidgets() {
  auto& renderers = CEGUI::WindowRendererManager::getSingleton();
  if (!renderers.isFactoryPresent(CEGUI::FalagardButtonEx::TypeName))
    renderers.addFactory<CEGUI::TplWindowRendererFactory<CEGUI::FalagardButtonEx>>();
}

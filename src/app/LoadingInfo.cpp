#include "app/LoadingInfo.h"

#include <CEGUI/Window.h>

#include "app/WindowPath.h"

void showLoadingInfo(bool show) {
  if (CEGUI::Window* w = findWindow("AppRoot/LoadingInfo")) w->setVisible(show);
}

#include "widgets/WidgetRegistration.h"

#include <CEGUI/CEGUI.h>

#include "widgets/FalImageRadioButton.h"
#include "widgets/FalagardButtonEx.h"
#include "widgets/FalagardMySlider.h"
#include "widgets/ImageProgressBar.h"
#include "widgets/ItemViewWnd.h"
#include "widgets/LyricsWnd.h"
#include "widgets/MelodyWnd.h"
#include "widgets/MenuRURMouse.h"
#include "widgets/MultiColumnListEx.h"
#include "widgets/VideoWnd.h"

namespace {

template <class T>
void addWindowType() {
  auto& windows = CEGUI::WindowFactoryManager::getSingleton();
  if (!windows.isFactoryPresent(T::WidgetTypeName))
    windows.addFactory<CEGUI::TplWindowFactory<T>>();
}

template <class T>
void addRenderer() {
  auto& renderers = CEGUI::WindowRendererManager::getSingleton();
  if (!renderers.isFactoryPresent(T::TypeName))
    renderers.addFactory<CEGUI::TplWindowRendererFactory<T>>();
}

}  // namespace

// The order is fixed: the factories are created, and logged, in this order.
void registerWidgets() {
  using namespace CEGUI;
  addWindowType<ImageProgressBar>();
  addRenderer<FalagardImageProgressBar>();
  addWindowType<LyricsWnd>();
  addRenderer<FalagardLyricsText>();
  addWindowType<MenuItemRURMouse>();
  addWindowType<MenubarRURMouse>();
  addWindowType<PopupMenuRURMouse>();
  addRenderer<FalagardMenuItemRURMouse>();
  addWindowType<MelodyWnd>();
  addRenderer<FalagardMelody>();
  addRenderer<FalImageRadioButton>();
  addWindowType<ItemViewWnd>();
  addRenderer<FalaItemView>();
  addWindowType<VideoWnd>();
  addRenderer<FalagardVideo>();
  addWindowType<MultiColumnListEx>();
  addRenderer<FalagardButtonEx>();
  addRenderer<FalagardMySlider>();
}

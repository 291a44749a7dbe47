#include "dialogs/RechargeImages.h"

#include <CEGUI/CEGUI.h>

void loadRechargeImages() {
  try {
    CEGUI::ImageManager& images = CEGUI::ImageManager::getSingleton();
    if (!images.isDefined("Recharge/Coin")) images.loadImageset("Recharge.imageset");
  } catch (const CEGUI::Exception&) {
    // The library has logged why; the dialogs show their texts and buttons all the same.
  }
}

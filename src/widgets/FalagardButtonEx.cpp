#include "widgets/FalagardButtonEx.h"

#include <CEGUI/CEGUI.h>

namespace CEGUI {

const String FalagardButtonEx::TypeName("Falagard/ButtonEx");

FalagardButtonEx::FalagardButtonEx(const String& type) : FalagardButton(type) {}

String FalagardButtonEx::currentStateName() const {
  const auto* w = static_cast<const ButtonBase*>(d_window);
  String state;
  if (w->isEffectiveDisabled())
    state = "Disabled";
  else if (w->isPushed())
    state = w->isHovering() ? "Pushed" : "PushedOff";
  else if (w->isHovering() || w->isActive())
    state = "Hover";
  else
    state = "Normal";
  if (state != "Normal" && !getLookNFeel().isStateImageryPresent(actualStateName(state)))
    state = "Normal";
  return state;
}

void FalagardButtonEx::render() {
  const WidgetLookFeel& look = getLookNFeel();
  const Rectf area(Vector2f(0, 0), d_window->getPixelSize());
  look.getStateImagery(actualStateName(currentStateName())).render(*d_window, area, nullptr, &area);
}

}  // namespace CEGUI

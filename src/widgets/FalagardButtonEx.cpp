#include "widgets/FalagardButtonEx.h"

#include <CEGUI/CEGUI.h>

#include "widgets/ButtonStates.h"

namespace CEGUI {

const String FalagardButtonEx::TypeName("Falagard/ButtonEx");

FalagardButtonEx::FalagardButtonEx(const String& type) : FalagardButton(type) {}

String FalagardButtonEx::currentStateName() const {
  return buttonStateName(*static_cast<const ButtonBase*>(d_window), getLookNFeel(),
                         [this](const String& s) { return actualStateName(s); });
}

void FalagardButtonEx::render() {
  const WidgetLookFeel& look = getLookNFeel();
  const Rectf area(Vector2f(0, 0), d_window->getPixelSize());
  look.getStateImagery(actualStateName(currentStateName())).render(*d_window, area, nullptr, &area);
}

}  // namespace CEGUI

#include "widgets/FalImageRadioButton.h"

#include <CEGUI/CEGUI.h>

#include "widgets/ButtonStates.h"

namespace CEGUI {

const String FalImageRadioButton::TypeName("Falagard/FalImageRadioButton");

FalImageRadioButton::FalImageRadioButton(const String& type) : FalagardToggleButton(type) {}

String FalImageRadioButton::currentStateName() const {
  return buttonStateName(*static_cast<const ButtonBase*>(d_window), getLookNFeel(),
                         [this](const String& s) { return actualStateName(s); });
}

void FalImageRadioButton::render() {
  const String state = drawnStateName();
  const WidgetLookFeel& look = getLookNFeel();
  if (look.isStateImageryPresent(state)) look.getStateImagery(state).render(*d_window);
}

}  // namespace CEGUI

#include "widgets/ButtonStates.h"

#include <CEGUI/CEGUI.h>

namespace CEGUI {

String buttonStateName(const ButtonBase& button, const WidgetLookFeel& look,
                       const std::function<String(const String&)>& actual) {
  String state;
  if (button.isEffectiveDisabled())
    state = "Disabled";
  else if (button.isPushed())
    state = button.isHovering() ? "Pushed" : "PushedOff";
  else if (button.isHovering() || button.isActive())
    state = "Hover";
  else
    state = "Normal";
  if (state != "Normal" && !look.isStateImageryPresent(actual(state))) state = "Normal";
  return state;
}

}  // namespace CEGUI

#pragma once
// The state a button-like renderer draws, shared by the push-button and radio-button
// renderers: the keyboard focus shows as hover, since most screens are driven by arrow keys.
#include <CEGUI/String.h>

#include <functional>

namespace CEGUI {

class ButtonBase;
class WidgetLookFeel;

// "Disabled" when disabled; else, while pushed, "Pushed" with the mouse over the button and
// "PushedOff" without; else "Hover" with the mouse over it or the keyboard focus; else
// "Normal". A state other than "Normal" whose imagery (after `actual`, the renderer's own
// naming of states) the look lacks becomes "Normal".
String buttonStateName(const ButtonBase& button, const WidgetLookFeel& look,
                       const std::function<String(const String&)>& actual);

}  // namespace CEGUI

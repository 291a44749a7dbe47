#pragma once
// Desktop switches the module flips: the screen saver and the system mouse cursor. They act
// on the SDL video subsystem when it runs and are remembered either way.
namespace oscompat {

void setScreenSaverEnabled(bool enabled);
bool isScreenSaverEnabled();
void showSystemCursor(bool show);
bool isSystemCursorShown();

}  // namespace oscompat

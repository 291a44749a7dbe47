#pragma once
// The four input-injection events. The GUI library of this platform has no such events on
// its System, so the shell fires them through the System's event set right after it has
// injected the input into the GUI context. Subscribe with
// CEGUI::System::getSingleton().subscribeEvent(System_EventInjectKeyDown, ...).
#include <CEGUI/String.h>

#include <cstdint>

namespace guishell {
extern const CEGUI::String System_EventInjectKeyDown;          // KeyEventArgs (scancode)
extern const CEGUI::String System_EventInjectMouseMove;        // MouseEventArgs (position)
extern const CEGUI::String System_EventInjectMouseButtonDown;  // MouseEventArgs (button)
extern const CEGUI::String System_EventIinjectMouseWheelChange;  // MouseEventArgs (wheelChange)

// Counts injected input events: it grows as each input event starts, before the GUI context
// sees it. Work done while an event is being handled carries that event's number, so the
// injection event that follows can tell it from what was there before. GUI thread.
uint64_t currentInputSerial();
void beginInputEvent();
}  // namespace guishell

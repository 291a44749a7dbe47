#pragma once
// SDL scancodes to the GUI library's key codes (the scan codes the module's key map uses:
// 1 Escape, 28 Return, 200/208/203/205 the arrows, 162 play/pause, 164 media stop, ...).
#include <CEGUI/InputEvent.h>

namespace guishell {

// `sdlScancode` is an SDL_Scancode value; unknown keys give Key::Unknown.
CEGUI::Key::Scan keyFromSdlScancode(int sdlScancode);
// SDL mouse button index (1 left, 2 middle, 3 right, 4/5 extra) to the GUI library's button.
CEGUI::MouseButton mouseButtonFromSdl(int sdlButton);

}  // namespace guishell

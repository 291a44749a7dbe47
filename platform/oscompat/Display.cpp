#include "oscompat/Display.h"

#include <SDL.h>

#include <atomic>

namespace oscompat {
namespace {
std::atomic<bool> screenSaver{true};
std::atomic<bool> cursorShown{true};
bool videoRunning() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }
}  // namespace

void setScreenSaverEnabled(bool enabled) {
  screenSaver = enabled;
  if (!videoRunning()) return;
  if (enabled)
    SDL_EnableScreenSaver();
  else
    SDL_DisableScreenSaver();
}

bool isScreenSaverEnabled() { return screenSaver; }

void showSystemCursor(bool show) {
  cursorShown = show;
  if (videoRunning()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool isSystemCursorShown() { return cursorShown; }

}  // namespace oscompat

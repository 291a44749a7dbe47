#pragma once
// The shell's private state, shared by its source files.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "guishell/CEGuiSample.h"
#include "guishell/FrameReadback.h"
#include "guishell/FrameStats.h"
#include "guishell/ShellClock.h"

struct SDL_Window;
namespace CEGUI {
class Renderer;
}

namespace guishell {

class ShellLogger;

struct ShellState {
  ShellWindowSettings settings;
  bool headlessForced = false;
  bool headless = false;
  bool started = false;
  bool quit = false;
  bool quitHandled = false;
  int exitCode = 0;

  SteadyClock steadyClock;
  ShellClock* clock = &steadyClock;
  uint64_t lastPulseMs = 0;

  ShellLogger* logger = nullptr;  // owned; outlives the GUI system
  CEGUI::Renderer* renderer = nullptr;
  bool nullRenderer = false;

  SDL_Window* window = nullptr;
  void* glContext = nullptr;  // SDL_GLContext
  void* cursor = nullptr;     // SDL_Cursor*
  std::atomic<bool> raiseRequested{false};
  std::string screenshotPath;
  FrameStats frameStats;
  FrameReadback frameReadback;
};

// True when no display is usable or VOKARAN_HEADLESS=1.
bool headlessByEnvironment();

}  // namespace guishell

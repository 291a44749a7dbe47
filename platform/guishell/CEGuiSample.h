#pragma once
// The application shell: owns the main window (SDL2 + the GUI library's OpenGL3 renderer, or
// the NullRenderer when headless), the GUI system and the loop. The application derives from
// it and implements the two hooks: initialiseApp (once, on the GUI thread, after the GUI
// system, its XML parser and the resource paths exist) and cleanupApp (once, on the GUI
// thread, after the loop ends and before the GUI system goes away).
#include <CEGUI/InputEvent.h>
#include <CEGUI/String.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace CEGUI {
class GUIContext;
class Window;
}  // namespace CEGUI

namespace guishell {
class ShellClock;
struct ShellState;
}  // namespace guishell

struct ShellWindowSettings {
  bool windowed = true;
  int width = 1440;
  int height = 900;
};

class CEGuiSample {
 public:
  CEGuiSample();
  virtual ~CEGuiSample();
  CEGuiSample(const CEGuiSample&) = delete;
  CEGuiSample& operator=(const CEGuiSample&) = delete;

  // Start-up, the loop until quit, clean-up. Returns the exit code (0 after a quit, 1 when
  // the GUI could not start).
  int run();

  // The platform application's quit: with true the loop ends after the current frame.
  // GUI thread; other threads post an event whose handler calls it.
  void quit(bool doQuit);
  bool quitRequested() const;

  // Window mode and size; read when the window is created.
  ShellWindowSettings& windowSettings();

  // Headless: the NullRenderer and no window. Chosen automatically when VOKARAN_HEADLESS=1
  // or no display is available; tests force it.
  void setHeadless(bool headless);
  bool isHeadless() const;
  // The clock for timers and time pulses (not owned); null selects the steady clock.
  void setClock(guishell::ShellClock* clock);

  // Stepping without run() (tests and tools):
  bool startUp();     // the GUI system, then initialise()
  void runFrame();    // input, posted events, due timers, time pulse, drawing
  // Virtual clock: moves time forward by `ms`, firing every due timer at its own time and
  // delivering posted events in between.
  void advance(uint64_t ms);
  // Delivers posted events until `done` holds or `realTimeoutMs` of real time passed (waiting
  // for other threads, without advancing the clock). True when `done` held.
  bool pumpUntil(const std::function<bool()>& done, unsigned realTimeoutMs = 10000);
  void shutDown();    // cleanup(), then the GUI system and the window go away
  bool isStarted() const;

  CEGUI::GUIContext& guiContext();

  // Input as the loop injects it: into the GUI context, then the matching injection event.
  void injectKeyDown(CEGUI::Key::Scan key);
  void injectKeyUp(CEGUI::Key::Scan key);
  void injectChar(CEGUI::String::value_type codePoint);
  void injectMouseMove(float x, float y);
  void injectMouseButtonDown(CEGUI::MouseButton button);
  void injectMouseButtonUp(CEGUI::MouseButton button);
  void injectMouseWheel(float delta);
  // Moves the mouse to the middle of `window` and clicks the left button.
  void clickWindow(CEGUI::Window* window);

  // SIGINT and SIGTERM end the loop as a quit does (the clean-up hook still runs).
  static void installTerminationHandlers();

  // Any thread: brings the main window to the front at the next frame.
  void requestRaise();
  // The main window's cursor from a Windows cursor file (PNG payload); false when it cannot
  // be used (headless, unreadable file).
  bool setMainWindowCursor(const std::string& curFile);
  // Windowed only: saves the next drawn frame as a PNG file.
  void requestScreenshot(const std::string& pngFile);

 protected:
  virtual bool initialise();
  virtual void cleanup();
  virtual bool initialiseApp() = 0;
  virtual void cleanupApp() = 0;

 private:
  bool createRenderer();
  void destroyRenderer();
  void setUpResources();
  void pollWindowInput();
  void deliverPosted();
  void fireDueTimers();
  void timePulse();
  void drawFrame();
  void waitForWork();
  void wakeWindowLoop();
  void fireInjectionEvent(const CEGUI::String& name, CEGUI::EventArgs& args);

  std::unique_ptr<guishell::ShellState> d_;
};

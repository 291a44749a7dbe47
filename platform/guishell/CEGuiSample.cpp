#include "guishell/CEGuiSample.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>

#include <csignal>
#include <chrono>
#include <cstdlib>
#include <exception>

#include "guishell/CEGUITimer.h"
#include "guishell/PostQueue.h"
#include "guishell/ShellEvents.h"
#include "guishell/ShellLogger.h"
#include "guishell/ShellRuntime.h"
#include "guishell/ShellState.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Log.h"
#include "oscompat/Paths.h"

namespace guishell {

const CEGUI::String System_EventInjectKeyDown("InjectKeyDown");
const CEGUI::String System_EventInjectMouseMove("InjectMouseMove");
const CEGUI::String System_EventInjectMouseButtonDown("InjectMouseButtonDown");
const CEGUI::String System_EventIinjectMouseWheelChange("IinjectMouseWheelChange");

namespace {
uint64_t inputSerial = 0;
volatile std::sig_atomic_t terminationSignal = 0;
void onTerminationSignal(int sig) {
  terminationSignal = sig;
  // Wakes a headless loop waiting for posted events (nothing else is safe in a handler).
}
}
uint64_t currentInputSerial() { return inputSerial; }
void beginInputEvent() { ++inputSerial; }

bool headlessByEnvironment() {
  const char* forced = std::getenv("VOKARAN_HEADLESS");
  if (forced && *forced && std::string(forced) != "0") return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return !(x11 && *x11) && !(wayland && *wayland);
}

namespace {

void logLine(const CEGUI::String& line, CEGUI::LoggingLevel level = CEGUI::Standard) {
  if (auto* logger = CEGUI::Logger::getSingletonPtr()) logger->logEvent(line, level);
}

void logHandlerError(const char* what) {
  logLine(CEGUI::String("Exception in an event handler: ") + what, CEGUI::Errors);
}

// Runs `body`, logging any exception instead of letting it end the loop.
template <typename F>
void guarded(const char* where, F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    logLine(CEGUI::String("Exception in an event handler (") + where + "): " + e.what(),
            CEGUI::Errors);
  } catch (...) {
    logLine(CEGUI::String("Unknown exception in an event handler (") + where + ")",
            CEGUI::Errors);
  }
}

}  // namespace
}  // namespace guishell

using guishell::guarded;
using guishell::logLine;

CEGuiSample::CEGuiSample() : d_(std::make_unique<guishell::ShellState>()) {}

CEGuiSample::~CEGuiSample() {
  if (d_->started) shutDown();
}

ShellWindowSettings& CEGuiSample::windowSettings() { return d_->settings; }

void CEGuiSample::setHeadless(bool headless) {
  d_->headlessForced = headless;
  d_->headless = headless;
}

bool CEGuiSample::isHeadless() const { return d_->headless; }

void CEGuiSample::setClock(guishell::ShellClock* clock) {
  d_->clock = clock ? clock : &d_->steadyClock;
  guishell::TimerScheduler::instance().setClock(d_->clock);
}

bool CEGuiSample::isStarted() const { return d_->started; }

void CEGuiSample::quit(bool doQuit) { d_->quit = doQuit; }

bool CEGuiSample::quitRequested() const { return d_->quit; }

CEGUI::GUIContext& CEGuiSample::guiContext() {
  return CEGUI::System::getSingleton().getDefaultGUIContext();
}

bool CEGuiSample::initialise() { return initialiseApp(); }

void CEGuiSample::cleanup() { cleanupApp(); }

int CEGuiSample::run() {
  if (!startUp()) {
    shutDown();
    return 1;
  }
  while (!d_->quit) {
    runFrame();
    if (!d_->quit) waitForWork();
  }
  if (!d_->frameStats.write()) oscompat::log(oscompat::LogLevel::Error, "the frame statistics were not written");
  shutDown();
  return d_->exitCode;
}

bool CEGuiSample::startUp() {
  if (d_->started) return true;
  guishell::ShellRuntime::setGuiThread();
  guishell::TimerScheduler::instance().setClock(d_->clock);
  if (!d_->headlessForced) d_->headless = guishell::headlessByEnvironment();

  // Our logger first, so the GUI library does not create its own in the working folder.
  d_->logger = new guishell::ShellLogger();
  const std::string logFile = oscompat::moduleDirectory() + "/CEGUI.log";
  d_->logger->setLogFilename(logFile.c_str(), false);
  oscompat::setLogSink([](oscompat::LogLevel level, const std::string& line) {
    const auto cegui = level == oscompat::LogLevel::Error     ? CEGUI::Errors
                       : level == oscompat::LogLevel::Warning ? CEGUI::Warnings
                                                              : CEGUI::Standard;
    if (auto* logger = CEGUI::Logger::getSingletonPtr())
      logger->logEvent(CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(line.c_str())), cegui);
  });

  if (!createRenderer()) return false;
  CEGUI::System::setDefaultXMLParserName("TinyXMLParser");
  CEGUI::System::setDefaultImageCodecName("FreeImageImageCodec");
  try {
    CEGUI::System::create(*d_->renderer, nullptr, nullptr, nullptr, nullptr, "", logFile.c_str());
  } catch (const std::exception& e) {
    oscompat::log(oscompat::LogLevel::Error, std::string("CEGUI::System::create failed: ") + e.what());
    return false;
  }
  setUpResources();
  auto& context = guiContext();
  // Two clicks are a double click only within this time; a virtual clock makes the GUI
  // library's wall-clock measure meaningless, so tests inject double clicks explicitly.
  if (d_->clock->isVirtual()) context.setMouseButtonMultiClickTimeout(0.0f);

  d_->lastPulseMs = d_->clock->nowMs();
  guishell::postQueue().openForWork();
  guishell::postQueue().setWaker([this] { wakeWindowLoop(); });
  d_->started = true;

  bool ok = false;
  guarded("initialise", [&] { ok = initialise(); });
  if (!ok) logLine("The application's initialisation failed.", CEGUI::Errors);
  return ok;
}

void CEGuiSample::shutDown() {
  if (!d_->started) return;
  guishell::postQueue().setWaker(nullptr);
  // No more hand-overs: threads waiting for the GUI learn that their work will not run.
  guishell::postQueue().closeForWork();
  if (!d_->quitHandled) {
    d_->quitHandled = true;
    guarded("cleanup", [&] { cleanup(); });
  }
  // Events posted after the end are dropped unfired.
  guishell::postQueue().clear();
  CEGUI::System::destroy();
  destroyRenderer();
  oscompat::setLogSink(nullptr);
  delete d_->logger;
  d_->logger = nullptr;
  guishell::ShellRuntime::clearGuiThread();
  d_->started = false;
}

void CEGuiSample::setUpResources() {
  auto* rp = static_cast<CEGUI::DefaultResourceProvider*>(
      CEGUI::System::getSingleton().getResourceProvider());
  const std::string data = oscompat::moduleDirectory() + "/datafiles/";
  rp->setResourceGroupDirectory("schemes", (data + "schemes/").c_str());
  rp->setResourceGroupDirectory("imagesets", (data + "imagesets/").c_str());
  rp->setResourceGroupDirectory("fonts", (data + "fonts/").c_str());
  rp->setResourceGroupDirectory("layouts", (data + "layouts/").c_str());
  rp->setResourceGroupDirectory("looknfeels", (data + "looknfeel/").c_str());
  rp->setResourceGroupDirectory("animations", (data + "animations/").c_str());
  // The stock imagery and looks of the GUI library's data package, and the CJK font files.
  const char* stock = std::getenv("VOKARAN_CEGUI_DATA");
  const std::string stockDir = (stock && *stock) ? stock : "/usr/share/cegui-0.8.7";
  rp->setResourceGroupDirectory("stock_imagesets", (stockDir + "/imagesets/").c_str());
  rp->setResourceGroupDirectory("stock_looknfeels", (stockDir + "/looknfeel/").c_str());
  rp->setResourceGroupDirectory("system_fonts", "/usr/share/fonts/truetype/wqy/");

  CEGUI::ImageManager::setImagesetDefaultResourceGroup("imagesets");
  CEGUI::Font::setDefaultResourceGroup("fonts");
  CEGUI::Scheme::setDefaultResourceGroup("schemes");
  CEGUI::WidgetLookManager::setDefaultResourceGroup("looknfeels");
  CEGUI::WindowManager::setDefaultResourceGroup("layouts");
  CEGUI::AnimationManager::setDefaultResourceGroup("animations");
}

void CEGuiSample::installTerminationHandlers() {
  struct sigaction action{};
  action.sa_handler = guishell::onTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void CEGuiSample::runFrame() {
  if (guishell::terminationSignal) {
    guishell::logLine("Termination signal received; quitting");
    guishell::terminationSignal = 0;
    quit(true);
  }
  d_->frameStats.frameStart();
  pollWindowInput();
  deliverPosted();
  fireDueTimers();
  timePulse();
  d_->frameStats.updateDone();
  drawFrame();
  d_->frameStats.frameDone();
  // Windows destroyed during this frame are freed now, outside every handler.
  CEGUI::WindowManager::getSingleton().cleanDeadPool();
}

void CEGuiSample::deliverPosted() {
  auto items = guishell::postQueue().takeAll();
  for (auto& item : items) {
    if (item.work) {
      // Exceptions reach the waiting thread through its future.
      item.work();
      continue;
    }
    CEGUI::EventSet* target =
        item.toGlobalSet ? CEGUI::GlobalEventSet::getSingletonPtr() : item.target;
    if (!target) continue;
    guarded(item.name.c_str(), [&] {
      target->fireEvent(item.name, *item.args, item.eventNamespace);
    });
    // item.args is freed with the item, after the handlers ran.
  }
}

void CEGuiSample::fireDueTimers() {
  guishell::TimerScheduler::instance().fireDue(d_->clock->nowMs(), guishell::logHandlerError);
}

void CEGuiSample::timePulse() {
  const uint64_t now = d_->clock->nowMs();
  const float elapsed = static_cast<float>(now - d_->lastPulseMs) / 1000.0f;
  d_->lastPulseMs = now;
  guarded("time pulse", [&] {
    CEGUI::System::getSingleton().injectTimePulse(elapsed);
    guiContext().injectTimePulse(elapsed);
  });
}

void CEGuiSample::advance(uint64_t ms) {
  auto* clock = dynamic_cast<guishell::VirtualClock*>(d_->clock);
  if (!clock) return;
  const uint64_t target = clock->nowMs() + ms;
  auto& scheduler = guishell::TimerScheduler::instance();
  deliverPosted();
  while (true) {
    const uint64_t next = scheduler.nextDue();
    if (next > target) break;
    if (next > clock->nowMs()) clock->set(next);
    timePulse();
    deliverPosted();
    fireDueTimers();
    deliverPosted();
  }
  clock->set(target);
  timePulse();
  deliverPosted();
  CEGUI::WindowManager::getSingleton().cleanDeadPool();
}

bool CEGuiSample::pumpUntil(const std::function<bool()>& done, unsigned realTimeoutMs) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(realTimeoutMs);
  while (true) {
    deliverPosted();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    guishell::postQueue().waitUntil(
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
  }
}

void CEGuiSample::fireInjectionEvent(const CEGUI::String& name, CEGUI::EventArgs& args) {
  guarded(name.c_str(), [&] { CEGUI::System::getSingleton().fireEvent(name, args, ""); });
}

void CEGuiSample::injectKeyDown(CEGUI::Key::Scan key) {
  guishell::beginInputEvent();
  guarded("key down", [&] { guiContext().injectKeyDown(key); });
  CEGUI::KeyEventArgs args(guiContext().getRootWindow());
  args.scancode = key;
  fireInjectionEvent(guishell::System_EventInjectKeyDown, args);
}

void CEGuiSample::injectKeyUp(CEGUI::Key::Scan key) {
  guishell::beginInputEvent();
  guarded("key up", [&] { guiContext().injectKeyUp(key); });
}

void CEGuiSample::injectChar(CEGUI::String::value_type codePoint) {
  guishell::beginInputEvent();
  guarded("char", [&] { guiContext().injectChar(codePoint); });
}

void CEGuiSample::injectMouseMove(float x, float y) {
  guishell::beginInputEvent();
  guarded("mouse move", [&] { guiContext().injectMousePosition(x, y); });
  CEGUI::MouseEventArgs args(guiContext().getRootWindow());
  args.position = CEGUI::Vector2f(x, y);
  fireInjectionEvent(guishell::System_EventInjectMouseMove, args);
}

void CEGuiSample::injectMouseButtonDown(CEGUI::MouseButton button) {
  guishell::beginInputEvent();
  guarded("mouse down", [&] { guiContext().injectMouseButtonDown(button); });
  CEGUI::MouseEventArgs args(guiContext().getRootWindow());
  args.button = button;
  args.position = guiContext().getMouseCursor().getPosition();
  fireInjectionEvent(guishell::System_EventInjectMouseButtonDown, args);
}

void CEGuiSample::injectMouseButtonUp(CEGUI::MouseButton button) {
  guishell::beginInputEvent();
  guarded("mouse up", [&] { guiContext().injectMouseButtonUp(button); });
}

void CEGuiSample::injectMouseWheel(float delta) {
  guishell::beginInputEvent();
  guarded("mouse wheel", [&] { guiContext().injectMouseWheelChange(delta); });
  CEGUI::MouseEventArgs args(guiContext().getRootWindow());
  args.wheelChange = delta;
  args.position = guiContext().getMouseCursor().getPosition();
  fireInjectionEvent(guishell::System_EventIinjectMouseWheelChange, args);
}

void CEGuiSample::clickWindow(CEGUI::Window* window) {
  if (!window) return;
  const CEGUI::Rectf area = window->getUnclippedOuterRect().get();
  injectMouseMove(area.left() + area.getWidth() / 2, area.top() + area.getHeight() / 2);
  injectMouseButtonDown(CEGUI::LeftButton);
  injectMouseButtonUp(CEGUI::LeftButton);
}

void CEGuiSample::requestRaise() {
  d_->raiseRequested = true;
  wakeWindowLoop();
}

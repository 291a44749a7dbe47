// The shell's window side: the SDL2 window with its OpenGL 3.2 core context, the GUI
// library's renderer (OpenGL3, or Null when headless), window input, drawing, the cursor and
// screenshots.
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <CEGUI/RendererModules/OpenGL/GL3Renderer.h>
#include <FreeImage.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <vector>

#include "guishell/CEGUITimer.h"
#include "guishell/CEGuiSample.h"
#include "guishell/KeyTranslation.h"
#include "guishell/PostQueue.h"
#include "guishell/ShellState.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Log.h"
#include "oscompat/Utf.h"

namespace {

Uint32 wakeEventType() {
  static const Uint32 type = SDL_RegisterEvents(1);
  return type;
}

void logError(const std::string& line) { oscompat::log(oscompat::LogLevel::Error, line); }

}  // namespace

bool CEGuiSample::createRenderer() {
  auto& s = d_->settings;
  const int width = s.width > 0 ? s.width : 1440;
  const int height = s.height > 0 ? s.height : 900;
  if (!d_->headless) {
    // Termination signals are the shell's to handle (they quit), not SDL's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      logError(std::string("SDL_Init(SDL_INIT_VIDEO) failed: ") + SDL_GetError() +
               "; running without a window");
      d_->headless = true;
    }
  }
  if (!d_->headless) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const std::string title = oscompat::utf8FromWide(Win32AppHelper::applicationName());
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (!s.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    d_->window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  width, height, flags);
    if (!d_->window) {
      logError(std::string("SDL_CreateWindow failed: ") + SDL_GetError());
    } else {
      d_->glContext = SDL_GL_CreateContext(d_->window);
      if (!d_->glContext) logError(std::string("SDL_GL_CreateContext failed: ") + SDL_GetError());
    }
    if (!d_->window || !d_->glContext) {
      destroyRenderer();
      d_->headless = true;
    }
  }
  try {
    if (d_->headless) {
      auto& null = CEGUI::NullRenderer::create();
      null.setDisplaySize(CEGUI::Sizef(static_cast<float>(width), static_cast<float>(height)));
      d_->renderer = &null;
      d_->nullRenderer = true;
    } else {
      SDL_GL_SetSwapInterval(1);
      int w = width, h = height;
      SDL_GL_GetDrawableSize(d_->window, &w, &h);
      d_->renderer = &CEGUI::OpenGL3Renderer::create(
          CEGUI::Sizef(static_cast<float>(w), static_cast<float>(h)));
      d_->nullRenderer = false;
      d_->frameReadback.contextCreated();
      SDL_StartTextInput();
    }
  } catch (const std::exception& e) {
    logError(std::string("creating the GUI renderer failed: ") + e.what());
    return false;
  }
  return true;
}

void CEGuiSample::destroyRenderer() {
  d_->frameReadback.contextDestroyed();
  if (d_->renderer) {
    if (d_->nullRenderer)
      CEGUI::NullRenderer::destroy(*static_cast<CEGUI::NullRenderer*>(d_->renderer));
    else
      CEGUI::OpenGL3Renderer::destroy(*static_cast<CEGUI::OpenGL3Renderer*>(d_->renderer));
    d_->renderer = nullptr;
  }
  if (d_->cursor) {
    SDL_FreeCursor(static_cast<SDL_Cursor*>(d_->cursor));
    d_->cursor = nullptr;
  }
  if (d_->glContext) {
    SDL_GL_DeleteContext(d_->glContext);
    d_->glContext = nullptr;
  }
  if (d_->window) {
    SDL_DestroyWindow(d_->window);
    d_->window = nullptr;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void CEGuiSample::wakeWindowLoop() {
  if (!d_->window) return;
  SDL_Event wake{};
  wake.type = wakeEventType();
  SDL_PushEvent(&wake);
}

void CEGuiSample::pollWindowInput() {
  if (!d_->window) return;
  if (d_->raiseRequested.exchange(false)) {
    SDL_RestoreWindow(d_->window);
    SDL_RaiseWindow(d_->window);
  }
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        // Closing the window asks the user first, like the launcher's exit request.
        Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(),
                                  Win32AppHelper::eventExitApp, new CEGUI::EventArgs, "");
        break;
      case SDL_KEYDOWN:
        injectKeyDown(guishell::keyFromSdlScancode(e.key.keysym.scancode));
        break;
      case SDL_KEYUP:
        injectKeyUp(guishell::keyFromSdlScancode(e.key.keysym.scancode));
        break;
      case SDL_TEXTINPUT:
        for (wchar_t cp : oscompat::wideFromUtf8(e.text.text))
          injectChar(static_cast<CEGUI::String::value_type>(cp));
        break;
      case SDL_MOUSEMOTION:
        injectMouseMove(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
        injectMouseButtonDown(guishell::mouseButtonFromSdl(e.button.button));
        break;
      case SDL_MOUSEBUTTONUP:
        injectMouseButtonUp(guishell::mouseButtonFromSdl(e.button.button));
        break;
      case SDL_MOUSEWHEEL:
        injectMouseWheel(static_cast<float>(e.wheel.y));
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          int w = 0, h = 0;
          SDL_GL_GetDrawableSize(d_->window, &w, &h);
          CEGUI::System::getSingleton().notifyDisplaySizeChanged(
              CEGUI::Sizef(static_cast<float>(w), static_cast<float>(h)));
        }
        break;
      default:
        break;
    }
  }
}

void CEGuiSample::drawFrame() {
  if (!d_->window || !d_->glContext) return;
  glClearColor(0.f, 0.f, 0.f, 1.f);
  glClear(GL_COLOR_BUFFER_BIT);
  try {
    CEGUI::System::getSingleton().renderAllGUIContexts();
  } catch (const std::exception& e) {
    logError(std::string("drawing the GUI failed: ") + e.what());
  }
  if (!d_->screenshotPath.empty()) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(d_->window, &w, &h);
    FIBITMAP* bitmap = FreeImage_Allocate(w, h, 24);
    if (bitmap) {
      glPixelStorei(GL_PACK_ALIGNMENT, 4);
      // FreeImage rows are bottom-up like OpenGL's, and 4-byte aligned, in BGR order.
      glReadPixels(0, 0, w, h, GL_BGR, GL_UNSIGNED_BYTE, FreeImage_GetBits(bitmap));
      if (!FreeImage_Save(FIF_PNG, bitmap, d_->screenshotPath.c_str(), PNG_DEFAULT))
        logError("saving the screenshot " + d_->screenshotPath + " failed");
      else
        oscompat::log(oscompat::LogLevel::Info, "screenshot saved: " + d_->screenshotPath);
      FreeImage_Unload(bitmap);
    }
    d_->screenshotPath.clear();
  }
  {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(d_->window, &w, &h);
    d_->frameReadback.frameDrawn(w, h);
  }
  d_->frameStats.renderDone();
  SDL_GL_SwapWindow(d_->window);
}

void CEGuiSample::waitForWork() {
  const uint64_t now = d_->clock->nowMs();
  const uint64_t nextTimer = guishell::TimerScheduler::instance().nextDue();
  if (d_->window) {
    // About sixty frames a second, sooner when a timer falls due.
    const uint64_t frame = 16;
    const uint64_t wait = nextTimer > now ? std::min<uint64_t>(nextTimer - now, frame) : 0;
    if (wait > 0) SDL_WaitEventTimeout(nullptr, static_cast<int>(wait));
    return;
  }
  const uint64_t wait = nextTimer > now ? std::min<uint64_t>(nextTimer - now, 1000) : 0;
  if (wait > 0)
    guishell::postQueue().waitUntil(std::chrono::steady_clock::now() +
                                    std::chrono::milliseconds(wait));
}

void CEGuiSample::requestScreenshot(const std::string& pngFile) { d_->screenshotPath = pngFile; }

bool CEGuiSample::setMainWindowCursor(const std::string& curFile) {
  if (!d_->window) return false;
  std::ifstream in(curFile, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  // Windows cursor file: 6-byte header (0, type 2, count), 16-byte entries with the hot spot
  // and the payload's size and offset. We use the first entry; its payload must be a PNG.
  auto u16 = [&](size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                 static_cast<uint32_t>(bytes[at + 3]) << 24);
  };
  if (bytes.size() < 22 || u16(0) != 0 || u16(2) != 2 || u16(4) < 1) {
    logError("the cursor file " + curFile + " is not a cursor");
    return false;
  }
  const int hotX = static_cast<int>(u16(10));
  const int hotY = static_cast<int>(u16(12));
  const uint32_t size = u32(14);
  const uint32_t offset = u32(18);
  if (offset > bytes.size() || size > bytes.size() - offset) {
    logError("the cursor file " + curFile + " is truncated");
    return false;
  }
  FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(bytes.data() + offset), size);
  FIBITMAP* image = memory ? FreeImage_LoadFromMemory(FIF_PNG, memory) : nullptr;
  FIBITMAP* rgba = image ? FreeImage_ConvertTo32Bits(image) : nullptr;
  bool ok = false;
  if (rgba) {
    FreeImage_FlipVertical(rgba);
    const int w = static_cast<int>(FreeImage_GetWidth(rgba));
    const int h = static_cast<int>(FreeImage_GetHeight(rgba));
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        FreeImage_GetBits(rgba), w, h, 32, static_cast<int>(FreeImage_GetPitch(rgba)),
        SDL_PIXELFORMAT_BGRA32);
    if (surface) {
      SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
      if (cursor) {
        SDL_SetCursor(cursor);
        if (d_->cursor) SDL_FreeCursor(static_cast<SDL_Cursor*>(d_->cursor));
        d_->cursor = cursor;
        ok = true;
      }
      SDL_FreeSurface(surface);
    }
  }
  if (!ok) logError("the cursor file " + curFile + " could not be used");
  if (rgba) FreeImage_Unload(rgba);
  if (image) FreeImage_Unload(image);
  if (memory) FreeImage_CloseMemory(memory);
  return ok;
}

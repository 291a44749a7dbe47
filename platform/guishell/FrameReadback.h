#pragma once
// The shell's rendered frames for whoever records the screen. While a listener is registered,
// the GUI thread copies the frame it has just drawn into a pixel-buffer object and hands it
// over one or two frames later, once the copy has finished on the graphics side: reading the
// screen never makes the GUI thread wait for the GPU.
#include <cstdint>
#include <memory>

namespace guishell {

// One drawn frame, valid only during the listener's call.
struct RenderedFrame {
  const uint8_t* rgba = nullptr;  // 4 bytes a pixel, R G B A
  int width = 0;
  int height = 0;
  int stride = 0;                 // bytes from one row to the next
  bool bottomUp = true;           // the first row is the bottom one (OpenGL's order)
  int64_t drawnAtUs = 0;          // steady clock, microseconds, when the frame was drawn
};

class FrameListener {
 public:
  virtual ~FrameListener() = default;
  // Asked on the GUI thread before a frame is read: whether a frame drawn now is wanted.
  virtual bool wantsFrame(int64_t nowUs) = 0;
  // Called on the GUI thread with a frame it asked for; copies what it keeps and returns fast.
  virtual void onFrame(const RenderedFrame& frame) = 0;
};

// Whether the shell draws frames that can be read (a window with an OpenGL context); false
// when headless.
bool frameReadbackAvailable();

// Any thread. After removeFrameListener returns, the listener is not called any more.
void addFrameListener(FrameListener* listener);
void removeFrameListener(FrameListener* listener);

// The steady clock frames are stamped with, in microseconds.
int64_t frameClockUs();

// The GUI thread's side, owned by the shell.
class FrameReadback {
 public:
  FrameReadback();
  ~FrameReadback();
  FrameReadback(const FrameReadback&) = delete;
  FrameReadback& operator=(const FrameReadback&) = delete;

  // The window's context is made / about to go.
  void contextCreated();
  void contextDestroyed();
  // After the frame of the given drawable size is drawn and before it is shown.
  void frameDrawn(int width, int height);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace guishell

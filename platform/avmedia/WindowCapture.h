#pragma once
// The screen capture source of a graph: while the graph runs, it takes the shell's drawn
// frames at the frame rate its receiver asks for and hands them on, at the capture size.
// Frames come on the GUI thread; taking one costs a copy into a free buffer of the receiver,
// or nothing when none is free (the receiver counts the drop).
#include <atomic>
#include <mutex>

#include "avmedia/Filter.h"
#include "guishell/FrameReadback.h"

namespace avmedia {

class ICaptureSize {
 public:
  virtual ~ICaptureSize() = default;
  virtual HRESULT SetCaptureSize(int width, int height) = 0;
};

class WindowCapture : public IBaseFilter, public ICaptureSize, public guishell::FrameListener {
 public:
  WindowCapture();
  ~WindowCapture() override;

  HRESULT SetCaptureSize(int width, int height) override;
  HRESULT Run(int64_t startClockUs) override;
  HRESULT Stop() override;
  std::vector<IPin*> pins() override { return {&out_}; }

  // The shell's side (GUI thread); public so that a test can stand in for the shell.
  bool wantsFrame(int64_t nowUs) override;
  void onFrame(const guishell::RenderedFrame& frame) override;

  int captureWidth() const { return width_; }
  int captureHeight() const { return height_; }

 private:
  IPin out_;
  int width_ = 1440;
  int height_ = 900;
  int64_t startUs_ = 0;
  int64_t intervalUs_ = 40000;
  int64_t nextDueUs_ = 0;
  std::atomic<bool> running_{false};
};

}  // namespace avmedia

#include "avmedia/WindowCapture.h"

#include <cstring>

namespace avmedia {

WindowCapture::WindowCapture() : out_(*this, PinDirection::Output, MediaKind::Video) {}

WindowCapture::~WindowCapture() { Stop(); }

HRESULT WindowCapture::SetCaptureSize(int width, int height) {
  if (width < 16 || height < 16 || width > 4096 || height > 4096) return E_INVALIDARG;
  if (running_) return VFW_E_WRONG_STATE;
  width_ = width & ~1;
  height_ = height & ~1;
  return S_OK;
}

HRESULT WindowCapture::Run(int64_t startClockUs) {
  if (running_) return S_FALSE;
  auto* receiver = dynamic_cast<IInputPin*>(out_.connectedTo());
  if (!receiver) return VFW_E_NOT_CONNECTED;
  const double rate = receiver->PreferredFrameRate();
  intervalUs_ = rate > 0 ? static_cast<int64_t>(1e6 / rate) : 40000;
  startUs_ = startClockUs;
  nextDueUs_ = startClockUs;
  running_ = true;
  guishell::addFrameListener(this);
  return S_OK;
}

HRESULT WindowCapture::Stop() {
  if (!running_.exchange(false)) return S_OK;
  // After this no frame reaches the receiver any more.
  guishell::removeFrameListener(this);
  return S_OK;
}

bool WindowCapture::wantsFrame(int64_t nowUs) {
  if (!running_ || nowUs < nextDueUs_) return false;
  // The next frame is due at the next multiple of the interval: a slow frame never makes the
  // capture take two in a row to catch up.
  nextDueUs_ = startUs_ + ((nowUs - startUs_) / intervalUs_ + 1) * intervalUs_;
  return true;
}

void WindowCapture::onFrame(const guishell::RenderedFrame& frame) {
  if (!running_ || frame.drawnAtUs < startUs_ || !frame.rgba || frame.width <= 0 || frame.height <= 0) return;
  auto* receiver = dynamic_cast<IInputPin*>(out_.connectedTo());
  if (!receiver) return;
  SamplePtr sample = receiver->GetBuffer();
  if (!sample) {
    receiver->NoteDropped();
    return;
  }
  const int rowBytes = frame.width * 4;
  // The buffer keeps its size from frame to frame: no allocation once the capture runs.
  sample->data.resize(static_cast<std::size_t>(rowBytes) * frame.height);
  if (frame.stride == rowBytes) {
    std::memcpy(sample->data.data(), frame.rgba, sample->data.size());
  } else {
    for (int y = 0; y < frame.height; ++y)
      std::memcpy(sample->data.data() + static_cast<std::size_t>(y) * rowBytes,
                  frame.rgba + static_cast<std::size_t>(y) * frame.stride, rowBytes);
  }
  sample->width = frame.width;
  sample->height = frame.height;
  sample->stride = rowBytes;
  sample->bottomUp = frame.bottomUp;
  sample->targetWidth = width_;
  sample->targetHeight = height_;
  sample->start = (frame.drawnAtUs - startUs_) * 10;
  receiver->Receive(std::move(sample));
}

}  // namespace avmedia

#include "avmedia/RgbaConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace avmedia {

RgbaConverter::~RgbaConverter() {
  if (helper_.joinable()) {
    {
      std::lock_guard g(lock_);
      stopping_ = true;
    }
    wake_.notify_one();
    helper_.join();
  }
  sws_freeContext(whole_);
  sws_freeContext(upper_);
  sws_freeContext(lower_);
}

int RgbaConverter::splitRow(const AVFrame* frame, int width, int height) {
  if (!frame || frame->width != width || frame->height != height || height < kMinSplitRows || height % 2 != 0)
    return 0;
  // Only the planar layouts whose conversion reads each chroma row for its own pair of picture
  // rows: there the two halves come out exactly as the whole picture would.
  switch (frame->format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
      break;
    default:
      return 0;
  }
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
  // Both halves keep an even number of rows and start on a chroma row of their own.
  const int unit = 2 << desc->log2_chroma_h;
  return (height / 2) / unit * unit;
}

bool RgbaConverter::convertHalf(SwsContext*& scaler, int format, const Half& half, int width) {
  scaler = sws_getCachedContext(scaler, width, half.rows, static_cast<AVPixelFormat>(format), width, half.rows,
                                AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler) return false;
  uint8_t* planes[4] = {half.out, nullptr, nullptr, nullptr};
  const int strides[4] = {-width * 4, 0, 0, 0};
  return sws_scale(scaler, half.planes, half.strides, 0, half.rows, planes, strides) == half.rows;
}

bool RgbaConverter::convert(const AVFrame* frame, int width, int height, uint8_t* out) {
  if (!frame || !out || width <= 0 || height <= 0 || frame->width <= 0 || frame->height <= 0) return false;
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  const int split = splitRow(frame, width, height);
  if (split == 0) {
    // In one piece, scaled to the stream's size when the picture has another.
    whole_ = sws_getCachedContext(whole_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                  width, height, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!whole_) return false;
    uint8_t* planes[4] = {out + static_cast<std::size_t>(height - 1) * stride, nullptr, nullptr, nullptr};
    const int strides[4] = {-static_cast<int>(stride), 0, 0, 0};
    return sws_scale(whole_, frame->data, frame->linesize, 0, frame->height, planes, strides) == height;
  }
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
  Half upper, lower;
  upper.rows = split;
  lower.rows = height - split;
  // Bottom row first: the upper half fills the frame from its last row up, the lower half
  // ends where the upper one begins.
  upper.out = out + static_cast<std::size_t>(height - 1) * stride;
  lower.out = out + static_cast<std::size_t>(height - 1 - split) * stride;
  for (int i = 0; i < 4 && frame->data[i]; ++i) {
    const int rows = (i == 1 || i == 2) ? split >> desc->log2_chroma_h : split;
    upper.planes[i] = frame->data[i];
    upper.strides[i] = frame->linesize[i];
    lower.planes[i] = frame->data[i] + static_cast<std::ptrdiff_t>(rows) * frame->linesize[i];
    lower.strides[i] = frame->linesize[i];
  }
  if (!helper_.joinable()) helper_ = std::thread([this] { helperLoop(); });
  {
    std::lock_guard g(lock_);
    job_ = lower;
    jobFormat_ = frame->format;
    jobWidth_ = width;
    jobOut_ = true;
  }
  wake_.notify_one();
  const bool upperOk = convertHalf(upper_, frame->format, upper, width);
  std::unique_lock g(lock_);
  done_.wait(g, [&] { return !jobOut_; });
  return upperOk && jobOk_;
}

void RgbaConverter::helperLoop() {
  std::unique_lock g(lock_);
  for (;;) {
    wake_.wait(g, [&] { return stopping_ || jobOut_; });
    if (stopping_) return;
    const Half half = job_;
    const int format = jobFormat_;
    const int width = jobWidth_;
    g.unlock();
    const bool ok = convertHalf(lower_, format, half, width);
    g.lock();
    jobOk_ = ok;
    jobOut_ = false;
    done_.notify_one();
  }
}

}  // namespace avmedia

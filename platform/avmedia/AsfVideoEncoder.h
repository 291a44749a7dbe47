#pragma once
// Writes pictures into a Windows Media file (ASF container, wmv2 video) through FFmpeg. One
// thread at a time; the writer filter runs it on its own worker.
#include <cstdint>
#include <memory>
#include <string>

#include "avmedia/Filter.h"
#include "avmedia/WMProfile.h"

namespace avmedia {

class AsfVideoEncoder {
 public:
  AsfVideoEncoder();
  ~AsfVideoEncoder();
  AsfVideoEncoder(const AsfVideoEncoder&) = delete;
  AsfVideoEncoder& operator=(const AsfVideoEncoder&) = delete;

  // Creates the file and writes its header. The picture size is `width` x `height`.
  HRESULT open(const std::string& path, const WMProfile::Video& video, int width, int height);
  // Encodes one picture shown from frame index `index` (in 1/frameRate units) until the next.
  HRESULT write(const MediaSample& picture, int64_t index);
  // Encodes the last picture again at `index`, so the video lasts until index + 1.
  HRESULT repeatLast(int64_t index);
  // Flushes the encoder and completes the file (its index and duration). Safe to call twice.
  HRESULT close();

  bool isOpen() const;
  const std::string& lastError() const { return error_; }
  int64_t framesWritten() const { return written_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  struct Impl;
  HRESULT encode(bool flush, int64_t index);
  HRESULT failed(HRESULT hr, const std::string& what, int code);
  std::unique_ptr<Impl> d_;
  std::string error_;
  int64_t written_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace avmedia

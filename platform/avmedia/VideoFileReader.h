#pragma once
// Reads the video stream of a file (any container and codec FFmpeg knows, Windows Media in
// practice) and turns its pictures into frames the GUI renderer's textures take: 32-bit
// R G B A, bottom row first, at the size the stream announced (a stream that changes its size
// is scaled back to it). One thread at a time uses a reader; it decodes the picture after the
// one handed out on a thread of its own while the caller converts, and the conversion of a
// large picture borrows another helper thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "avmedia/MediaTypes.h"

struct AVFrame;

namespace avmedia {

class VideoFileReader {
 public:
  // Larger pictures are refused (no texture takes them, and a corrupt header may claim them).
  static constexpr int kMaxSide = 4096;
  // Damaged packets in a row after which the stream counts as unreadable.
  static constexpr int kMaxBadPacketsInRow = 64;

  VideoFileReader();
  ~VideoFileReader();
  VideoFileReader(const VideoFileReader&) = delete;
  VideoFileReader& operator=(const VideoFileReader&) = delete;

  // False with the reason in error() (missing file, no video, unknown codec, absurd size).
  bool open(const std::string& path);
  // The same over bytes in memory (kept by the caller while the reader lives).
  bool openMemory(const uint8_t* data, std::size_t size);
  bool isOpen() const;

  int width() const { return width_; }
  int height() const { return height_; }
  // The bytes of one converted frame.
  std::size_t frameBytes() const { return static_cast<std::size_t>(width_) * height_ * 4; }
  // 0 when the file does not say.
  REFERENCE_TIME duration() const { return duration_; }
  // From the stream's frame rate; 40 ms when it gives none.
  REFERENCE_TIME frameDuration() const { return frameDuration_; }
  const std::string& codecName() const { return codec_; }

  enum class Step { Frame, End, Failed };
  // Decodes the next picture; its time from the start of the stream in `pts`. End at the end of
  // the file, also of a truncated one (what could be read was read); Failed when the stream
  // cannot be decoded at all any more (the reason in error()).
  Step decodeNext(REFERENCE_TIME* pts);
  // Converts the picture decoded last into `out` (frameBytes() bytes). False when there is none
  // or it cannot be converted.
  bool convertTo(uint8_t* out);
  // Goes back to the first picture at or after `position` (0: the start); the pictures before
  // it are decoded but not converted. False when the file cannot be read again.
  bool seekTo(REFERENCE_TIME position);

  const std::string& error() const { return error_; }
  // Packets the decoder refused (damaged data it skipped).
  int64_t badPackets() const { return badPackets_; }

 private:
  struct Impl;
  bool finishOpen();
  void close();
  Step decodeInto(Impl& d, AVFrame* frame, REFERENCE_TIME* pts, std::string& error, int64_t& bad);
  void startPrefetch();
  bool finishPrefetch();

  std::unique_ptr<Impl> impl_;
  std::string path_;
  int width_ = 0;
  int height_ = 0;
  REFERENCE_TIME duration_ = 0;
  REFERENCE_TIME frameDuration_ = 400000;
  std::string codec_;
  std::string error_;
  int64_t badPackets_ = 0;
  // A picture seekTo decoded and the next decodeNext hands out.
  bool pending_ = false;
  REFERENCE_TIME pendingPts_ = 0;
};

}  // namespace avmedia

#pragma once
// The decoder of a playing chain: between a file source and a receiver of decoded video, it
// reads the source's file on a streaming thread of its own, turns each picture into an RGBA
// frame (VideoFileReader) and hands it to the receiver at the picture's time. Pictures that are
// late by more than a frame when they are decoded are skipped without being converted; a
// receiver without a free buffer drops the frame (counted). At the end of the file it posts
// EC_COMPLETE (EC_ERRORABORT when the pass delivered no frame: an empty or undecodable video)
// and waits for a seek or a stop.
//
// States: stopped (no thread), paused (from stopped: the first frame is delivered, then the
// thread holds), running. Stop ends the thread and the next run starts from the beginning.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "avmedia/Filter.h"
#include "avmedia/VideoFileReader.h"
#include "avmedia/VideoTypes.h"

namespace avmedia {

struct DecoderStats {
  int64_t decoded = 0;    // pictures decoded
  int64_t delivered = 0;  // frames handed to the receiver
  int64_t late = 0;       // pictures skipped because they were late
  int64_t noBuffer = 0;   // frames the receiver had no buffer for
  int64_t passes = 0;     // times the end of the file was reached
  double convertSeconds = 0;  // time spent converting delivered frames
};

class VideoDecoder : public IBaseFilter, public IMediaSeeking {
 public:
  // Late pictures skipped in a row at most: a decoder slower than the video still shows some.
  static constexpr int kMaxSkippedInRow = 4;

  VideoDecoder();
  ~VideoDecoder() override;

  // Opens the file (the graph calls it when it puts the decoder into a chain). The reason of a
  // failure in error().
  HRESULT Open(const std::string& pathUtf8);
  // Without pacing frames go out as fast as they are decoded (benchmarks, tests).
  void setPacing(bool paced) { paced_ = paced; }

  HRESULT Run(int64_t startClockUs) override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  std::vector<IPin*> pins() override { return {&in_, &out_}; }

  HRESULT GetDuration(REFERENCE_TIME* duration) override;
  // Any position from the start (absolute); the stop position is not supported and ignored.
  HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                       unsigned stopFlags) override;
  // The time of the frame delivered last.
  HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;

  const std::string& error() const { return error_; }
  int width() const { return width_; }
  int height() const { return height_; }
  DecoderStats stats() const;

 private:
  class Output : public IPin, public IPinMediaType {
   public:
    explicit Output(VideoDecoder& owner) : IPin(owner, PinDirection::Output, MediaKind::Video), owner_(owner) {}
    HRESULT GetMediaType(AM_MEDIA_TYPE* type) const override;

   private:
    VideoDecoder& owner_;
  };
  using Clock = std::chrono::steady_clock;

  void startThread(bool paused);
  void stream();
  // Streaming thread, with the lock held: waits until the frame is due; false when a command
  // (stop, seek) came meanwhile.
  bool waitUntilDue(std::unique_lock<std::mutex>& lock, REFERENCE_TIME pts, bool& late);
  void deliver(REFERENCE_TIME pts);
  void endOfPass(bool failed);

  IPin in_;
  Output out_;
  std::string path_;
  std::string error_;
  int width_ = 0;
  int height_ = 0;
  REFERENCE_TIME frameDuration_ = 400000;
  REFERENCE_TIME duration_ = 0;
  bool paced_ = true;
  bool opened_ = false;  // GUI thread: the reader itself belongs to the streaming thread

  VideoFileReader reader_;  // streaming thread while it runs
  std::thread thread_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool paused_ = false;
  bool ended_ = false;
  bool seekPending_ = false;
  REFERENCE_TIME seekTarget_ = 0;
  // A frame of the current pass has gone out (a paused decoder then holds).
  bool primed_ = false;
  // The clock: a picture of time pts is due at origin_ + pts; set by the first picture after a
  // start or a seek, moved on by the time spent paused.
  bool resync_ = true;
  Clock::time_point origin_;
  Clock::time_point pausedAt_;
  // A seek keeps the clock of the moment it was asked for (or of the run that followed it):
  // the time the reader takes to get there is made up by skipping, not added to the picture's
  // delay against whatever it plays with.
  bool anchorAtSeek_ = false;
  REFERENCE_TIME anchorTarget_ = 0;
  Clock::time_point seekAskedAt_;
  Clock::time_point runSince_;
  std::atomic<REFERENCE_TIME> position_{0};
  DecoderStats stats_;
  bool loggedFailure_ = false;
  int skippedInRow_ = 0;
  int64_t deliveredThisPass_ = 0;
};

}  // namespace avmedia

#pragma once
// The Windows Media file writer of a graph. Two ways of working, by what its inputs are
// connected to:
// - capture: its video input takes pictures from a live source without ever making the sender
//   wait (a full queue drops them, counted) and encodes them on a worker thread of its own into
//   the file named by SetFileName, as the profile says;
// - mixing: its inputs are connected to file sources (a WAV file, a Windows Media file); the
//   worker reads them itself and writes the file as fast as it can (AsfMux), reporting how far
//   it has come through IMediaSeeking and its end through the graph's completion event.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "avmedia/AsfMux.h"
#include "avmedia/AsfVideoEncoder.h"
#include "avmedia/Filter.h"
#include "avmedia/WMProfile.h"

namespace avmedia {

class IFileSinkFilter {
 public:
  virtual ~IFileSinkFilter() = default;
  virtual HRESULT SetFileName(const std::wstring& path) = 0;
};

class IConfigAsfWriter {
 public:
  virtual ~IConfigAsfWriter() = default;
  virtual HRESULT ConfigureFilterUsingProfile(const WMProfile& profile) = 0;
};

// Positions of a mixing run (IMediaSeeking, Filter.h): the duration is the longer of the
// inputs, only a start of 0 is supported, the stop cuts the file there, and the current
// position is how far the file has been written (every stream).

// What a run of the writer did, for the log and the benchmarks.
struct WriterStats {
  int64_t received = 0;   // pictures taken into the queue
  int64_t dropped = 0;    // pictures refused because the queue was full
  int64_t encoded = 0;    // pictures written (the closing repeat included)
  int64_t late = 0;       // pictures that came after a newer one had taken their place
  double encodeCpuSeconds = 0;  // the worker's CPU time
  double videoSeconds = 0;      // the length of the video written
  HRESULT result = S_OK;        // the first failure, S_OK when the file is complete
  std::string error;            // its reason
};

class AsfWriter : public IBaseFilter, public IFileSinkFilter, public IConfigAsfWriter, public IMediaSeeking {
 public:
  // Pictures waiting to be encoded at most: a few frames of the GUI's memory, no more.
  static constexpr std::size_t kQueueFrames = 4;
  // The encoding thread's niceness: below the GUI and the audio threads.
  static constexpr int kEncoderNice = 10;

  AsfWriter();
  ~AsfWriter() override;

  HRESULT SetFileName(const std::wstring& path) override;
  HRESULT ConfigureFilterUsingProfile(const WMProfile& profile) override;
  // Starts the worker; the file is created there, never on the caller's thread.
  HRESULT Run(int64_t startClockUs) override;
  // Capture: encodes what is queued, ends the video at the moment of the stop and completes
  // the file. Mixing: a run that has not completed is cancelled and its partial file removed
  // (E_ABORT). Returns the first failure of the run (E_DISK_FULL when the disk filled).
  HRESULT Stop() override;
  std::vector<IPin*> pins() override { return {&videoIn_, &audioIn_}; }

  HRESULT GetDuration(REFERENCE_TIME* duration) override;
  HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop, unsigned stopFlags) override;
  HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;
  // The outcome of the last mixing run (valid after its completion event or Stop).
  MuxResult mixResult() const;

  WriterStats stats() const;
  const WMProfile& profile() const { return profile_; }

 private:
  class VideoInput : public IInputPin {
   public:
    explicit VideoInput(AsfWriter& writer) : IInputPin(writer, PinDirection::Input, MediaKind::Video), writer_(writer) {}
    SamplePtr GetBuffer() override;
    HRESULT Receive(SamplePtr sample) override;
    void NoteDropped() override;
    double PreferredFrameRate() const override;

   private:
    AsfWriter& writer_;
  };

  void work();
  bool mixing() const;
  HRESULT runMix();
  void encodeSample(const MediaSample& sample);
  void fail(HRESULT hr, const std::string& why);

  VideoInput videoIn_;
  IPin audioIn_{*this, PinDirection::Input, MediaKind::Audio};
  // Mixing.
  std::thread mixer_;
  MuxProgress mixProgress_;
  MuxResult mixResult_;
  REFERENCE_TIME seekStop_ = -1;
  SamplePool pool_{kQueueFrames};
  std::wstring path_;
  WMProfile profile_;
  std::thread worker_;
  int64_t startClockUs_ = 0;

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<SamplePtr> queue_;
  bool stopping_ = false;
  bool accepting_ = false;
  REFERENCE_TIME stopTime_ = 0;
  WriterStats stats_;
  std::atomic<bool> failed_{false};

  // Worker only.
  AsfVideoEncoder encoder_;
  int64_t nextIndex_ = 0;
};

}  // namespace avmedia

#pragma once
// Filters and their pins: a source's output pin hands samples to the input pin it is connected
// to. Samples come from the input pin's pool, which never makes the source wait: when every
// buffer is taken the source drops its sample and the pin counts it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "avmedia/MediaTypes.h"

namespace avmedia {

// One video frame (4 bytes a pixel, R G B A) at the time it was taken.
struct MediaSample {
  std::vector<uint8_t> data;
  int width = 0;
  int height = 0;
  int stride = 0;
  bool bottomUp = false;
  // The size the source delivers the picture at (it is scaled to it where it is encoded).
  int targetWidth = 0;
  int targetHeight = 0;
  REFERENCE_TIME start = 0;
};
class SamplePool;
// A sample goes back to its pool when it is let go.
struct SampleReturn {
  SamplePool* pool = nullptr;
  void operator()(MediaSample* sample) const;
};
using SamplePtr = std::unique_ptr<MediaSample, SampleReturn>;

// A fixed number of sample buffers, reused; safe between threads. Outlives its samples.
class SamplePool {
 public:
  explicit SamplePool(std::size_t capacity) : capacity_(capacity) {}
  // A free buffer, or null when all are in use (never waits).
  SamplePtr tryAcquire();
  std::size_t capacity() const { return capacity_; }

 private:
  friend struct SampleReturn;
  void giveBack(MediaSample* sample);
  std::mutex lock_;
  std::vector<std::unique_ptr<MediaSample>> free_;
  std::size_t capacity_;
  std::size_t handedOut_ = 0;
};

class IBaseFilter;
class IMediaEventSink;

class IPin {
 public:
  IPin(IBaseFilter& owner, PinDirection direction, MediaKind kind)
      : owner_(owner), direction_(direction), kind_(kind) {}
  virtual ~IPin() = default;
  PinDirection direction() const { return direction_; }
  MediaKind kind() const { return kind_; }
  IBaseFilter& owner() const { return owner_; }
  IPin* connectedTo() const { return connected_; }
  bool isConnected() const { return connected_ != nullptr; }
  // Links two pins both ways; the graph calls it.
  static HRESULT connect(IPin& output, IPin& input);
  static void disconnect(IPin& pin);

 private:
  IBaseFilter& owner_;
  PinDirection direction_;
  MediaKind kind_;
  IPin* connected_ = nullptr;
};

// The receiving end of a connection.
class IInputPin : public IPin {
 public:
  using IPin::IPin;
  // A buffer to fill, or null when the receiver has none free: the sample is dropped.
  virtual SamplePtr GetBuffer() = 0;
  // Takes a filled buffer; returns at once.
  virtual HRESULT Receive(SamplePtr sample) = 0;
  // A source that had to drop a sample says so.
  virtual void NoteDropped() = 0;
  // The frame rate the receiver wants samples at (frames a second).
  virtual double PreferredFrameRate() const = 0;
  // True for a receiver of decoded pictures that reads no file itself: connecting a file
  // source to it puts a decoder in between.
  virtual bool AcceptsDecodedVideo() const { return false; }
};

class IBaseFilter {
 public:
  virtual ~IBaseFilter() = default;
  // The graph's running state, entered by Run and left by Stop.
  // `startClockUs`: the moment the graph runs, on the steady clock of the shell's frames (µs).
  virtual HRESULT Run(int64_t startClockUs) = 0;
  virtual HRESULT Stop() = 0;
  // The paused state: a filter that streams holds its position (from stopped it cues up and
  // shows the first picture); the next Run goes on from there. Filters that do not stream
  // have nothing to hold.
  virtual HRESULT Pause() { return S_OK; }
  virtual std::vector<IPin*> pins() = 0;
  // Where the filter's events go, and its name in the graph.
  void JoinGraph(IMediaEventSink* sink, const std::wstring& name) {
    events_ = sink;
    name_ = name;
  }
  const std::wstring& name() const { return name_; }
  bool hasOutputs();

 protected:
  void notify(long code, long param1, long param2);

 private:
  IMediaEventSink* events_ = nullptr;
  std::wstring name_;
};

// Where filters post events for the graph's owner; any thread.
class IMediaEventSink {
 public:
  virtual ~IMediaEventSink() = default;
  virtual void Notify(long code, long param1, long param2) = 0;
};

// Positions in a file, in REFERENCE_TIME from its start.
class IMediaSeeking {
 public:
  virtual ~IMediaSeeking() = default;
  virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
  // `currentFlags`/`stopFlags`: AM_SEEKING_NoPositioning leaves that position as it is.
  virtual HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                               unsigned stopFlags) = 0;
  virtual HRESULT GetCurrentPosition(REFERENCE_TIME* position) = 0;
};

// A filter's extra interface, as the caller asks for it ("QueryInterface").
template <class Interface>
Interface* queryInterface(IBaseFilter* filter) {
  return dynamic_cast<Interface*>(filter);
}

}  // namespace avmedia

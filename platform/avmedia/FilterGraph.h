#pragma once
// A filter graph: filters added under names, connected output to input, run and stopped
// together; their events queue up for the owner (the graph's media-event side).
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "avmedia/Filter.h"

namespace avmedia {

class FileSourceBase;

class IGraphBuilder : public IMediaEventSink, public IMediaSeeking {
 public:
  IGraphBuilder() = default;
  ~IGraphBuilder() override;
  IGraphBuilder(const IGraphBuilder&) = delete;
  IGraphBuilder& operator=(const IGraphBuilder&) = delete;

  HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, const std::wstring& name);
  IBaseFilter* FindFilterByName(const std::wstring& name) const;
  // Disconnects the filter and lets it go (stopped graph only).
  HRESULT RemoveFilter(IBaseFilter* filter);
  // Creates the source for a file (".wav": WavFileSource; anything else: AsfReader), loads the
  // file and adds the source under `name`. The file's failure is the result (nothing added).
  HRESULT AddSourceFilter(const std::wstring& path, const std::wstring& name, IBaseFilter** filter);
  // Connects the first free output pin of `from` to the first free input pin of `to` that
  // carries the same kind of media. A file source connected to a receiver of decoded video
  // gets a decoder in between (added to the graph as "Video Decoder"): the decoder reads the
  // file and hands the pictures on, on its streaming thread.
  HRESULT Connect(IBaseFilter* from, IBaseFilter* to);

  // Media control. Run starts (or, from paused, resumes) the receiving filters before the
  // sources; Pause holds them where they are (from stopped, streaming filters cue up); Stop
  // stops the sources first and returns when every filter has finished (a writer has closed
  // its file, a streaming thread has ended).
  HRESULT Run();
  HRESULT Pause();
  HRESULT Stop();
  // Running or paused.
  bool running() const { return state_ != State::Stopped; }
  bool paused() const { return state_ == State::Paused; }

  // Seeking: forwarded to the filters that seek (a decoder, a writer); E_NOTIMPL when none does.
  // The first filter's answer counts for the positions read.
  HRESULT GetDuration(REFERENCE_TIME* duration) override;
  HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                       unsigned stopFlags) override;
  HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;

  // Media events. GetEvent returns E_ABORT when nothing came within the time-out.
  HRESULT GetEvent(long* code, long* param1, long* param2, long timeoutMs);
  // Waits for completion or an abort; E_ABORT on time-out, else S_OK with the event code.
  HRESULT WaitForCompletion(long timeoutMs, long* code);
  void Notify(long code, long param1, long param2) override;

 private:
  struct Entry {
    std::shared_ptr<IBaseFilter> filter;
    std::wstring name;
  };
  struct Event {
    long code, param1, param2;
  };
  enum class State { Stopped, Paused, Running };
  std::vector<IMediaSeeking*> seekers() const;
  HRESULT connectThroughDecoder(FileSourceBase& source, IPin& out, IInputPin& receiver);

  std::vector<Entry> filters_;
  State state_ = State::Stopped;
  std::mutex eventLock_;
  std::condition_variable eventArrived_;
  std::deque<Event> events_;
};

}  // namespace avmedia

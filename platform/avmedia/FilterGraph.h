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

class IGraphBuilder : public IMediaEventSink {
 public:
  IGraphBuilder() = default;
  ~IGraphBuilder() override;
  IGraphBuilder(const IGraphBuilder&) = delete;
  IGraphBuilder& operator=(const IGraphBuilder&) = delete;

  HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, const std::wstring& name);
  IBaseFilter* FindFilterByName(const std::wstring& name) const;
  // Creates the source for a file (".wav": WavFileSource; anything else: AsfReader), loads the
  // file and adds the source under `name`. The file's failure is the result (nothing added).
  HRESULT AddSourceFilter(const std::wstring& path, const std::wstring& name, IBaseFilter** filter);
  // Connects the first free output pin of `from` to the first free input pin of `to` that
  // carries the same kind of media.
  HRESULT Connect(IBaseFilter* from, IBaseFilter* to);

  // Media control. Run starts the receiving filters before the sources; Stop stops the sources
  // first and returns when every filter has finished (a writer has closed its file).
  HRESULT Run();
  HRESULT Stop();
  bool running() const { return running_; }

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
  std::vector<Entry> filters_;
  bool running_ = false;
  std::mutex eventLock_;
  std::condition_variable eventArrived_;
  std::deque<Event> events_;
};

}  // namespace avmedia

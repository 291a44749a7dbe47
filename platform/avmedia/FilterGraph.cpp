#include "avmedia/FilterGraph.h"

#include <algorithm>
#include <chrono>
#include <cwctype>

#include "avmedia/FileSources.h"
#include "avmedia/VideoDecoder.h"
#include "guishell/FrameReadback.h"
#include "oscompat/Log.h"
#include "oscompat/Utf.h"

namespace avmedia {

IGraphBuilder::~IGraphBuilder() {
  if (running()) Stop();
  // A filter that outlives the graph (a source its owner keeps) is left unconnected and no
  // longer reports to it, so it can join another graph.
  for (Entry& e : filters_) {
    for (IPin* pin : e.filter->pins()) IPin::disconnect(*pin);
    e.filter->JoinGraph(nullptr, e.name);
  }
}

HRESULT IGraphBuilder::AddFilter(std::shared_ptr<IBaseFilter> filter, const std::wstring& name) {
  if (!filter) return E_POINTER;
  if (running()) return VFW_E_WRONG_STATE;
  if (FindFilterByName(name)) return E_INVALIDARG;
  for (const Entry& e : filters_)
    if (e.filter == filter) return E_INVALIDARG;
  filter->JoinGraph(this, name);
  filters_.push_back({std::move(filter), name});
  return S_OK;
}

HRESULT IGraphBuilder::AddSourceFilter(const std::wstring& path, const std::wstring& name, IBaseFilter** filter) {
  if (filter) *filter = nullptr;
  std::wstring ext = path.size() >= 4 ? path.substr(path.size() - 4) : L"";
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  std::shared_ptr<FileSourceBase> source;
  if (ext == L".wav") source = std::make_shared<WavFileSource>();
  else source = std::make_shared<AsfReader>();
  HRESULT hr = source->Load(path, nullptr);
  if (FAILED(hr)) {
    oscompat::log(oscompat::LogLevel::Warning,
                  "avmedia: no source for " + oscompat::utf8FromWide(path) + ": " + source->info().error);
    return hr;
  }
  IBaseFilter* raw = source.get();
  if (FAILED(hr = AddFilter(std::move(source), name))) return hr;
  if (filter) *filter = raw;
  return S_OK;
}

IBaseFilter* IGraphBuilder::FindFilterByName(const std::wstring& name) const {
  for (const Entry& e : filters_)
    if (e.name == name) return e.filter.get();
  return nullptr;
}

HRESULT IGraphBuilder::Connect(IBaseFilter* from, IBaseFilter* to) {
  if (!from || !to) return E_POINTER;
  if (running()) return VFW_E_WRONG_STATE;
  if (auto* file = dynamic_cast<FileSourceBase*>(from)) {
    IInputPin* receiver = nullptr;
    for (IPin* in : to->pins()) {
      auto* pin = dynamic_cast<IInputPin*>(in);
      if (pin && !pin->isConnected() && pin->AcceptsDecodedVideo()) {
        receiver = pin;
        break;
      }
    }
    IPin* out = nullptr;
    for (IPin* pin : from->pins())
      if (pin->direction() == PinDirection::Output && !pin->isConnected() && pin->kind() == MediaKind::Video) out = pin;
    if (receiver && out) return connectThroughDecoder(*file, *out, *receiver);
  }
  for (IPin* out : from->pins()) {
    if (out->direction() != PinDirection::Output || out->isConnected()) continue;
    for (IPin* in : to->pins()) {
      if (in->direction() != PinDirection::Input || in->isConnected()) continue;
      if (in->kind() == out->kind()) return IPin::connect(*out, *in);
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT IGraphBuilder::connectThroughDecoder(FileSourceBase& source, IPin& out, IInputPin& receiver) {
  auto decoder = std::make_shared<VideoDecoder>();
  if (HRESULT hr = decoder->Open(source.pathUtf8()); FAILED(hr)) return hr;
  std::wstring name = L"Video Decoder";
  for (int n = 2; FindFilterByName(name); ++n) name = L"Video Decoder " + std::to_wstring(n);
  VideoDecoder* raw = decoder.get();
  if (HRESULT hr = AddFilter(std::move(decoder), name); FAILED(hr)) return hr;
  std::vector<IPin*> pins = raw->pins();
  HRESULT hr = IPin::connect(out, *pins[0]);
  if (SUCCEEDED(hr)) hr = IPin::connect(*pins[1], receiver);
  if (FAILED(hr)) {
    for (IPin* pin : pins) IPin::disconnect(*pin);
    RemoveFilter(raw);
  }
  return hr;
}

HRESULT IGraphBuilder::RemoveFilter(IBaseFilter* filter) {
  if (running()) return VFW_E_WRONG_STATE;
  for (auto it = filters_.begin(); it != filters_.end(); ++it) {
    if (it->filter.get() != filter) continue;
    for (IPin* pin : filter->pins()) IPin::disconnect(*pin);
    filter->JoinGraph(nullptr, it->name);
    filters_.erase(it);
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT IGraphBuilder::Run() {
  if (state_ == State::Running) return S_FALSE;
  // Receivers first, so that no sample of a source finds its receiver stopped.
  std::vector<IBaseFilter*> order;
  for (const Entry& e : filters_)
    if (!e.filter->hasOutputs()) order.push_back(e.filter.get());
  for (const Entry& e : filters_)
    if (e.filter->hasOutputs()) order.push_back(e.filter.get());
  const State before = state_;
  const int64_t start = guishell::frameClockUs();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const HRESULT hr = order[i]->Run(start);
    if (FAILED(hr)) {
      // From stopped, what has started stops again; from paused, the graph stays paused.
      if (before == State::Stopped)
        while (i-- > 0) order[i]->Stop();
      else
        while (i-- > 0) order[i]->Pause();
      return hr;
    }
  }
  state_ = State::Running;
  return S_OK;
}

HRESULT IGraphBuilder::Pause() {
  if (state_ == State::Paused) return S_FALSE;
  std::vector<IBaseFilter*> order;
  for (const Entry& e : filters_)
    if (!e.filter->hasOutputs()) order.push_back(e.filter.get());
  for (const Entry& e : filters_)
    if (e.filter->hasOutputs()) order.push_back(e.filter.get());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const HRESULT hr = order[i]->Pause();
    if (FAILED(hr)) {
      if (state_ == State::Stopped)
        while (i-- > 0) order[i]->Stop();
      return hr;
    }
  }
  state_ = State::Paused;
  return S_OK;
}

HRESULT IGraphBuilder::Stop() {
  if (state_ == State::Stopped) return S_OK;
  state_ = State::Stopped;
  HRESULT result = S_OK;
  for (const Entry& e : filters_)
    if (e.filter->hasOutputs()) e.filter->Stop();
  for (const Entry& e : filters_)
    if (!e.filter->hasOutputs()) {
      const HRESULT hr = e.filter->Stop();
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
  return result;
}

std::vector<IMediaSeeking*> IGraphBuilder::seekers() const {
  std::vector<IMediaSeeking*> out;
  for (const Entry& e : filters_)
    if (auto* s = dynamic_cast<IMediaSeeking*>(e.filter.get())) out.push_back(s);
  return out;
}

HRESULT IGraphBuilder::GetDuration(REFERENCE_TIME* duration) {
  if (!duration) return E_POINTER;
  for (IMediaSeeking* s : seekers())
    if (SUCCEEDED(s->GetDuration(duration))) return S_OK;
  return E_NOTIMPL;
}

HRESULT IGraphBuilder::GetCurrentPosition(REFERENCE_TIME* position) {
  if (!position) return E_POINTER;
  for (IMediaSeeking* s : seekers())
    if (SUCCEEDED(s->GetCurrentPosition(position))) return S_OK;
  return E_NOTIMPL;
}

HRESULT IGraphBuilder::SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                                    unsigned stopFlags) {
  HRESULT result = E_NOTIMPL;
  for (IMediaSeeking* s : seekers()) {
    const HRESULT hr = s->SetPositions(current, currentFlags, stop, stopFlags);
    if (result == E_NOTIMPL || FAILED(result)) result = hr;
  }
  return result;
}

void IGraphBuilder::Notify(long code, long param1, long param2) {
  {
    std::lock_guard g(eventLock_);
    events_.push_back({code, param1, param2});
  }
  eventArrived_.notify_all();
}

HRESULT IGraphBuilder::GetEvent(long* code, long* param1, long* param2, long timeoutMs) {
  if (!code || !param1 || !param2) return E_POINTER;
  std::unique_lock g(eventLock_);
  if (!eventArrived_.wait_for(g, std::chrono::milliseconds(std::max(0L, timeoutMs)),
                              [&] { return !events_.empty(); }))
    return E_ABORT;
  const Event e = events_.front();
  events_.pop_front();
  *code = e.code;
  *param1 = e.param1;
  *param2 = e.param2;
  return S_OK;
}

HRESULT IGraphBuilder::WaitForCompletion(long timeoutMs, long* code) {
  if (!code) return E_POINTER;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0L, timeoutMs));
  std::unique_lock g(eventLock_);
  for (;;) {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
      if (it->code == EC_COMPLETE || it->code == EC_ERRORABORT || it->code == EC_USERABORT) {
        *code = it->code;
        events_.erase(it);
        return S_OK;
      }
    }
    if (eventArrived_.wait_until(g, deadline) == std::cv_status::timeout) {
      *code = 0;
      return E_ABORT;
    }
  }
}

}  // namespace avmedia

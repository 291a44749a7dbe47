#include "avmedia/SampleListener.h"

namespace avmedia {
namespace {

// A delivered frame as the callback sees it.
class FrameSample final : public IMediaSample {
 public:
  explicit FrameSample(MediaSample& sample) : sample_(sample) {}
  HRESULT GetPointer(uint8_t** buffer) override {
    if (!buffer) return E_POINTER;
    *buffer = sample_.data.data();
    return S_OK;
  }
  long GetSize() override { return static_cast<long>(sample_.data.size()); }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override {
    if (!start || !end) return E_POINTER;
    *start = sample_.start;
    *end = sample_.start;
    return S_OK;
  }

 private:
  MediaSample& sample_;
};

}  // namespace

SampleListener::SampleListener() : in_(*this) {}

SampleListener::~SampleListener() = default;

HRESULT SampleListener::SetNotification(const std::wstring& name, ISampleNotification* client) {
  std::lock_guard g(clientLock_);
  listenerName_ = name;
  client_ = client;
  return S_OK;
}

HRESULT SampleListener::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  *type = AM_MEDIA_TYPE{};
  const IPin* upstream = in_.connectedTo();
  if (!upstream) return VFW_E_NOT_CONNECTED;
  const auto* typed = dynamic_cast<const IPinMediaType*>(upstream);
  if (!typed) return VFW_E_NOT_CONNECTED;
  return typed->GetMediaType(type);
}

HRESULT SampleListener::Run(int64_t) { return S_OK; }

HRESULT SampleListener::Stop() { return S_OK; }

int64_t SampleListener::received() const {
  std::lock_guard g(clientLock_);
  return received_;
}

int64_t SampleListener::dropped() const {
  std::lock_guard g(clientLock_);
  return dropped_;
}

void SampleListener::Input::NoteDropped() {
  std::lock_guard g(owner_.clientLock_);
  ++owner_.dropped_;
}

// Streaming thread. The sample goes back to the pool when this returns.
HRESULT SampleListener::deliver(SamplePtr sample) {
  if (!sample) return E_POINTER;
  std::lock_guard g(clientLock_);
  ++received_;
  if (!client_) return S_OK;
  FrameSample frame(*sample);
  return client_->onSample(&frame);
}

}  // namespace avmedia

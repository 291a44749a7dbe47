#pragma once
// The end of a playing chain: a sink filter that hands every decoded video frame that reaches
// its input pin to the module's callback, on the graph's streaming thread. Nothing else in the
// graph draws the video.
#include <memory>
#include <mutex>
#include <string>

#include "avmedia/Filter.h"
#include "avmedia/VideoTypes.h"

namespace avmedia {

// One frame as the callback sees it; valid only during the call.
class IMediaSample {
 public:
  virtual ~IMediaSample() = default;
  virtual HRESULT GetPointer(uint8_t** buffer) = 0;
  // The number of bytes the frame holds.
  virtual long GetSize() = 0;
  // Its presentation time and the end of it, from the start of the file.
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
};

// What the listener calls. Streaming thread; must not wait for the GUI thread.
class ISampleNotification {
 public:
  virtual ~ISampleNotification() = default;
  virtual HRESULT onSample(IMediaSample* sample) = 0;
};

// The listener's private interface.
class ISampleListener {
 public:
  virtual ~ISampleListener() = default;
  // Any thread. From now on every frame goes to `client` (null: to nobody). When it returns, a
  // call to the previous client that was under way has ended, so the caller may delete it.
  virtual HRESULT SetNotification(const std::wstring& name, ISampleNotification* client) = 0;
  // The media type of the input's connection, copied (the caller frees it with FreeMediaType);
  // VFW_E_NOT_CONNECTED while the input is not connected.
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
};

// The listener filter's class and its private interface.
inline constexpr std::string_view CLSID_SampleListener = "{797B4FFA-3656-4B8F-9159-C69452CFDA90}";
inline constexpr std::string_view IID_ISampleListener = "{7881A60A-FB89-47C3-8C75-B729E730E47C}";

class SampleListener : public IBaseFilter, public ISampleListener {
 public:
  // Frames that may wait between the decoder and the callback: the callback copies each at once.
  static constexpr std::size_t kPoolFrames = 2;

  SampleListener();
  ~SampleListener() override;

  HRESULT SetNotification(const std::wstring& name, ISampleNotification* client) override;
  HRESULT Run(int64_t startClockUs) override;
  HRESULT Stop() override;
  std::vector<IPin*> pins() override { return {&in_}; }
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  const std::wstring& listenerName() const { return listenerName_; }

  // How many frames came, and how many the decoder could not hand over (no free buffer).
  int64_t received() const;
  int64_t dropped() const;

 private:
  class Input : public IInputPin {
   public:
    explicit Input(SampleListener& owner) : IInputPin(owner, PinDirection::Input, MediaKind::Video), owner_(owner) {}
    SamplePtr GetBuffer() override { return owner_.pool_.tryAcquire(); }
    HRESULT Receive(SamplePtr sample) override { return owner_.deliver(std::move(sample)); }
    void NoteDropped() override;
    double PreferredFrameRate() const override { return 0; }
    bool AcceptsDecodedVideo() const override { return true; }

   private:
    SampleListener& owner_;
  };

  HRESULT deliver(SamplePtr sample);

  Input in_;
  SamplePool pool_{kPoolFrames};
  std::wstring listenerName_;
  // Held while the client is called: SetNotification waits for a call under way.
  mutable std::mutex clientLock_;
  ISampleNotification* client_ = nullptr;
  int64_t received_ = 0;
  int64_t dropped_ = 0;
};

}  // namespace avmedia

#pragma once
// The player's end of the listener filter: each frame that reaches the listener is copied, on
// the streaming thread, into an empty buffer of the pool and put full; then "NewSample" fires.
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include "avmedia/SampleListener.h"
#include "avmedia/VideoTypes.h"
#include "poolbuffers/PoolBuffers.h"

// The callback interface the listener calls (streaming thread).
class CSampleNotificationClient : public avmedia::ISampleNotification {
 public:
  ~CSampleNotificationClient() override = default;
  avmedia::HRESULT onSample(avmedia::IMediaSample* sample) override = 0;
};

class CSampleNotificationClientImp : public CSampleNotificationClient, public CEGUI::EventSet {
 public:
  // Fired after each stored frame, on the streaming thread, with plain EventArgs. Only this
  // set's own subscribers hear it (not the global set: it is not safe to search from another
  // thread), and they must be safe to call from that thread.
  static const CEGUI::String EventNewSample;  // "NewSample"

  // `buffers` is not owned and may be null (frames are then ignored).
  explicit CSampleNotificationClientImp(poolbuffers::IBufferManager* buffers);
  ~CSampleNotificationClientImp() override;

  // GUI thread, before the graph runs. Keeps a copy of the connection's media type; E_POINTER
  // for null, E_OUTOFMEMORY when the format block could not be copied (then its size is 0).
  avmedia::HRESULT setMediaType(const avmedia::AM_MEDIA_TYPE* type);
  const avmedia::AM_MEDIA_TYPE& mediaType() const { return mediaType_; }

  // Streaming thread.
  avmedia::HRESULT onSample(avmedia::IMediaSample* sample) override;

 private:
  poolbuffers::IBufferManager* buffers_;
  avmedia::AM_MEDIA_TYPE mediaType_{};
};

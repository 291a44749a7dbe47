#include "audio/CSampleNotificationClient.h"

#include <CEGUI/EventArgs.h>
#include <CEGUI/Logger.h>

#include <cstring>

#include "audio/CSampleData.h"

using namespace avmedia;

const CEGUI::String CSampleNotificationClientImp::EventNewSample("NewSample");

CSampleNotificationClientImp::CSampleNotificationClientImp(poolbuffers::IBufferManager* buffers)
    : buffers_(buffers) {}

CSampleNotificationClientImp::~CSampleNotificationClientImp() { FreeMediaType(mediaType_); }

HRESULT CSampleNotificationClientImp::setMediaType(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  FreeMediaType(mediaType_);
  return CopyMediaType(&mediaType_, type);
}

HRESULT CSampleNotificationClientImp::onSample(IMediaSample* sample) {
  if (!buffers_ || !sample) return S_OK;
  uint8_t* bytes = nullptr;
  if (FAILED(sample->GetPointer(&bytes)) || !bytes) return S_OK;
  const long size = sample->GetSize();
  // Without a video format the frame cannot be drawn: keep nothing.
  if (mediaType_.cbFormat < sizeof(VIDEOINFOHEADER) || !mediaType_.pbFormat) return S_OK;
  auto* frame = static_cast<CSampleData*>(buffers_->takeEmpty());
  if (!frame) {
    if (CEGUI::Logger* log = CEGUI::Logger::getSingletonPtr()) log->logEvent("No EmptyObjectPtr", CEGUI::Standard);
    return S_OK;
  }
  VIDEOINFOHEADER format;
  std::memcpy(&format, mediaType_.pbFormat, sizeof format);
  frame->setHeader(&format.bmiHeader);
  frame->setData(bytes, size);
  buffers_->putFull(frame);
  CEGUI::EventArgs args;
  // The own set only: the global one is the GUI thread's (see the header).
  fireEvent_impl(EventNewSample, args);
  return S_OK;
}

#pragma once
// The media type of a video connection as the module reads it: a VIDEOINFOHEADER format block
// whose BITMAPINFOHEADER describes the frames, in the layout of the system's headers (the
// module copies the header from 48 bytes into the block). Task memory is plain malloc here.
#include <cstddef>
#include <cstdint>

#include "avmedia/MediaTypes.h"

namespace avmedia {

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
  uint32_t biSize = sizeof(BITMAPINFOHEADER);
  int32_t biWidth = 0;
  // Positive: the bottom row comes first; negative: the top row comes first.
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  uint32_t dwBitRate = 0;
  uint32_t dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

// The frames the reader delivers: 32 bits a pixel, the bytes of each pixel in the order
// R, G, B, A (the order the GUI renderer's RGBA textures take), bottom row first.
constexpr uint32_t BI_RGBA32 = 0x41424752;  // 'RGBA'

// The kinds of media a connection carries (the major type of the system's structure).
enum class MajorType { None, Video, Audio };

struct AM_MEDIA_TYPE {
  MajorType majortype = MajorType::None;
  uint32_t subtype = 0;  // the frames' compression code (BI_RGBA32)
  bool bFixedSizeSamples = true;
  uint32_t lSampleSize = 0;
  // Unused: kept for the layout of the system's structure (no reference counting here).
  void* pUnk = nullptr;
  uint32_t cbFormat = 0;
  // Task memory (CoTaskMemAlloc), owned by the structure's holder.
  uint8_t* pbFormat = nullptr;
};

void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* memory);
// Frees the format block and zeroes the structure (the structure itself stays).
void FreeMediaType(AM_MEDIA_TYPE& type);
// A deep copy: E_OUTOFMEMORY when the format block could not be allocated (the copy then has no
// format block and a format size of 0).
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);

constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

}  // namespace avmedia

namespace avmedia {

// An output pin that knows the media type it delivers.
class IPinMediaType {
 public:
  virtual ~IPinMediaType() = default;
  // A copy for the caller (FreeMediaType frees it).
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE* type) const = 0;
};

}  // namespace avmedia

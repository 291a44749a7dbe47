#include "avmedia/VideoTypes.h"

#include <cstdlib>
#include <cstring>

namespace avmedia {

void* CoTaskMemAlloc(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }

void CoTaskMemFree(void* memory) { std::free(memory); }

void FreeMediaType(AM_MEDIA_TYPE& type) {
  CoTaskMemFree(type.pbFormat);
  type = AM_MEDIA_TYPE{};
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (!target || !source) return E_POINTER;
  *target = *source;
  target->pbFormat = nullptr;
  if (source->cbFormat == 0 || !source->pbFormat) {
    target->cbFormat = 0;
    return S_OK;
  }
  target->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(source->cbFormat));
  if (!target->pbFormat) {
    target->cbFormat = 0;
    return E_OUTOFMEMORY;
  }
  std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  return S_OK;
}

}  // namespace avmedia

#include "audio/CSampleData.h"

#include <algorithm>
#include <cstring>

CSampleData::~CSampleData() {
  delete[] data_;
  delete[] header_;
}

void CSampleData::setHeader(const avmedia::BITMAPINFOHEADER* header) {
  if (!header) return;
  // A header never claims less than the structure: the renderer reads its fields.
  const std::size_t size = std::max<std::size_t>(header->biSize, sizeof(avmedia::BITMAPINFOHEADER));
  delete[] header_;
  header_ = new uint8_t[size]();
  std::memcpy(header_, header, std::min<std::size_t>(header->biSize, size));
  reinterpret_cast<avmedia::BITMAPINFOHEADER*>(header_)->biSize = static_cast<uint32_t>(size);
}

void CSampleData::setData(const uint8_t* bytes, long length) {
  if (length <= 0 || !bytes) return;
  if (length != dataLength_) {
    delete[] data_;
    data_ = new uint8_t[static_cast<std::size_t>(length)];
    dataLength_ = length;
  }
  std::memcpy(data_, bytes, static_cast<std::size_t>(length));
}

void CSampleData::clearData() {
  if (data_) std::memset(data_, 0, static_cast<std::size_t>(dataLength_));
}

#pragma once
// One decoded video frame as the player keeps it: the pixels as the listener delivered them and
// a copy of the frame's bitmap header. Three of them travel between the streaming thread and the
// GUI thread through the buffer manager; the player owns them.
#include <cstdint>

#include "avmedia/VideoTypes.h"
#include "poolbuffers/PoolBuffers.h"

class CSampleData : public poolbuffers::PoolBuffer {
 public:
  CSampleData() = default;
  ~CSampleData() override;
  CSampleData(const CSampleData&) = delete;
  CSampleData& operator=(const CSampleData&) = delete;

  // Copies the header, as many bytes as its biSize says (at least the structure itself).
  void setHeader(const avmedia::BITMAPINFOHEADER* header);
  // Copies `length` bytes; nothing happens for a length of 0 or less. The array is reallocated
  // only when the length changes, so a stream of one size allocates once.
  void setData(const uint8_t* bytes, long length);
  // Zero-fills the pixels (black); length and header stay.
  void clearData();

  uint8_t* data() const { return data_; }
  long dataLength() const { return dataLength_; }
  // Null until the first frame.
  const avmedia::BITMAPINFOHEADER* header() const {
    return reinterpret_cast<const avmedia::BITMAPINFOHEADER*>(header_);
  }

 private:
  uint8_t* data_ = nullptr;
  long dataLength_ = 0;
  uint8_t* header_ = nullptr;
};

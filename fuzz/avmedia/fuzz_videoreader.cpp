// The video reader over arbitrary bytes: opening, decoding, converting and rewinding must
// never crash, hang or read out of bounds, whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "avmedia/VideoFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  avmedia::VideoFileReader reader;
  if (!reader.openMemory(data, size)) return 0;
  std::vector<uint8_t> frame(reader.frameBytes());
  for (int pass = 0; pass < 2; ++pass) {
    for (int n = 0; n < 32; ++n) {
      avmedia::REFERENCE_TIME pts = 0;
      if (reader.decodeNext(&pts) != avmedia::VideoFileReader::Step::Frame) break;
      reader.convertTo(frame.data());
    }
    if (!reader.seekTo(0)) break;
  }
  return 0;
}

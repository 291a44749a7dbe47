#pragma once
// Reads a video file back the way a player would: its container, codec, size, length, and
// the colours of its first picture.
#include <cstdint>
#include <string>

namespace vktest {

struct VideoProbe {
  bool opened = false;
  std::string container;
  std::string codec;
  int width = 0;
  int height = 0;
  int audioStreams = 0;
  double durationSeconds = 0;
  int64_t pictures = 0;
  // The first picture's colour (R, G, B) near its top-left and its bottom-left corner.
  uint8_t top[3] = {};
  uint8_t bottom[3] = {};
};

VideoProbe probeVideo(const std::string& path);

}  // namespace vktest

#pragma once
// Inputs of a mix made as the module makes them, and the mixed file read back as a player
// would: its container and streams.
#include <cstdint>
#include <string>
#include <vector>

namespace vktest {

// Raw 16-bit PCM as the engine records it: the voice mono (a 440 Hz tone), the music stereo
// (220 Hz), 44100 Hz.
void writeVoicePcm(const std::string& path, double seconds);
void writeMusicPcm(const std::string& path, double seconds);
// A 16-bit stereo WAV of a tone.
void writeWav(const std::string& path, double seconds, int rate = 44100, int channels = 2);
// A silent video through the capture's encoder (wmv2 in ASF), moving colour bars.
bool writeSilentVideo(const std::string& path, double seconds, int width, int height, int fps,
                      int bitRate = 2'500'000);

struct StreamProbe {
  std::string type;   // "video" or "audio"
  std::string codec;  // "wmv2", "wmav2", ...
  int width = 0, height = 0;
  int sampleRate = 0, channels = 0;
  double frameRate = 0;
};
struct FileProbe {
  bool opened = false;
  std::string container;
  double durationSeconds = 0;
  std::vector<StreamProbe> streams;
  const StreamProbe* find(const std::string& type) const;
};
FileProbe probeFile(const std::string& path);

}  // namespace vktest

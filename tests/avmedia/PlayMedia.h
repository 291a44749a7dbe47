#pragma once
// Small videos for the playing chain, made with the ffmpeg program, and a listener callback
// that records what reaches it.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "avmedia/SampleListener.h"

namespace vktest {

// A wmv2 video in ASF: the top half red, the bottom half blue, `frames` frames at `fps`.
bool writeTwoColourVideo(const std::string& path, int width, int height, int frames, int fps);
// A Windows Media file whose video stream has no frame at all.
bool writeEmptyVideo(const std::string& path);

class RecordingClient : public avmedia::ISampleNotification {
 public:
  avmedia::HRESULT onSample(avmedia::IMediaSample* sample) override;
  // Waits (real time) until at least `n` frames came.
  bool waitFor(std::size_t n, int timeoutMs = 10000);
  std::size_t count() const;
  std::vector<avmedia::REFERENCE_TIME> times() const;
  std::vector<uint8_t> last() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<avmedia::REFERENCE_TIME> times_;
  std::vector<uint8_t> last_;
};

}  // namespace vktest

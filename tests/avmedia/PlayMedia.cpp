#include "PlayMedia.h"

#include <chrono>
#include <cstdlib>

namespace vktest {

bool writeTwoColourVideo(const std::string& path, int width, int height, int frames, int fps) {
  const std::string half = std::to_string(width) + "x" + std::to_string(height / 2);
  const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i color=c=red:s=" + half + ":r=" +
                              std::to_string(fps) + " -f lavfi -i color=c=blue:s=" + half + ":r=" + std::to_string(fps) +
                              " -filter_complex vstack -frames:v " + std::to_string(frames) +
                              " -c:v wmv2 -b:v 500k -f asf '" + path + "'";
  return std::system(command.c_str()) == 0;
}

bool writeEmptyVideo(const std::string& path) {
  const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i color=c=red:s=64x32:r=10 -frames:v 0 "
                              "-c:v wmv2 -f asf '" + path + "'";
  return std::system(command.c_str()) == 0;
}

avmedia::HRESULT RecordingClient::onSample(avmedia::IMediaSample* sample) {
  uint8_t* bytes = nullptr;
  sample->GetPointer(&bytes);
  avmedia::REFERENCE_TIME start = 0, end = 0;
  sample->GetTime(&start, &end);
  {
    std::lock_guard g(lock_);
    times_.push_back(start);
    last_.assign(bytes, bytes + sample->GetSize());
  }
  arrived_.notify_all();
  return avmedia::S_OK;
}

bool RecordingClient::waitFor(std::size_t n, int timeoutMs) {
  std::unique_lock g(lock_);
  return arrived_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return times_.size() >= n; });
}

std::size_t RecordingClient::count() const {
  std::lock_guard g(lock_);
  return times_.size();
}

std::vector<avmedia::REFERENCE_TIME> RecordingClient::times() const {
  std::lock_guard g(lock_);
  return times_;
}

std::vector<uint8_t> RecordingClient::last() const {
  std::lock_guard g(lock_);
  return last_;
}

}  // namespace vktest

// Encodes raw RGBA frames (top row first) into a silent wmv2 file through the capture's own
// encoder, as fast as it goes, and prints the frames and seconds it took.
// usage: vokaran-encode-bench RAW WIDTH HEIGHT FPS BITRATE OUT.wmv
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "avmedia/AsfVideoEncoder.h"

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s RAW WIDTH HEIGHT FPS BITRATE OUT.wmv\n", argv[0]);
    return 2;
  }
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  avmedia::WMProfile::Video video;
  video.width = width;
  video.height = height;
  video.frameRate = std::atoi(argv[4]);
  video.bitRate = std::atoi(argv[5]);
  std::ifstream raw(argv[1], std::ios::binary);
  if (!raw || width <= 0 || height <= 0) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  avmedia::AsfVideoEncoder encoder;
  avmedia::MediaSample frame;
  frame.width = width;
  frame.height = height;
  frame.stride = width * 4;
  frame.data.resize(static_cast<std::size_t>(frame.stride) * height);
  const auto start = std::chrono::steady_clock::now();
  if (avmedia::FAILED(encoder.open(argv[6], video, width, height))) {
    std::fprintf(stderr, "%s\n", encoder.lastError().c_str());
    return 1;
  }
  int64_t n = 0;
  while (raw.read(reinterpret_cast<char*>(frame.data.data()), static_cast<std::streamsize>(frame.data.size()))) {
    if (avmedia::FAILED(encoder.write(frame, n++))) {
      std::fprintf(stderr, "%s\n", encoder.lastError().c_str());
      return 1;
    }
  }
  if (avmedia::FAILED(encoder.close())) {
    std::fprintf(stderr, "%s\n", encoder.lastError().c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("frames %lld seconds %.3f\n", static_cast<long long>(n), seconds);
  return 0;
}

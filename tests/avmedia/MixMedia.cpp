#include "MixMedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdio>
#include <fstream>

#include "avmedia/AsfVideoEncoder.h"

namespace vktest {
namespace {

void writeTone(const std::string& path, double seconds, int channels, double hz, bool header, int rate) {
  const auto frames = static_cast<int64_t>(seconds * rate);
  std::vector<int16_t> pcm(static_cast<std::size_t>(frames) * channels);
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      pcm[static_cast<std::size_t>(i * channels + c)] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / rate));
  std::ofstream out(path, std::ios::binary);
  if (header) {
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * channels * 2));
    u16(static_cast<uint16_t>(channels * 2));
    u16(16);
    out.write("data", 4);
    u32(bytes);
  }
  out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
}

}  // namespace

void writeVoicePcm(const std::string& path, double seconds) { writeTone(path, seconds, 1, 440, false, 44100); }
void writeMusicPcm(const std::string& path, double seconds) { writeTone(path, seconds, 2, 220, false, 44100); }
void writeWav(const std::string& path, double seconds, int rate, int channels) {
  writeTone(path, seconds, channels, 330, true, rate);
}

bool writeSilentVideo(const std::string& path, double seconds, int width, int height, int fps, int bitRate) {
  avmedia::AsfVideoEncoder encoder;
  avmedia::WMProfile::Video video;
  video.frameRate = fps;
  video.bitRate = bitRate;
  if (avmedia::FAILED(encoder.open(path, video, width, height))) return false;
  avmedia::MediaSample sample;
  sample.width = width;
  sample.height = height;
  sample.stride = width * 4;
  sample.data.resize(static_cast<std::size_t>(sample.stride) * height);
  const auto frames = static_cast<int64_t>(seconds * fps);
  for (int64_t f = 0; f < frames; ++f) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = &sample.data[(static_cast<std::size_t>(y) * width + x) * 4];
        const int bar = ((x + static_cast<int>(f) * 4) / 40) % 4;
        p[0] = static_cast<uint8_t>(bar * 60);
        p[1] = static_cast<uint8_t>(200 - bar * 40);
        p[2] = static_cast<uint8_t>(y * 255 / height);
        p[3] = 255;
      }
    if (avmedia::FAILED(encoder.write(sample, f))) return false;
  }
  return avmedia::SUCCEEDED(encoder.close());
}

const StreamProbe* FileProbe::find(const std::string& type) const {
  for (const StreamProbe& s : streams)
    if (s.type == type) return &s;
  return nullptr;
}

FileProbe probeFile(const std::string& path) {
  FileProbe probe;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return probe;
  if (avformat_find_stream_info(format, nullptr) >= 0) {
    probe.opened = true;
    probe.container = format->iformat->name;
    probe.durationSeconds = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVStream* s = format->streams[i];
      StreamProbe sp;
      sp.type = s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO   ? "video"
                : s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? "audio"
                                                                : "other";
      sp.codec = avcodec_get_name(s->codecpar->codec_id);
      sp.width = s->codecpar->width;
      sp.height = s->codecpar->height;
      sp.sampleRate = s->codecpar->sample_rate;
      sp.channels = s->codecpar->ch_layout.nb_channels;
      if (s->avg_frame_rate.den) sp.frameRate = av_q2d(s->avg_frame_rate);
      probe.streams.push_back(sp);
    }
  }
  avformat_close_input(&format);
  return probe;
}

}  // namespace vktest

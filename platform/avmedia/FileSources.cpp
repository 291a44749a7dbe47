#include "avmedia/FileSources.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <cstring>
#include <memory>

#include "oscompat/Utf.h"

namespace avmedia {
namespace {

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

HRESULT FileSourceBase::GetCurFile(std::wstring& path) const {
  if (path_.empty()) return E_FAIL;
  path = path_;
  return S_OK;
}

bool readWavFormat(const std::string& path, WavFormat& format, std::string& error) {
  format = WavFormat{};
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fseek(f.get(), 0, SEEK_END);
  const int64_t size = std::ftell(f.get());
  std::fseek(f.get(), 0, SEEK_SET);
  unsigned char head[12];
  if (std::fread(head, 1, 12, f.get()) != 12 || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4)) {
    error = path + " is not a WAV file";
    return false;
  }
  bool haveFormat = false;
  for (;;) {
    unsigned char chunk[8];
    if (std::fread(chunk, 1, 8, f.get()) != 8) break;
    const uint32_t length = le32(chunk + 4);
    const int64_t at = std::ftell(f.get());
    if (!std::memcmp(chunk, "fmt ", 4)) {
      unsigned char fmt[16];
      if (length < 16 || std::fread(fmt, 1, 16, f.get()) != 16) break;
      const uint16_t tag = le16(fmt);
      format.channels = le16(fmt + 2);
      format.sampleRate = static_cast<int>(le32(fmt + 4));
      const uint16_t bits = le16(fmt + 14);
      if ((tag != 1 && tag != 0xFFFE) || bits != 16) {
        error = path + " is not 16-bit PCM";
        return false;
      }
      if (format.channels < 1 || format.channels > 2 || format.sampleRate < 8000 || format.sampleRate > 192000) {
        error = path + ": " + std::to_string(format.channels) + " channels at " + std::to_string(format.sampleRate) +
                " Hz cannot be mixed";
        return false;
      }
      haveFormat = true;
    } else if (!std::memcmp(chunk, "data", 4)) {
      if (!haveFormat) break;
      format.dataOffset = at;
      // A header that was never completed (0 or the 4 GiB mark) claims less or more than
      // there is: the file's own length counts.
      format.dataBytes = std::min<int64_t>(length == 0 ? size - at : length, size - at);
      format.dataBytes -= format.dataBytes % (2 * format.channels);
      return true;
    }
    if (std::fseek(f.get(), at + length + (length & 1), SEEK_SET) != 0) break;
  }
  error = path + " has no " + std::string(haveFormat ? "data" : "format") + " chunk";
  return false;
}

HRESULT WavFileSource::Load(const std::wstring& path, const void*) {
  path_ = path;
  pathUtf8_ = oscompat::utf8FromWide(path);
  info_ = SourceInfo{};
  if (!readWavFormat(pathUtf8_, format_, info_.error)) {
    std::FILE* f = std::fopen(pathUtf8_.c_str(), "rb");
    if (!f) return E_FILE_OPEN;
    std::fclose(f);
    return E_INVALIDARG;
  }
  info_.valid = true;
  info_.duration = format_.dataBytes / (2 * format_.channels) * kUnitsPerSecond / format_.sampleRate;
  return S_OK;
}

HRESULT AsfReader::Load(const std::wstring& path, const void*) {
  path_ = path;
  pathUtf8_ = oscompat::utf8FromWide(path);
  info_ = SourceInfo{};
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, pathUtf8_.c_str(), nullptr, nullptr) < 0) {
    info_.error = "cannot open " + pathUtf8_;
    return E_FILE_OPEN;
  }
  HRESULT hr = S_OK;
  if (avformat_find_stream_info(format, nullptr) < 0 ||
      av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) < 0) {
    info_.error = pathUtf8_ + " holds no video";
    hr = E_INVALIDARG;
  } else {
    info_.valid = true;
    info_.duration = format->duration > 0 ? format->duration * (kUnitsPerSecond / AV_TIME_BASE) : 0;
  }
  avformat_close_input(&format);
  return hr;
}

}  // namespace avmedia

#pragma once
// The file sources of a mixing graph: a WAV file (the mixed sound of a performance) and a
// Windows Media file (its silent video). They do not push samples: the writer they are
// connected to reads their files itself on its own worker, so a mix runs as fast as the
// encoder can go and no sample is ever dropped.
#include <string>

#include "avmedia/Filter.h"

namespace avmedia {

class IFileSourceFilter {
 public:
  virtual ~IFileSourceFilter() = default;
  // `mediaType` is accepted for the caller's sake and ignored: the file says what it holds.
  virtual HRESULT Load(const std::wstring& path, const void* mediaType) = 0;
  virtual HRESULT GetCurFile(std::wstring& path) const = 0;
};

// What a loaded source holds, for the writer.
struct SourceInfo {
  bool valid = false;
  REFERENCE_TIME duration = 0;
  std::string error;  // why the file cannot be used (valid false)
};

class FileSourceBase : public IBaseFilter, public IFileSourceFilter {
 public:
  FileSourceBase(MediaKind kind) : out_(*this, PinDirection::Output, kind) {}
  HRESULT Run(int64_t) override { return S_OK; }
  HRESULT Stop() override { return S_OK; }
  std::vector<IPin*> pins() override { return {&out_}; }
  HRESULT GetCurFile(std::wstring& path) const override;
  const std::string& pathUtf8() const { return pathUtf8_; }
  const SourceInfo& info() const { return info_; }

 protected:
  std::wstring path_;
  std::string pathUtf8_;
  SourceInfo info_;

 private:
  IPin out_;
};

// 16-bit PCM WAV, any rate, one or two channels.
struct WavFormat {
  int sampleRate = 0;
  int channels = 0;
  int64_t dataOffset = 0;
  int64_t dataBytes = 0;  // what the file really holds (a header that claims more is cut)
};
// Reads the header; false with the reason when it is not a WAV this module can mix.
bool readWavFormat(const std::string& path, WavFormat& format, std::string& error);

class WavFileSource : public FileSourceBase {
 public:
  WavFileSource() : FileSourceBase(MediaKind::Audio) {}
  // Reads the header: E_FILE_OPEN for a file that cannot be read, E_INVALIDARG for one that
  // is not a 16-bit PCM WAV (the reason in info().error).
  HRESULT Load(const std::wstring& path, const void* mediaType) override;
  const WavFormat& format() const { return format_; }

 private:
  WavFormat format_;
};

class AsfReader : public FileSourceBase {
 public:
  AsfReader() : FileSourceBase(MediaKind::Video) {}
  // Opens the file and finds its video stream; the writer refuses a source that failed.
  HRESULT Load(const std::wstring& path, const void* mediaType) override;
};

}  // namespace avmedia

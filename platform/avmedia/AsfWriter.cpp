#include "avmedia/AsfWriter.h"

#include <pthread.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cmath>

#include "avmedia/FileSources.h"
#include "guishell/FrameReadback.h"
#include "oscompat/Log.h"
#include "oscompat/Utf.h"

namespace avmedia {
namespace {

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

AsfWriter::AsfWriter() : videoIn_(*this) {
  profile_.video = WMProfile::Video{};
}

AsfWriter::~AsfWriter() { Stop(); }

HRESULT AsfWriter::SetFileName(const std::wstring& path) {
  if (path.empty()) return E_INVALIDARG;
  if (worker_.joinable() || mixer_.joinable()) return VFW_E_WRONG_STATE;
  path_ = path;
  return S_OK;
}

HRESULT AsfWriter::ConfigureFilterUsingProfile(const WMProfile& profile) {
  if (worker_.joinable() || mixer_.joinable()) return VFW_E_WRONG_STATE;
  if (!profile.video && !profile.audio) return E_INVALIDARG;
  profile_ = profile;
  return S_OK;
}

HRESULT AsfWriter::Run(int64_t startClockUs) {
  if (worker_.joinable() || mixer_.joinable()) return S_FALSE;
  if (path_.empty()) return E_UNEXPECTED;
  if (mixing()) return runMix();
  if (!videoIn_.isConnected()) return VFW_E_NOT_CONNECTED;
  // Pictures are what the capture feeds: a profile without a video stream cannot take them.
  if (!profile_.video) return E_UNEXPECTED;
  {
    std::lock_guard g(lock_);
    stats_ = WriterStats{};
    stopping_ = false;
    accepting_ = true;
    queue_.clear();
  }
  failed_ = false;
  nextIndex_ = 0;
  startClockUs_ = startClockUs;
  worker_ = std::thread([this] { work(); });
  return S_OK;
}

HRESULT AsfWriter::Stop() {
  if (mixer_.joinable()) {
    mixProgress_.cancel = true;
    mixer_.join();
    return mixResult_.hr;
  }
  if (!worker_.joinable()) return S_OK;
  {
    std::lock_guard g(lock_);
    stopping_ = true;
    accepting_ = false;
    stopTime_ = (guishell::frameClockUs() - startClockUs_) * 10;
  }
  wake_.notify_all();
  worker_.join();
  const WriterStats s = stats();
  const std::string file = oscompat::utf8FromWide(path_);
  if (SUCCEEDED(s.result))
    oscompat::log(oscompat::LogLevel::Info,
                  "avmedia: " + file + " written: " + std::to_string(s.videoSeconds).substr(0, 6) + " s, " +
                      std::to_string(s.encoded) + " pictures, " + std::to_string(s.dropped) + " dropped, " +
                      std::to_string(s.late) + " late, encoder cpu " + std::to_string(s.encodeCpuSeconds).substr(0, 6) +
                      " s");
  return s.result;
}

namespace {

FileSourceBase* fileSourceOf(const IPin& pin) {
  if (!pin.connectedTo()) return nullptr;
  return dynamic_cast<FileSourceBase*>(&pin.connectedTo()->owner());
}

}  // namespace

bool AsfWriter::mixing() const { return fileSourceOf(videoIn_) || fileSourceOf(audioIn_); }

HRESULT AsfWriter::GetDuration(REFERENCE_TIME* duration) {
  if (!duration) return E_POINTER;
  if (!mixing()) return E_NOTIMPL;
  *duration = 0;
  for (const IPin* pin : {static_cast<const IPin*>(&videoIn_), static_cast<const IPin*>(&audioIn_)})
    if (FileSourceBase* source = fileSourceOf(*pin)) *duration = std::max(*duration, source->info().duration);
  return S_OK;
}

HRESULT AsfWriter::SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop, unsigned stopFlags) {
  if (mixer_.joinable()) return VFW_E_WRONG_STATE;
  if (currentFlags == AM_SEEKING_AbsolutePositioning && (!current || *current != 0)) return E_NOTIMPL;
  if (stopFlags == AM_SEEKING_AbsolutePositioning) {
    if (!stop || *stop < 0) return E_INVALIDARG;
    seekStop_ = *stop;
  }
  return S_OK;
}

HRESULT AsfWriter::GetCurrentPosition(REFERENCE_TIME* position) {
  if (!position) return E_POINTER;
  *position = mixProgress_.position.load(std::memory_order_relaxed);
  return S_OK;
}

MuxResult AsfWriter::mixResult() const {
  std::lock_guard g(lock_);
  return mixResult_;
}

HRESULT AsfWriter::runMix() {
  MuxJob job;
  job.output = oscompat::utf8FromWide(path_);
  job.profile = profile_;
  job.stop = seekStop_;
  for (IPin* pin : {static_cast<IPin*>(&videoIn_), &audioIn_}) {
    FileSourceBase* source = fileSourceOf(*pin);
    if (!source) continue;
    // A source whose file could not be read is a failure now, not an empty stream later.
    if (!source->info().valid) {
      oscompat::log(oscompat::LogLevel::Error, "avmedia: mixing " + job.output + ": " + source->info().error);
      return source->pathUtf8().empty() ? E_UNEXPECTED : E_FILE_OPEN;
    }
    (pin == &audioIn_ ? job.audioWav : job.video) = source->pathUtf8();
  }
  mixProgress_.cancel = false;
  mixProgress_.position = 0;
  {
    std::lock_guard g(lock_);
    mixResult_ = MuxResult{};
  }
  mixer_ = std::thread([this, job] {
    pthread_setname_np(pthread_self(), "vk-asf-mixer");
    MuxResult result = runMux(job, mixProgress_);
    if (SUCCEEDED(result.hr))
      oscompat::log(oscompat::LogLevel::Info, "avmedia: " + job.output + " mixed: " +
                                                  std::to_string(static_cast<double>(result.written) / kUnitsPerSecond).substr(0, 6) +
                                                  " s, video " + (job.video.empty() ? "none" : result.videoCopied ? "copied" : "encoded"));
    else if (result.hr != E_ABORT)
      oscompat::log(oscompat::LogLevel::Error, "avmedia: mixing " + job.output + " failed: " + result.error +
                                                   " (the partial file is removed)");
    const HRESULT hr = result.hr;
    {
      std::lock_guard g(lock_);
      mixResult_ = std::move(result);
    }
    if (hr != E_ABORT) notify(SUCCEEDED(hr) ? EC_COMPLETE : EC_ERRORABORT, hr, 0);
  });
  return S_OK;
}

WriterStats AsfWriter::stats() const {
  std::lock_guard g(lock_);
  return stats_;
}

void AsfWriter::fail(HRESULT hr, const std::string& why) {
  {
    std::lock_guard g(lock_);
    if (SUCCEEDED(stats_.result)) {
      stats_.result = hr;
      stats_.error = why;
    }
  }
  if (!failed_.exchange(true)) {
    oscompat::log(oscompat::LogLevel::Error, "avmedia: " + oscompat::utf8FromWide(path_) + ": " + why +
                                                 " (the video written so far is kept)");
    notify(EC_ERRORABORT, hr, 0);
  }
}

void AsfWriter::encodeSample(const MediaSample& sample) {
  if (failed_) return;
  const WMProfile::Video& video = *profile_.video;
  if (!encoder_.isOpen()) {
    int w = video.width, h = video.height;
    if (!w) {
      w = sample.targetWidth ? sample.targetWidth : sample.width;
      h = sample.targetHeight ? sample.targetHeight : sample.height;
      w &= ~1;
      h &= ~1;
    }
    const HRESULT hr = encoder_.open(oscompat::utf8FromWide(path_), video, w, h);
    if (FAILED(hr)) return fail(hr, encoder_.lastError());
  }
  // A picture stands in the frame it was drawn in (the capture takes one a frame). The first
  // stands from the start of the run: the video begins when the run did.
  const int64_t index = encoder_.framesWritten() == 0
                            ? 0
                            : sample.start * video.frameRate / kUnitsPerSecond;
  if (index < nextIndex_) {
    std::lock_guard g(lock_);
    ++stats_.late;
    return;
  }
  const HRESULT hr = encoder_.write(sample, index);
  if (FAILED(hr)) return fail(hr, encoder_.lastError());
  nextIndex_ = index + 1;
  std::lock_guard g(lock_);
  ++stats_.encoded;
}

void AsfWriter::work() {
  // The singing screen comes first: the encoder takes the time the GUI leaves over (on a busy
  // machine a picture is dropped before a frame of the GUI is late).
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kEncoderNice);
  pthread_setname_np(pthread_self(), "vk-asf-writer");
  const double cpuStart = threadCpuSeconds();
  const WMProfile::Video& video = *profile_.video;
  // With a size of its own the file is made at once; otherwise the first picture sizes it.
  if (video.width) {
    const HRESULT hr = encoder_.open(oscompat::utf8FromWide(path_), video, video.width, video.height);
    if (FAILED(hr)) fail(hr, encoder_.lastError());
  }
  REFERENCE_TIME stopTime = 0;
  for (;;) {
    SamplePtr sample;
    {
      std::unique_lock g(lock_);
      wake_.wait(g, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) {
        stopTime = stopTime_;
        break;
      }
      sample = std::move(queue_.front());
      queue_.pop_front();
    }
    encodeSample(*sample);
  }
  // The last picture stays until the moment of the stop: the video lasts as long as the run.
  if (encoder_.isOpen() && !failed_) {
    const int64_t last = std::llround(static_cast<double>(stopTime) * video.frameRate / kUnitsPerSecond) - 1;
    if (last >= nextIndex_ && encoder_.framesWritten() > 0) {
      const HRESULT hr = encoder_.repeatLast(last);
      if (FAILED(hr)) fail(hr, encoder_.lastError());
      else {
        nextIndex_ = last + 1;
        std::lock_guard g(lock_);
        ++stats_.encoded;
      }
    }
  }
  const bool wasOpen = encoder_.isOpen();
  const HRESULT closed = encoder_.close();
  if (FAILED(closed)) fail(closed, encoder_.lastError());
  {
    std::lock_guard g(lock_);
    stats_.encodeCpuSeconds = threadCpuSeconds() - cpuStart;
    stats_.videoSeconds = wasOpen ? static_cast<double>(nextIndex_) / video.frameRate : 0;
  }
  notify(EC_COMPLETE, S_OK, 0);
}

SamplePtr AsfWriter::VideoInput::GetBuffer() {
  if (writer_.failed_) return nullptr;
  return writer_.pool_.tryAcquire();
}

HRESULT AsfWriter::VideoInput::Receive(SamplePtr sample) {
  if (!sample) return E_POINTER;
  {
    std::lock_guard g(writer_.lock_);
    if (!writer_.accepting_) return VFW_E_WRONG_STATE;
    writer_.queue_.push_back(std::move(sample));
    ++writer_.stats_.received;
  }
  writer_.wake_.notify_one();
  return S_OK;
}

void AsfWriter::VideoInput::NoteDropped() {
  std::lock_guard g(writer_.lock_);
  ++writer_.stats_.dropped;
}

double AsfWriter::VideoInput::PreferredFrameRate() const {
  return writer_.profile_.video ? writer_.profile_.video->frameRate : 25.0;
}

}  // namespace avmedia

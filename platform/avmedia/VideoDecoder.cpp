#include "avmedia/VideoDecoder.h"

#include <algorithm>
#include <cstring>

#include "oscompat/Log.h"

namespace avmedia {

VideoDecoder::VideoDecoder()
    : in_(*this, PinDirection::Input, MediaKind::Video), out_(*this) {}

VideoDecoder::~VideoDecoder() { Stop(); }

HRESULT VideoDecoder::Open(const std::string& pathUtf8) {
  if (thread_.joinable()) return VFW_E_WRONG_STATE;
  path_ = pathUtf8;
  opened_ = false;
  if (!reader_.open(pathUtf8)) {
    error_ = reader_.error();
    oscompat::log(oscompat::LogLevel::Warning, "avmedia: video decoder: " + error_);
    return E_INVALIDARG;
  }
  error_.clear();
  opened_ = true;
  width_ = reader_.width();
  height_ = reader_.height();
  frameDuration_ = reader_.frameDuration();
  duration_ = reader_.duration();
  return S_OK;
}

HRESULT VideoDecoder::Output::GetMediaType(AM_MEDIA_TYPE* type) const {
  if (!type) return E_POINTER;
  *type = AM_MEDIA_TYPE{};
  if (owner_.width_ <= 0 || owner_.height_ <= 0) return VFW_E_NOT_CONNECTED;
  VIDEOINFOHEADER format;
  format.rcSource = RECT{0, 0, owner_.width_, owner_.height_};
  format.rcTarget = format.rcSource;
  format.AvgTimePerFrame = owner_.frameDuration_;
  format.bmiHeader.biWidth = owner_.width_;
  format.bmiHeader.biHeight = owner_.height_;  // bottom row first
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGBA32;
  format.bmiHeader.biSizeImage = static_cast<uint32_t>(owner_.width_) * owner_.height_ * 4;
  format.dwBitRate = static_cast<uint32_t>(
      std::min<int64_t>(int64_t{format.bmiHeader.biSizeImage} * 8 * kUnitsPerSecond / std::max<REFERENCE_TIME>(owner_.frameDuration_, 1),
                        UINT32_MAX));
  type->majortype = MajorType::Video;
  type->subtype = BI_RGBA32;
  type->bFixedSizeSamples = true;
  type->lSampleSize = format.bmiHeader.biSizeImage;
  type->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(sizeof format));
  if (!type->pbFormat) return E_OUTOFMEMORY;
  std::memcpy(type->pbFormat, &format, sizeof format);
  type->cbFormat = sizeof format;
  return S_OK;
}

void VideoDecoder::startThread(bool paused) {
  {
    std::lock_guard g(lock_);
    stopping_ = false;
    paused_ = paused;
    ended_ = false;
    primed_ = false;
    resync_ = true;
    anchorAtSeek_ = false;
    pausedAt_ = Clock::now();
    runSince_ = pausedAt_;
    // Every run from stopped starts at the beginning.
    seekPending_ = stats_.decoded > 0;
    seekTarget_ = 0;
    deliveredThisPass_ = 0;
    skippedInRow_ = 0;
  }
  position_ = 0;
  thread_ = std::thread([this] { stream(); });
}

HRESULT VideoDecoder::Run(int64_t) {
  if (!opened_) return VFW_E_NOT_CONNECTED;
  if (!dynamic_cast<IInputPin*>(out_.connectedTo())) return VFW_E_NOT_CONNECTED;
  if (!thread_.joinable()) {
    startThread(false);
    return S_OK;
  }
  {
    std::lock_guard g(lock_);
    if (!paused_) return S_FALSE;
    paused_ = false;
    runSince_ = Clock::now();
    // The pictures keep their spacing: the time spent paused moves the clock on.
    if (!resync_) origin_ += Clock::now() - pausedAt_;
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT VideoDecoder::Pause() {
  if (!opened_) return VFW_E_NOT_CONNECTED;
  if (!dynamic_cast<IInputPin*>(out_.connectedTo())) return VFW_E_NOT_CONNECTED;
  if (!thread_.joinable()) {
    startThread(true);
    return S_OK;
  }
  {
    std::lock_guard g(lock_);
    if (paused_) return S_FALSE;
    paused_ = true;
    pausedAt_ = Clock::now();
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT VideoDecoder::Stop() {
  if (!thread_.joinable()) return S_OK;
  {
    std::lock_guard g(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  return S_OK;
}

HRESULT VideoDecoder::GetDuration(REFERENCE_TIME* duration) {
  if (!duration) return E_POINTER;
  if (!opened_) return E_NOTIMPL;
  *duration = duration_;
  return S_OK;
}

HRESULT VideoDecoder::SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME*, unsigned) {
  if (currentFlags != AM_SEEKING_AbsolutePositioning) return S_OK;
  if (!current) return E_POINTER;
  if (*current < 0) return E_INVALIDARG;
  {
    std::lock_guard g(lock_);
    if (!thread_.joinable()) {
      // Stopped: the next run starts at the beginning anyway; other positions are not kept.
      return *current == 0 ? S_OK : VFW_E_WRONG_STATE;
    }
    seekPending_ = true;
    seekTarget_ = *current;
    seekAskedAt_ = Clock::now();
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT VideoDecoder::GetCurrentPosition(REFERENCE_TIME* position) {
  if (!position) return E_POINTER;
  *position = position_.load();
  return S_OK;
}

DecoderStats VideoDecoder::stats() const {
  std::lock_guard g(lock_);
  return stats_;
}

// Streaming thread from here on.

void VideoDecoder::stream() {
  std::unique_lock lock(lock_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || seekPending_ || (!ended_ && !(paused_ && primed_)); });
    if (stopping_) return;
    if (seekPending_) {
      const REFERENCE_TIME target = seekTarget_;
      seekPending_ = false;
      ended_ = false;
      primed_ = false;
      resync_ = true;
      anchorAtSeek_ = true;
      anchorTarget_ = target;
      skippedInRow_ = 0;
      deliveredThisPass_ = 0;
      lock.unlock();
      const bool sought = reader_.seekTo(target);
      lock.lock();
      if (!sought) {
        lock.unlock();
        endOfPass(true);
        lock.lock();
        ended_ = true;
      }
      continue;
    }
    lock.unlock();
    REFERENCE_TIME pts = 0;
    const VideoFileReader::Step step = reader_.decodeNext(&pts);
    lock.lock();
    if (step != VideoFileReader::Step::Frame) {
      ended_ = true;
      ++stats_.passes;
      // The last picture keeps its time on screen before the end is reported.
      if (paced_ && deliveredThisPass_ > 0 && !resync_) {
        bool late = false;
        if (!waitUntilDue(lock, position_.load() + frameDuration_, late)) continue;
      }
      lock.unlock();
      endOfPass(step == VideoFileReader::Step::Failed);
      lock.lock();
      continue;
    }
    ++stats_.decoded;
    bool late = false;
    if (paced_) {
      if (resync_) {
        const Clock::time_point now = Clock::now();
        if (paused_) {
          // Primed while paused: the pause counts from this picture on.
          origin_ = now - std::chrono::microseconds(pts / 10);
          pausedAt_ = now;
        } else if (anchorAtSeek_) {
          const Clock::time_point anchor = std::max(seekAskedAt_, runSince_);
          origin_ = std::min(now, anchor) - std::chrono::microseconds(anchorTarget_ / 10);
          late = now - (origin_ + std::chrono::microseconds(pts / 10)) > std::chrono::microseconds(frameDuration_ / 10);
        } else {
          origin_ = now - std::chrono::microseconds(pts / 10);
        }
        anchorAtSeek_ = false;
        resync_ = false;
      } else if (!waitUntilDue(lock, pts, late)) {
        continue;
      }
    }
    if (late && skippedInRow_ < kMaxSkippedInRow) {
      ++skippedInRow_;
      ++stats_.late;
      continue;
    }
    skippedInRow_ = 0;
    primed_ = true;
    lock.unlock();
    deliver(pts);
    lock.lock();
  }
}

bool VideoDecoder::waitUntilDue(std::unique_lock<std::mutex>& lock, REFERENCE_TIME pts, bool& late) {
  for (;;) {
    if (stopping_ || seekPending_) return false;
    if (paused_ && primed_) {
      wake_.wait(lock, [&] { return stopping_ || seekPending_ || !paused_; });
      continue;
    }
    const Clock::time_point due = origin_ + std::chrono::microseconds(pts / 10);
    const Clock::time_point now = Clock::now();
    if (now >= due) {
      late = now - due > std::chrono::microseconds(frameDuration_ / 10);
      return true;
    }
    wake_.wait_until(lock, due);
  }
}

void VideoDecoder::deliver(REFERENCE_TIME pts) {
  auto* receiver = dynamic_cast<IInputPin*>(out_.connectedTo());
  if (!receiver) return;
  SamplePtr sample = receiver->GetBuffer();
  if (!sample) {
    receiver->NoteDropped();
    std::lock_guard g(lock_);
    ++stats_.noBuffer;
    return;
  }
  // The buffer keeps its size from frame to frame: no allocation while the size stays.
  sample->data.resize(reader_.frameBytes());
  const auto t0 = Clock::now();
  if (!reader_.convertTo(sample->data.data())) return;
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  sample->width = width_;
  sample->height = height_;
  sample->stride = width_ * 4;
  sample->bottomUp = true;
  sample->targetWidth = width_;
  sample->targetHeight = height_;
  sample->start = pts;
  position_ = pts;
  {
    std::lock_guard g(lock_);
    ++stats_.delivered;
    ++deliveredThisPass_;
    stats_.convertSeconds += seconds;
  }
  receiver->Receive(std::move(sample));
}

void VideoDecoder::endOfPass(bool failed) {
  int64_t delivered;
  {
    std::lock_guard g(lock_);
    delivered = deliveredThisPass_;
  }
  if (delivered == 0 || failed) {
    // Said once per decoder: a video that loops must not fill the log.
    if (!loggedFailure_) {
      loggedFailure_ = true;
      const std::string why = failed ? reader_.error() : path_ + " holds no picture that could be decoded";
      oscompat::log(oscompat::LogLevel::Warning, "avmedia: video decoder: " + why);
    }
    if (delivered == 0) {
      notify(EC_ERRORABORT, 0, 0);
      return;
    }
  }
  notify(EC_COMPLETE, 0, 0);
}

}  // namespace avmedia

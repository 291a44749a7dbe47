#include "avmedia/VideoFileReader.h"

#include "avmedia/LibraryLog.h"
#include "avmedia/RgbaConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace avmedia {
namespace {

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// Bytes in memory as an FFmpeg input.
struct MemoryInput {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t at = 0;

  static int read(void* opaque, uint8_t* buffer, int want) {
    auto* in = static_cast<MemoryInput*>(opaque);
    const std::size_t left = in->size - in->at;
    if (left == 0) return AVERROR_EOF;
    const std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(want));
    std::memcpy(buffer, in->data + in->at, n);
    in->at += n;
    return static_cast<int>(n);
  }
  static int64_t seek(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<MemoryInput*>(opaque);
    if (whence == AVSEEK_SIZE) return static_cast<int64_t>(in->size);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET: base = 0; break;
      case SEEK_CUR: base = static_cast<int64_t>(in->at); break;
      case SEEK_END: base = static_cast<int64_t>(in->size); break;
      default: return -1;
    }
    const int64_t to = base + offset;
    if (to < 0 || to > static_cast<int64_t>(in->size)) return -1;
    in->at = static_cast<std::size_t>(to);
    return to;
  }
};

}  // namespace

struct VideoFileReader::Impl {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  RgbaConverter converter;
  AVIOContext* io = nullptr;
  MemoryInput memory;
  bool fromMemory = false;
  int stream = -1;
  AVRational timeBase{1, 1};
  int64_t startTime = 0;
  bool draining = false;
  bool haveFrame = false;
  REFERENCE_TIME lastPts = -1;

  // The picture after the one handed out is decoded on a thread of the reader's own while the
  // caller converts the one it has: `next` receives it, and the next decodeNext takes it.
  AVFrame* next = nullptr;
  std::thread prefetcher;
  std::mutex lock;
  std::condition_variable wake;
  std::condition_variable done;
  bool wanted = false;   // a prefetch was asked for and has not begun
  bool busy = false;     // one is being decoded
  bool ready = false;    // its outcome waits in the fields below
  bool stopping = false;
  Step nextStep = Step::End;
  REFERENCE_TIME nextPts = 0;
  std::string nextError;
  int64_t nextBad = 0;

  ~Impl() {
    if (prefetcher.joinable()) {
      {
        std::lock_guard g(lock);
        stopping = true;
      }
      wake.notify_all();
      prefetcher.join();
    }
    av_frame_free(&next);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
  }
};

VideoFileReader::VideoFileReader() = default;

VideoFileReader::~VideoFileReader() = default;

bool VideoFileReader::isOpen() const { return impl_ != nullptr; }

void VideoFileReader::close() {
  impl_.reset();
  pending_ = false;
}

bool VideoFileReader::open(const std::string& path) {
  quietenLibraryLog();
  close();
  path_ = path;
  impl_ = std::make_unique<Impl>();
  if (const int rc = avformat_open_input(&impl_->format, path.c_str(), nullptr, nullptr); rc < 0) {
    error_ = "cannot open " + path + ": " + avError(rc);
    close();
    return false;
  }
  return finishOpen();
}

bool VideoFileReader::openMemory(const uint8_t* data, std::size_t size) {
  quietenLibraryLog();
  close();
  path_ = "(memory)";
  impl_ = std::make_unique<Impl>();
  impl_->fromMemory = true;
  impl_->memory = MemoryInput{data, size, 0};
  constexpr int kIoBuffer = 32768;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
  impl_->io = avio_alloc_context(buffer, kIoBuffer, 0, &impl_->memory, &MemoryInput::read, nullptr, &MemoryInput::seek);
  impl_->format = avformat_alloc_context();
  if (!impl_->io || !impl_->format) {
    if (!impl_->io) av_free(buffer);
    error_ = "out of memory";
    close();
    return false;
  }
  impl_->format->pb = impl_->io;
  if (const int rc = avformat_open_input(&impl_->format, nullptr, nullptr, nullptr); rc < 0) {
    error_ = "cannot read the data: " + avError(rc);
    close();
    return false;
  }
  return finishOpen();
}

bool VideoFileReader::finishOpen() {
  Impl& d = *impl_;
  auto fail = [&](const std::string& why) {
    error_ = path_ + ": " + why;
    close();
    return false;
  };
  if (const int rc = avformat_find_stream_info(d.format, nullptr); rc < 0)
    return fail("avformat_find_stream_info: " + avError(rc));
  const AVCodec* decoder = nullptr;
  d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (d.stream < 0 || !decoder) return fail(d.stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for its video" : "no video");
  AVStream* stream = d.format->streams[d.stream];
  const AVCodecParameters* par = stream->codecpar;
  if (par->width <= 0 || par->height <= 0 || par->width > kMaxSide || par->height > kMaxSide)
    return fail("a picture of " + std::to_string(par->width) + "x" + std::to_string(par->height) + " cannot be shown");
  d.codec = avcodec_alloc_context3(decoder);
  if (!d.codec || avcodec_parameters_to_context(d.codec, par) < 0) return fail("avcodec_parameters_to_context failed");
  d.codec->thread_count = 0;
  if (const int rc = avcodec_open2(d.codec, decoder, nullptr); rc < 0) return fail("avcodec_open2: " + avError(rc));
  d.packet = av_packet_alloc();
  d.frame = av_frame_alloc();
  if (!d.packet || !d.frame) return fail("out of memory");
  d.timeBase = stream->time_base;
  d.startTime = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  width_ = par->width;
  height_ = par->height;
  codec_ = decoder->name;
  const AVRational rate = av_guess_frame_rate(d.format, stream, nullptr);
  frameDuration_ = rate.num > 0 && rate.den > 0 ? av_rescale(kUnitsPerSecond, rate.den, rate.num) : 400000;
  if (frameDuration_ <= 0 || frameDuration_ > kUnitsPerSecond * 10) frameDuration_ = 400000;
  duration_ = 0;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    duration_ = av_rescale_q(stream->duration, d.timeBase, AVRational{1, static_cast<int>(kUnitsPerSecond)});
  else if (d.format->duration > 0)
    duration_ = d.format->duration * (kUnitsPerSecond / AV_TIME_BASE);
  error_.clear();
  return true;
}

// Decodes the next picture of the stream into `frame`. `error` takes the reason when the
// stream cannot be decoded any more, `bad` counts the damaged packets skipped.
VideoFileReader::Step VideoFileReader::decodeInto(Impl& d, AVFrame* frame, REFERENCE_TIME* pts, std::string& error,
                                                  int64_t& bad) {
  int badInRow = 0;
  for (;;) {
    int rc = avcodec_receive_frame(d.codec, frame);
    if (rc == 0) {
      const int64_t ts = frame->best_effort_timestamp;
      REFERENCE_TIME t = d.lastPts < 0 ? 0 : d.lastPts + frameDuration_;
      if (ts != AV_NOPTS_VALUE)
        t = av_rescale_q(ts - d.startTime, d.timeBase, AVRational{1, static_cast<int>(kUnitsPerSecond)});
      d.lastPts = std::max<REFERENCE_TIME>(t, 0);
      if (pts) *pts = d.lastPts;
      return Step::Frame;
    }
    if (rc == AVERROR_EOF) return Step::End;
    if (rc != AVERROR(EAGAIN)) {
      // A picture the decoder could not finish: skip it.
      ++bad;
      if (++badInRow > kMaxBadPacketsInRow) {
        error = path_ + ": the video cannot be decoded: " + avError(rc);
        return Step::Failed;
      }
      continue;
    }
    if (d.draining) return Step::End;
    rc = av_read_frame(d.format, d.packet);
    if (rc < 0) {
      // The end of the file, or of what there is of a truncated one: drain the decoder.
      d.draining = true;
      avcodec_send_packet(d.codec, nullptr);
      continue;
    }
    if (d.packet->stream_index != d.stream) {
      av_packet_unref(d.packet);
      continue;
    }
    rc = avcodec_send_packet(d.codec, d.packet);
    av_packet_unref(d.packet);
    if (rc < 0 && rc != AVERROR(EAGAIN)) {
      ++bad;
      if (++badInRow > kMaxBadPacketsInRow) {
        error = path_ + ": the video cannot be decoded: " + avError(rc);
        return Step::Failed;
      }
    } else {
      badInRow = 0;
    }
  }
}

void VideoFileReader::startPrefetch() {
  Impl& d = *impl_;
  if (!d.next) d.next = av_frame_alloc();
  if (!d.next) return;  // then the next picture is decoded when it is asked for
  if (!d.prefetcher.joinable()) {
    d.prefetcher = std::thread([this, &d] {
      std::unique_lock lock(d.lock);
      for (;;) {
        d.wake.wait(lock, [&] { return d.stopping || d.wanted; });
        if (d.stopping) return;
        d.wanted = false;
        d.busy = true;
        lock.unlock();
        std::string error;
        int64_t bad = 0;
        REFERENCE_TIME pts = 0;
        const Step step = decodeInto(d, d.next, &pts, error, bad);
        lock.lock();
        d.nextStep = step;
        d.nextPts = pts;
        d.nextError = std::move(error);
        d.nextBad = bad;
        d.busy = false;
        d.ready = true;
        d.done.notify_all();
      }
    });
  }
  {
    std::lock_guard g(d.lock);
    d.wanted = true;
  }
  d.wake.notify_one();
}

// Waits for a prefetch under way; true when its outcome is there to be taken.
bool VideoFileReader::finishPrefetch() {
  Impl& d = *impl_;
  std::unique_lock lock(d.lock);
  d.done.wait(lock, [&] { return !d.wanted && !d.busy; });
  const bool ready = d.ready;
  d.ready = false;
  return ready;
}

VideoFileReader::Step VideoFileReader::decodeNext(REFERENCE_TIME* pts) {
  if (!impl_) return Step::Failed;
  Impl& d = *impl_;
  Step step;
  if (pending_) {
    pending_ = false;
    if (pts) *pts = pendingPts_;
    step = Step::Frame;
  } else if (finishPrefetch()) {
    step = d.nextStep;
    badPackets_ += d.nextBad;
    if (step == Step::Failed) error_ = d.nextError;
    if (step == Step::Frame) {
      std::swap(d.frame, d.next);
      d.haveFrame = true;
      if (pts) *pts = d.nextPts;
    }
  } else {
    step = decodeInto(d, d.frame, pts, error_, badPackets_);
    if (step == Step::Frame) d.haveFrame = true;
  }
  if (step == Step::Frame) startPrefetch();
  return step;
}

bool VideoFileReader::convertTo(uint8_t* out) {
  if (!impl_ || !out || !impl_->haveFrame) return false;
  Impl& d = *impl_;
  AVFrame* f = d.frame;
  if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide || f->format < 0) return false;
  return d.converter.convert(f, width_, height_, out);
}

bool VideoFileReader::seekTo(REFERENCE_TIME position) {
  if (!impl_) return false;
  pending_ = false;
  Impl& d = *impl_;
  finishPrefetch();  // a picture decoded ahead belongs to where the reader was
  position = std::max<REFERENCE_TIME>(position, 0);
  const int64_t target =
      d.startTime + av_rescale_q(position, AVRational{1, static_cast<int>(kUnitsPerSecond)}, d.timeBase);
  bool sought = av_seek_frame(d.format, d.stream, target, AVSEEK_FLAG_BACKWARD) >= 0;
  if (!sought && position == 0) sought = avformat_seek_file(d.format, -1, INT64_MIN, 0, 0, 0) >= 0;
  if (!sought) {
    // A file without an index: read it again from its start.
    if (d.fromMemory) {
      const MemoryInput memory = d.memory;
      if (!openMemory(memory.data, memory.size)) return false;
    } else if (!open(path_)) {
      return false;
    }
  } else {
    avcodec_flush_buffers(d.codec);
    d.draining = false;
    d.haveFrame = false;
    d.lastPts = -1;
  }
  if (position == 0) return true;
  // Decode up to the picture that covers the position; it stays the one converted next.
  REFERENCE_TIME pts = 0;
  for (;;) {
    if (decodeNext(&pts) != Step::Frame) return true;
    if (pts + frameDuration_ > position) break;
  }
  // That picture is the one the next decodeNext hands out.
  pending_ = true;
  pendingPts_ = pts;
  return true;
}

}  // namespace avmedia

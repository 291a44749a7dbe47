#include "Playable.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace vk::service {

namespace {

// The copy's encoding: a picture as good as a phone's screen needs, at a cost a small server
// carries; AAC at the bit rate of the original's sound.
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX264Crf = "23";
constexpr std::int64_t kAacBitRate = 128000;
// Below the request threads: a copy waits for spare processor time.
constexpr int kWorkerNice = 10;

struct FormatInput {
  AVFormatContext* p = nullptr;
  ~FormatInput() { avformat_close_input(&p); }
};
struct FormatOutput {
  AVFormatContext* p = nullptr;
  bool opened = false;
  ~FormatOutput() {
    if (!p) return;
    if (opened) avio_closep(&p->pb);
    avformat_free_context(p);
  }
};
struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoDeleter {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
using Codec = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Failure {
  std::string what;
};
void check(int code, const char* what) {
  if (code < 0) throw Failure{std::string(what) + ": " + avError(code)};
}

Codec openDecoder(const AVStream* stream) {
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!decoder) throw Failure{std::string("no decoder for ") + avcodec_get_name(stream->codecpar->codec_id)};
  Codec codec(avcodec_alloc_context3(decoder));
  check(avcodec_parameters_to_context(codec.get(), stream->codecpar), "decoder parameters");
  codec->pkt_timebase = stream->time_base;
  check(avcodec_open2(codec.get(), decoder, nullptr), "opening the decoder");
  return codec;
}

// One stream of the copy: its encoder and the output stream it writes into.
struct Encoded {
  Codec codec;
  AVStream* stream = nullptr;
};

void writePackets(AVFormatContext* output, Encoded& encoded, AVFrame* frame) {
  check(avcodec_send_frame(encoded.codec.get(), frame), "encoding");
  Packet packet(av_packet_alloc());
  for (;;) {
    int code = avcodec_receive_packet(encoded.codec.get(), packet.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return;
    check(code, "encoding");
    av_packet_rescale_ts(packet.get(), encoded.codec->time_base, encoded.stream->time_base);
    packet->stream_index = encoded.stream->index;
    check(av_interleaved_write_frame(output, packet.get()), "writing the copy");
  }
}

class Transcoder {
 public:
  Transcoder(const std::filesystem::path& source, const std::filesystem::path& output, const std::atomic<bool>& cancel)
      : cancel_(cancel) {
    check(avformat_open_input(&input_.p, source.c_str(), nullptr, nullptr), "opening the work");
    check(avformat_find_stream_info(input_.p, nullptr), "reading the work's streams");
    videoIndex_ = av_find_best_stream(input_.p, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    audioIndex_ = av_find_best_stream(input_.p, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    // A cover picture is no video.
    if (videoIndex_ >= 0 && (input_.p->streams[videoIndex_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
      videoIndex_ = -1;
    if (videoIndex_ < 0 && audioIndex_ < 0) throw Failure{"the work has neither video nor sound"};

    check(avformat_alloc_output_context2(&output_.p, nullptr, "mp4", output.c_str()), "creating the copy");
    if (videoIndex_ >= 0) openVideo();
    if (audioIndex_ >= 0) openAudio();
    check(avio_open(&output_.p->pb, output.c_str(), AVIO_FLAG_WRITE), "creating the copy");
    output_.opened = true;
    AVDictionary* options = nullptr;
    // The index at the front: a browser starts playing, and seeks, before it has the whole file.
    av_dict_set(&options, "movflags", "+faststart", 0);
    int code = avformat_write_header(output_.p, &options);
    av_dict_free(&options);
    check(code, "writing the copy's header");
  }

  TranscodeResult run() {
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    for (;;) {
      if (cancel_.load()) throw Failure{"cancelled"};
      int code = av_read_frame(input_.p, packet.get());
      if (code == AVERROR_EOF) break;
      check(code, "reading the work");
      if (packet->stream_index == videoIndex_) {
        decode(videoDecoder_.get(), packet.get(), frame.get(), true);
      } else if (packet->stream_index == audioIndex_) {
        decode(audioDecoder_.get(), packet.get(), frame.get(), false);
      }
      av_packet_unref(packet.get());
    }
    if (videoDecoder_) decode(videoDecoder_.get(), nullptr, frame.get(), true);
    if (audioDecoder_) decode(audioDecoder_.get(), nullptr, frame.get(), false);
    if (video_.codec) writePackets(output_.p, video_, nullptr);
    if (audio_.codec) {
      flushAudio(true);
      writePackets(output_.p, audio_, nullptr);
    }
    check(av_write_trailer(output_.p), "completing the copy");
    TranscodeResult result;
    result.ok = true;
    result.audioOnly = !video_.codec;
    double videoSeconds = lastVideoPts_ >= 0 ? static_cast<double>(lastVideoPts_) * av_q2d(video_.codec->time_base) : 0;
    double audioSeconds = audio_.codec ? static_cast<double>(audioSamples_) / audio_.codec->sample_rate : 0;
    result.seconds = std::max(videoSeconds, audioSeconds);
    return result;
  }

 private:
  void openVideo() {
    const AVStream* in = input_.p->streams[videoIndex_];
    videoDecoder_ = openDecoder(in);
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    if (!x264) throw Failure{"this machine's libavcodec has no H.264 encoder (libx264)"};
    video_.codec.reset(avcodec_alloc_context3(x264));
    AVCodecContext* c = video_.codec.get();
    // 4:2:0 needs an even size.
    c->width = videoDecoder_->width & ~1;
    c->height = videoDecoder_->height & ~1;
    if (c->width < 2 || c->height < 2) throw Failure{"the work's video has no size"};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->sample_aspect_ratio = videoDecoder_->sample_aspect_ratio;
    AVRational rate = av_guess_frame_rate(input_.p, const_cast<AVStream*>(in), nullptr);
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 120) rate = {25, 1};
    c->framerate = rate;
    // The source's own clock: pictures keep the times they have in the work.
    c->time_base = in->time_base;
    c->gop_size = static_cast<int>(av_q2d(rate) * 2 + 0.5);  // a key picture every 2 s to seek to
    if (output_.p->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c->priv_data, "preset", kX264Preset, 0);
    av_opt_set(c->priv_data, "crf", kX264Crf, 0);
    av_opt_set(c->priv_data, "profile", "high", 0);
    c->thread_count = 2;
    check(avcodec_open2(c, x264, nullptr), "opening the H.264 encoder");
    video_.stream = avformat_new_stream(output_.p, nullptr);
    if (!video_.stream) throw Failure{"no memory for the copy's video"};
    check(avcodec_parameters_from_context(video_.stream->codecpar, c), "the copy's video parameters");
    video_.stream->time_base = c->time_base;
    video_.stream->avg_frame_rate = rate;
    scaled_.reset(av_frame_alloc());
    scaled_->format = c->pix_fmt;
    scaled_->width = c->width;
    scaled_->height = c->height;
    check(av_frame_get_buffer(scaled_.get(), 0), "picture memory");
  }

  void openAudio() {
    const AVStream* in = input_.p->streams[audioIndex_];
    audioDecoder_ = openDecoder(in);
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac) throw Failure{"this machine's libavcodec has no AAC encoder"};
    audio_.codec.reset(avcodec_alloc_context3(aac));
    AVCodecContext* c = audio_.codec.get();
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = audioDecoder_->sample_rate > 0 ? audioDecoder_->sample_rate : 44100;
    const int channels = audioDecoder_->ch_layout.nb_channels == 1 ? 1 : 2;
    av_channel_layout_default(&c->ch_layout, channels);
    c->bit_rate = kAacBitRate;
    c->time_base = {1, c->sample_rate};
    if (output_.p->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(c, aac, nullptr), "opening the AAC encoder");
    audio_.stream = avformat_new_stream(output_.p, nullptr);
    if (!audio_.stream) throw Failure{"no memory for the copy's sound"};
    check(avcodec_parameters_from_context(audio_.stream->codecpar, c), "the copy's sound parameters");
    audio_.stream->time_base = c->time_base;

    SwrContext* swr = nullptr;
    AVChannelLayout inLayout;
    if (audioDecoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || audioDecoder_->ch_layout.nb_channels <= 0)
      av_channel_layout_default(&inLayout, std::max(1, audioDecoder_->ch_layout.nb_channels));
    else
      check(av_channel_layout_copy(&inLayout, &audioDecoder_->ch_layout), "channel layout");
    int code = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &inLayout,
                                   audioDecoder_->sample_fmt, audioDecoder_->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    check(code, "sound conversion");
    resampler_.reset(swr);
    check(swr_init(swr), "sound conversion");
    fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, c->frame_size * 4));
    if (!fifo_) throw Failure{"no memory for the sound"};
  }

  void decode(AVCodecContext* decoder, const AVPacket* packet, AVFrame* frame, bool video) {
    int code = avcodec_send_packet(decoder, packet);
    // A damaged packet costs its pictures or sound, not the copy.
    if (code < 0 && code != AVERROR_EOF) return;
    for (;;) {
      code = avcodec_receive_frame(decoder, frame);
      if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return;
      if (code < 0) return;
      if (video)
        takePicture(frame);
      else
        takeSound(frame);
      av_frame_unref(frame);
    }
  }

  void takePicture(AVFrame* frame) {
    AVCodecContext* c = video_.codec.get();
    if (!scaler_ || frame->width != scalerWidth_ || frame->height != scalerHeight_ || frame->format != scalerFormat_) {
      scaler_.reset(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), c->width,
                                   c->height, c->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
      if (!scaler_) throw Failure{"cannot convert the work's pictures"};
      scalerWidth_ = frame->width;
      scalerHeight_ = frame->height;
      scalerFormat_ = frame->format;
    }
    check(av_frame_make_writable(scaled_.get()), "picture memory");
    sws_scale(scaler_.get(), frame->data, frame->linesize, 0, frame->height, scaled_->data, scaled_->linesize);
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) pts = lastVideoPts_ + 1;
    const std::int64_t start = input_.p->streams[videoIndex_]->start_time;
    if (start != AV_NOPTS_VALUE) pts -= start;
    // Times only move forward in the copy.
    if (pts <= lastVideoPts_) pts = lastVideoPts_ + 1;
    lastVideoPts_ = pts;
    scaled_->pts = pts;
    writePackets(output_.p, video_, scaled_.get());
  }

  void takeSound(AVFrame* frame) {
    AVCodecContext* c = audio_.codec.get();
    const int room = swr_get_out_samples(resampler_.get(), frame->nb_samples);
    Frame converted(av_frame_alloc());
    converted->format = c->sample_fmt;
    converted->sample_rate = c->sample_rate;
    check(av_channel_layout_copy(&converted->ch_layout, &c->ch_layout), "channel layout");
    converted->nb_samples = room;
    check(av_frame_get_buffer(converted.get(), 0), "sound memory");
    int got = swr_convert(resampler_.get(), converted->data, room, const_cast<const uint8_t**>(frame->extended_data),
                          frame->nb_samples);
    check(got, "sound conversion");
    if (got > 0) check(av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted->data), got), "sound");
    flushAudio(false);
  }

  // Hands the encoder whole frames of its size (the last one may be short).
  void flushAudio(bool end) {
    AVCodecContext* c = audio_.codec.get();
    const int size = c->frame_size > 0 ? c->frame_size : 1024;
    while (av_audio_fifo_size(fifo_.get()) >= size || (end && av_audio_fifo_size(fifo_.get()) > 0)) {
      const int n = std::min(size, av_audio_fifo_size(fifo_.get()));
      Frame frame(av_frame_alloc());
      frame->format = c->sample_fmt;
      frame->sample_rate = c->sample_rate;
      check(av_channel_layout_copy(&frame->ch_layout, &c->ch_layout), "channel layout");
      frame->nb_samples = n;
      check(av_frame_get_buffer(frame.get(), 0), "sound memory");
      av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), n);
      frame->pts = audioSamples_;
      audioSamples_ += n;
      writePackets(output_.p, audio_, frame.get());
    }
  }

  const std::atomic<bool>& cancel_;
  FormatInput input_;
  FormatOutput output_;
  int videoIndex_ = -1, audioIndex_ = -1;
  Codec videoDecoder_, audioDecoder_;
  Encoded video_, audio_;
  Frame scaled_;
  std::unique_ptr<SwsContext, SwsDeleter> scaler_;
  int scalerWidth_ = 0, scalerHeight_ = 0, scalerFormat_ = -1;
  std::unique_ptr<SwrContext, SwrDeleter> resampler_;
  std::unique_ptr<AVAudioFifo, FifoDeleter> fifo_;
  std::int64_t lastVideoPts_ = -1;
  std::int64_t audioSamples_ = 0;
};

}  // namespace

TranscodeResult transcodeForBrowser(const std::filesystem::path& source, const std::filesystem::path& output,
                                    const std::atomic<bool>& cancel) {
  try {
    Transcoder transcoder(source, output, cancel);
    return transcoder.run();
  } catch (const Failure& failure) {
    TranscodeResult result;
    result.error = failure.what;
    return result;
  } catch (const std::exception& e) {
    TranscodeResult result;
    result.error = e.what();
    return result;
  }
}

PlayableCopies::PlayableCopies(std::filesystem::path folder) : folder_(std::move(folder)) {
  // The encoders' own chatter stays out of the service's log; their errors come through.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
  std::filesystem::create_directories(folder_);
  // Part files of copies a stopped service was making: they are made again when asked for.
  std::error_code error;
  for (auto& entry : std::filesystem::directory_iterator(folder_, error))
    if (entry.path().extension() == ".part") std::filesystem::remove(entry.path(), error);
  worker_ = std::thread([this] { work(); });
}

PlayableCopies::~PlayableCopies() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
    cancelCurrent_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

std::filesystem::path PlayableCopies::file(std::int64_t uploadId, const char* extension) const {
  return folder_ / ("u" + std::to_string(uploadId) + extension);
}

void PlayableCopies::request(std::int64_t uploadId, const std::filesystem::path& source) {
  std::error_code error;
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || current_ == uploadId) return;
    for (auto& job : queue_)
      if (job.uploadId == uploadId) return;
    for (const char* extension : {".mp4", ".m4a", ".failed"})
      if (std::filesystem::exists(file(uploadId, extension), error)) return;
    queue_.push_back(Job{uploadId, source});
  }
  wake_.notify_all();
}

PlayableCopies::Copy PlayableCopies::find(std::int64_t uploadId) const {
  std::error_code error;
  if (std::filesystem::exists(file(uploadId, ".mp4"), error)) return {State::Video, videoName(uploadId)};
  if (std::filesystem::exists(file(uploadId, ".m4a"), error)) return {State::Audio, audioName(uploadId)};
  if (std::filesystem::exists(file(uploadId, ".failed"), error)) {
    std::ifstream in(file(uploadId, ".failed"));
    std::string reason;
    std::getline(in, reason);
    return {State::Failed, reason};
  }
  return {};
}

void PlayableCopies::remove(std::int64_t uploadId) {
  std::unique_lock lock(mutex_);
  std::erase_if(queue_, [&](const Job& job) { return job.uploadId == uploadId; });
  if (current_ == uploadId) {
    cancelCurrent_ = true;
    // The worker finishes the copy under the lock: wait until it has let this one go.
    idle_.wait(lock, [&] { return current_ != uploadId; });
  }
  std::error_code error;
  for (const char* extension : {".mp4", ".m4a", ".failed", ".mp4.part"})
    std::filesystem::remove(file(uploadId, extension), error);
}

bool PlayableCopies::waitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, timeout, [&] { return queue_.empty() && current_ == 0; });
}

void PlayableCopies::work() {
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) break;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    current_ = job.uploadId;
    cancelCurrent_ = false;
    lock.unlock();

    const std::filesystem::path part = file(job.uploadId, ".mp4.part");
    const auto started = std::chrono::steady_clock::now();
    TranscodeResult result = transcodeForBrowser(job.source, part, cancelCurrent_);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    lock.lock();
    std::error_code error;
    if (cancelCurrent_) {
      std::filesystem::remove(part, error);
    } else if (result.ok) {
      const auto final = file(job.uploadId, result.audioOnly ? ".m4a" : ".mp4");
      std::filesystem::rename(part, final, error);
      std::fprintf(stderr, "vokaran-service: playable copy %s: %.1f s of %s in %.1f s\n", final.filename().c_str(),
                   result.seconds, result.audioOnly ? "sound" : "video", took);
    } else {
      std::filesystem::remove(part, error);
      std::ofstream(file(job.uploadId, ".failed")) << result.error << '\n';
      std::fprintf(stderr, "vokaran-service: no playable copy of %s: %s\n", job.source.filename().c_str(),
                   result.error.c_str());
    }
    current_ = 0;
    idle_.notify_all();
  }
  current_ = 0;
  idle_.notify_all();
}

}  // namespace vk::service

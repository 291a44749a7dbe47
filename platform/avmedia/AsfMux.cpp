#include "avmedia/AsfMux.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <cstdio>
#include <memory>
#include <vector>

#include "avmedia/FileSources.h"

namespace avmedia {

std::string partialName(const std::string& output) { return output + ".part"; }

namespace {

std::atomic<int> packetDelayUs{0};

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Mux {
  const MuxJob& job;
  MuxProgress& progress;
  MuxResult result;
  std::string temp;

  AVFormatContext* out = nullptr;
  // Sound.
  std::FILE* wav = nullptr;
  WavFormat wavFormat;
  int64_t wavFramesLeft = 0;
  bool lastChunk = false;
  AVCodecContext* aenc = nullptr;
  AVStream* aout = nullptr;
  SwrContext* swr = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* aframe = nullptr;
  int64_t samplesSent = 0;
  int64_t audioStopSamples = INT64_MAX;
  bool audioDone = true;
  // Video.
  AVFormatContext* in = nullptr;
  int vin = -1;
  AVStream* vout = nullptr;
  AVCodecContext* vdec = nullptr;
  AVCodecContext* venc = nullptr;
  SwsContext* sws = nullptr;
  AVFrame* decoded = nullptr;
  AVFrame* picture = nullptr;
  int64_t nextPicture = 0;
  REFERENCE_TIME videoAt = 0;
  bool videoDone = true;
  bool copy = false;
  AVPacket* packet = nullptr;
  bool headerWritten = false;

  Mux(const MuxJob& j, MuxProgress& p) : job(j), progress(p), temp(partialName(j.output)) {}
  ~Mux() {
    if (wav) std::fclose(wav);
    avcodec_free_context(&aenc);
    swr_free(&swr);
    if (fifo) av_audio_fifo_free(fifo);
    av_frame_free(&aframe);
    avformat_close_input(&in);
    avcodec_free_context(&vdec);
    avcodec_free_context(&venc);
    sws_freeContext(sws);
    av_frame_free(&decoded);
    av_frame_free(&picture);
    av_packet_free(&packet);
    if (out) {
      if (out->pb) avio_closep(&out->pb);
      avformat_free_context(out);
    }
  }

  HRESULT fail(HRESULT hr, const std::string& what, int code = 0) {
    if (code == AVERROR(ENOSPC)) hr = E_DISK_FULL;
    result.hr = hr;
    result.error = code ? what + ": " + avError(code) : what;
    if (hr == E_DISK_FULL) result.error = what + ": the disk is full";
    return hr;
  }

  REFERENCE_TIME audioAt() const {
    return aenc ? samplesSent * kUnitsPerSecond / aenc->sample_rate : 0;
  }

  HRESULT write(AVPacket* p) {
    if (const int delay = packetDelayUs.load(std::memory_order_relaxed)) std::this_thread::sleep_for(std::chrono::microseconds(delay));
    const int rc = av_interleaved_write_frame(out, p);
    if (rc < 0) return fail(E_FAIL, "writing " + job.output, rc);
    // Buffered writes report a full disk when the buffer goes out.
    if (out->pb && out->pb->error < 0) return fail(E_FAIL, "writing " + job.output, out->pb->error);
    return S_OK;
  }

  HRESULT drain(AVCodecContext* enc, AVStream* stream) {
    for (;;) {
      int rc = avcodec_receive_packet(enc, packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return S_OK;
      if (rc < 0) return fail(E_FAIL, "encoding", rc);
      av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (FAILED(write(packet))) return result.hr;
    }
  }

  HRESULT openAudio() {
    std::string error;
    if (!readWavFormat(job.audioWav, wavFormat, error)) return fail(E_INVALIDARG, error);
    wav = std::fopen(job.audioWav.c_str(), "rb");
    if (!wav || std::fseek(wav, wavFormat.dataOffset, SEEK_SET) != 0) return fail(E_FILE_OPEN, "cannot read " + job.audioWav);
    wavFramesLeft = wavFormat.dataBytes / (2 * wavFormat.channels);
    const WMProfile::Audio a = job.profile.audio.value_or(WMProfile::Audio{});
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec) return fail(E_FAIL, "no wmav2 encoder");
    aenc = avcodec_alloc_context3(codec);
    aenc->sample_rate = a.sampleRate;
    av_channel_layout_default(&aenc->ch_layout, a.channels);
    aenc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    aenc->bit_rate = a.bitRate;
    aenc->time_base = AVRational{1, a.sampleRate};
    if (out->oformat->flags & AVFMT_GLOBALHEADER) aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(aenc, codec, nullptr);
    if (rc < 0) return fail(E_FAIL, "the wmav2 encoder did not open", rc);
    aout = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(aout->codecpar, aenc);
    aout->time_base = aenc->time_base;
    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, wavFormat.channels);
    rc = swr_alloc_set_opts2(&swr, &aenc->ch_layout, AV_SAMPLE_FMT_FLTP, aenc->sample_rate, &inLayout, AV_SAMPLE_FMT_S16,
                             wavFormat.sampleRate, 0, nullptr);
    if (rc < 0 || swr_init(swr) < 0) return fail(E_FAIL, "no sound converter", rc);
    fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, a.channels, aenc->frame_size * 4);
    aframe = av_frame_alloc();
    aframe->format = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_copy(&aframe->ch_layout, &aenc->ch_layout);
    aframe->sample_rate = aenc->sample_rate;
    aframe->nb_samples = aenc->frame_size;
    if ((rc = av_frame_get_buffer(aframe, 0)) < 0) return fail(E_FAIL, "sound buffer", rc);
    if (job.stop >= 0) audioStopSamples = job.stop * aenc->sample_rate / kUnitsPerSecond;
    audioDone = false;
    return S_OK;
  }

  HRESULT openVideo() {
    int rc = avformat_open_input(&in, job.video.c_str(), nullptr, nullptr);
    if (rc < 0) return fail(E_FILE_OPEN, "cannot open " + job.video, rc);
    if ((rc = avformat_find_stream_info(in, nullptr)) < 0) return fail(E_INVALIDARG, "reading " + job.video, rc);
    vin = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vin < 0) return fail(E_INVALIDARG, job.video + " holds no video");
    AVStream* s = in->streams[vin];
    const WMProfile::Video v = job.profile.video.value_or(WMProfile::Video{});
    const int width = v.width ? v.width : s->codecpar->width & ~1;
    const int height = v.height ? v.height : s->codecpar->height & ~1;
    const AVRational rate = s->avg_frame_rate.num ? s->avg_frame_rate : s->r_frame_rate;
    const int64_t bitRate = s->codecpar->bit_rate ? s->codecpar->bit_rate : in->bit_rate;
    copy = s->codecpar->codec_id == AV_CODEC_ID_WMV2 && s->codecpar->width == width && s->codecpar->height == height &&
           rate.den && av_cmp_q(rate, AVRational{v.frameRate, 1}) == 0 && bitRate > 0 && bitRate <= v.bitRate * 21 / 20;
    vout = avformat_new_stream(out, nullptr);
    if (copy) {
      avcodec_parameters_copy(vout->codecpar, s->codecpar);
      vout->codecpar->codec_tag = 0;
      vout->time_base = s->time_base;
      vout->avg_frame_rate = rate;
    } else {
      const AVCodec* decoder = avcodec_find_decoder(s->codecpar->codec_id);
      const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMV2);
      if (!decoder || !encoder) return fail(E_FAIL, "no decoder for " + job.video + " or no wmv2 encoder");
      vdec = avcodec_alloc_context3(decoder);
      avcodec_parameters_to_context(vdec, s->codecpar);
      if ((rc = avcodec_open2(vdec, decoder, nullptr)) < 0) return fail(E_FAIL, "the video decoder did not open", rc);
      if (width < 16 || height < 16) return fail(E_INVALIDARG, "the picture size of " + job.video + " cannot be encoded");
      venc = avcodec_alloc_context3(encoder);
      venc->width = width;
      venc->height = height;
      venc->pix_fmt = AV_PIX_FMT_YUV420P;
      venc->time_base = AVRational{1, v.frameRate};
      venc->framerate = AVRational{v.frameRate, 1};
      venc->bit_rate = v.bitRate;
      venc->gop_size = std::max(1, v.keyFrameIntervalMs * v.frameRate / 1000);
      if (out->oformat->flags & AVFMT_GLOBALHEADER) venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
      if ((rc = avcodec_open2(venc, encoder, nullptr)) < 0) return fail(E_FAIL, "the wmv2 encoder did not open", rc);
      avcodec_parameters_from_context(vout->codecpar, venc);
      vout->time_base = venc->time_base;
      vout->avg_frame_rate = venc->framerate;
      decoded = av_frame_alloc();
      picture = av_frame_alloc();
      picture->format = AV_PIX_FMT_YUV420P;
      picture->width = width;
      picture->height = height;
      if ((rc = av_frame_get_buffer(picture, 0)) < 0) return fail(E_FAIL, "picture buffer", rc);
    }
    result.videoCopied = copy;
    videoDone = false;
    return S_OK;
  }

  // Sends one frame of sound (or the last, shorter one) to the encoder.
  HRESULT sendAudio(int samples) {
    int rc = av_frame_make_writable(aframe);
    if (rc < 0) return fail(E_FAIL, "sound buffer", rc);
    aframe->nb_samples = samples;
    av_audio_fifo_read(fifo, reinterpret_cast<void**>(aframe->data), samples);
    aframe->pts = samplesSent;
    samplesSent += samples;
    if ((rc = avcodec_send_frame(aenc, aframe)) < 0) return fail(E_FAIL, "encoding the sound", rc);
    return drain(aenc, aout);
  }

  HRESULT stepAudio() {
    const int frame = aenc->frame_size;
    while (av_audio_fifo_size(fifo) < frame && wavFramesLeft > 0) {
      const int chunk = static_cast<int>(std::min<int64_t>(wavFramesLeft, 4096));
      std::vector<int16_t> pcm(static_cast<std::size_t>(chunk) * wavFormat.channels);
      const std::size_t got = std::fread(pcm.data(), 2 * wavFormat.channels, chunk, wav);
      if (got == 0) {
        wavFramesLeft = 0;
        break;
      }
      if (static_cast<int64_t>(got) == wavFramesLeft) lastChunk = true;
      wavFramesLeft -= static_cast<int64_t>(got);
      const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(pcm.data())};
      const int room = swr_get_out_samples(swr, static_cast<int>(got));
      std::vector<float> planes(static_cast<std::size_t>(room) * aenc->ch_layout.nb_channels);
      std::vector<uint8_t*> dst(aenc->ch_layout.nb_channels);
      for (int c = 0; c < aenc->ch_layout.nb_channels; ++c) dst[c] = reinterpret_cast<uint8_t*>(&planes[static_cast<std::size_t>(c) * room]);
      const int made = swr_convert(swr, dst.data(), room, src, static_cast<int>(got));
      if (made < 0) return fail(E_FAIL, "converting the sound", made);
      av_audio_fifo_write(fifo, reinterpret_cast<void**>(dst.data()), made);
      if (lastChunk) {
        // What a rate conversion still holds belongs to the end of the sound.
        const int held = swr_convert(swr, dst.data(), room, nullptr, 0);
        if (held > 0) av_audio_fifo_write(fifo, reinterpret_cast<void**>(dst.data()), held);
      }
    }
    const int64_t room = audioStopSamples - samplesSent;
    if (av_audio_fifo_size(fifo) >= frame && room >= frame) return sendAudio(frame);
    // The end of the sound (or of the stop position): the rest, then the encoder's tail.
    const int rest = static_cast<int>(std::min<int64_t>(av_audio_fifo_size(fifo), std::max<int64_t>(room, 0)));
    if (rest > 0 && FAILED(sendAudio(rest))) return result.hr;
    audioDone = true;
    avcodec_send_frame(aenc, nullptr);
    return drain(aenc, aout);
  }

  HRESULT encodePicture(AVFrame* frame) {
    // Each picture at the frame of its time; a gap leaves the previous one standing, and a
    // picture whose frame is already taken (a faster source) is left out.
    const AVStream* s = in->streams[vin];
    const int64_t ts = frame->best_effort_timestamp == AV_NOPTS_VALUE ? nextPicture
                 : av_rescale_q(frame->best_effort_timestamp - (s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time),
                                s->time_base, venc->time_base);
    if (ts < nextPicture) return S_OK;
    int rc = 0;
    AVFrame* send = frame;
    // A picture already of the encoder's size and format goes in as it is decoded.
    if (frame->width != venc->width || frame->height != venc->height || frame->format != AV_PIX_FMT_YUV420P) {
      sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), venc->width,
                                 venc->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
      if (!sws) return fail(E_FAIL, "no scaler for the video");
      if ((rc = av_frame_make_writable(picture)) < 0) return fail(E_FAIL, "picture buffer", rc);
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, picture->data, picture->linesize);
      send = picture;
    }
    send->pts = ts;
    send->pict_type = AV_PICTURE_TYPE_NONE;  // the encoder chooses its own key pictures
    nextPicture = ts + 1;
    if ((rc = avcodec_send_frame(venc, send)) < 0) return fail(E_FAIL, "encoding the video", rc);
    videoAt = av_rescale_q(nextPicture, venc->time_base, AVRational{1, static_cast<int>(kUnitsPerSecond)});
    return drain(venc, vout);
  }

  HRESULT endVideo() {
    videoDone = true;
    if (!venc) return S_OK;
    avcodec_send_packet(vdec, nullptr);
    while (avcodec_receive_frame(vdec, decoded) >= 0) {
      if (FAILED(encodePicture(decoded))) return result.hr;
      av_frame_unref(decoded);
    }
    avcodec_send_frame(venc, nullptr);
    return drain(venc, vout);
  }

  HRESULT stepVideo() {
    const int rc = av_read_frame(in, packet);
    if (rc == AVERROR_EOF) return endVideo();
    if (rc < 0) return fail(E_FAIL, "reading " + job.video, rc);
    if (packet->stream_index != vin) {
      av_packet_unref(packet);
      return S_OK;
    }
    AVStream* s = in->streams[vin];
    const int64_t start = s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time;
    const int64_t pts = packet->pts == AV_NOPTS_VALUE ? packet->dts : packet->pts;
    const REFERENCE_TIME at = av_rescale_q(pts - start, s->time_base, AVRational{1, static_cast<int>(kUnitsPerSecond)});
    if (job.stop >= 0 && at >= job.stop) {
      av_packet_unref(packet);
      return endVideo();
    }
    if (copy) {
      if (packet->pts != AV_NOPTS_VALUE) packet->pts -= start;
      if (packet->dts != AV_NOPTS_VALUE) packet->dts -= start;
      av_packet_rescale_ts(packet, s->time_base, vout->time_base);
      packet->stream_index = vout->index;
      packet->pos = -1;
      const REFERENCE_TIME end = at + av_rescale_q(packet->duration, s->time_base, AVRational{1, static_cast<int>(kUnitsPerSecond)});
      if (FAILED(write(packet))) return result.hr;
      videoAt = std::max(videoAt, end);
      return S_OK;
    }
    int r = avcodec_send_packet(vdec, packet);
    av_packet_unref(packet);
    if (r < 0 && r != AVERROR(EAGAIN)) return S_OK;  // a damaged picture is skipped
    while ((r = avcodec_receive_frame(vdec, decoded)) >= 0) {
      const HRESULT hr = encodePicture(decoded);
      av_frame_unref(decoded);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }

  HRESULT run() {
    if (job.audioWav.empty() && job.video.empty()) return fail(E_INVALIDARG, "nothing to mix");
    int rc = avformat_alloc_output_context2(&out, nullptr, "asf", temp.c_str());
    if (rc < 0 || !out) return fail(E_FAIL, "no ASF writer", rc);
    packet = av_packet_alloc();
    // The video first, as players expect the streams of a video file.
    if (!job.video.empty() && FAILED(openVideo())) return result.hr;
    if (!job.audioWav.empty() && FAILED(openAudio())) return result.hr;
    if ((rc = avio_open(&out->pb, temp.c_str(), AVIO_FLAG_WRITE)) < 0) return fail(E_FILE_OPEN, "cannot create " + temp, rc);
    if ((rc = avformat_write_header(out, nullptr)) < 0) return fail(E_FAIL, "writing the header of " + temp, rc);
    headerWritten = true;
    while (!audioDone || !videoDone) {
      if (progress.cancel.load(std::memory_order_relaxed)) return fail(E_ABORT, "cancelled");
      // The stream that is behind goes next, so neither waits long in the muxer.
      const bool video = !videoDone && (audioDone || videoAt <= audioAt());
      if (FAILED(video ? stepVideo() : stepAudio())) return result.hr;
      REFERENCE_TIME at = INT64_MAX;
      if (!audioDone) at = std::min(at, audioAt());
      if (!videoDone) at = std::min(at, videoAt);
      if (at == INT64_MAX) at = std::max(audioAt(), videoAt);
      progress.position.store(at, std::memory_order_relaxed);
    }
    if ((rc = av_write_trailer(out)) < 0) return fail(E_FAIL, "completing " + temp, rc);
    avio_flush(out->pb);
    if (out->pb->error < 0) return fail(E_FAIL, "completing " + temp, out->pb->error);
    if ((rc = avio_closep(&out->pb)) < 0) return fail(E_FAIL, "closing " + temp, rc);
    result.written = std::max(audioAt(), videoAt);
    if (std::rename(temp.c_str(), job.output.c_str()) != 0)
      return fail(E_FAIL, "cannot rename " + temp + " to " + job.output + ": " + std::strerror(errno));
    return S_OK;
  }
};

}  // namespace

void setMuxPacketDelayForTesting(int microseconds) { packetDelayUs = microseconds; }

MuxResult runMux(const MuxJob& job, MuxProgress& progress) {
  MuxResult result;
  {
    Mux mux(job, progress);
    mux.run();
    result = mux.result;
  }
  // Whatever did not complete goes: no partial file is taken for a mix.
  if (FAILED(result.hr)) std::remove(partialName(job.output).c_str());
  return result;
}

}  // namespace avmedia

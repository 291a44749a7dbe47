#include "avmedia/AsfVideoEncoder.h"
#include "avmedia/LibraryLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cerrno>

namespace avmedia {

struct AsfVideoEncoder::Impl {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* picture = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  bool headerWritten = false;
  bool haveLast = false;

  ~Impl() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&picture);
    avcodec_free_context(&codec);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }
};

AsfVideoEncoder::AsfVideoEncoder() = default;
AsfVideoEncoder::~AsfVideoEncoder() { close(); }

bool AsfVideoEncoder::isOpen() const { return d_ != nullptr; }

HRESULT AsfVideoEncoder::failed(HRESULT hr, const std::string& what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  error_ = what + ": " + text;
  if (code == AVERROR(ENOSPC)) return E_DISK_FULL;
  return hr;
}

HRESULT AsfVideoEncoder::open(const std::string& path, const WMProfile::Video& video, int width, int height) {
  close();
  error_.clear();
  written_ = 0;
  if (width < 16 || height < 16 || width % 2 || height % 2) {
    error_ = "the picture size " + std::to_string(width) + "x" + std::to_string(height) + " cannot be encoded";
    return E_INVALIDARG;
  }
  auto d = std::make_unique<Impl>();
  int rc = avformat_alloc_output_context2(&d->format, nullptr, "asf", path.c_str());
  if (rc < 0 || !d->format) return failed(E_FAIL, "no ASF writer", rc);
  const AVCodec* wmv2 = avcodec_find_encoder(AV_CODEC_ID_WMV2);
  if (!wmv2) {
    error_ = "no wmv2 encoder";
    return E_FAIL;
  }
  d->stream = avformat_new_stream(d->format, nullptr);
  d->codec = avcodec_alloc_context3(wmv2);
  if (!d->stream || !d->codec) return E_FAIL;
  d->codec->width = width;
  d->codec->height = height;
  d->codec->pix_fmt = AV_PIX_FMT_YUV420P;
  d->codec->time_base = AVRational{1, video.frameRate};
  d->codec->framerate = AVRational{video.frameRate, 1};
  d->codec->bit_rate = video.bitRate;
  d->codec->gop_size = std::max(1, video.keyFrameIntervalMs * video.frameRate / 1000);
  if (d->format->oformat->flags & AVFMT_GLOBALHEADER) d->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  quietenLibraryLog();
  if ((rc = avcodec_open2(d->codec, wmv2, nullptr)) < 0) return failed(E_FAIL, "the wmv2 encoder did not open", rc);
  if ((rc = avcodec_parameters_from_context(d->stream->codecpar, d->codec)) < 0) return failed(E_FAIL, "stream parameters", rc);
  d->stream->time_base = d->codec->time_base;
  d->stream->avg_frame_rate = d->codec->framerate;
  if ((rc = avio_open(&d->format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
    return failed(E_FILE_OPEN, "cannot create " + path, rc);
  if ((rc = avformat_write_header(d->format, nullptr)) < 0) return failed(E_FAIL, "writing the header of " + path, rc);
  d->headerWritten = true;
  d->picture = av_frame_alloc();
  d->packet = av_packet_alloc();
  if (!d->picture || !d->packet) return E_FAIL;
  d->picture->format = AV_PIX_FMT_YUV420P;
  d->picture->width = width;
  d->picture->height = height;
  if ((rc = av_frame_get_buffer(d->picture, 0)) < 0) return failed(E_FAIL, "picture buffer", rc);
  width_ = width;
  height_ = height;
  d_ = std::move(d);
  return S_OK;
}

HRESULT AsfVideoEncoder::encode(bool flush, int64_t index) {
  int rc = 0;
  if (flush) {
    rc = avcodec_send_frame(d_->codec, nullptr);
  } else {
    d_->picture->pts = index;
    rc = avcodec_send_frame(d_->codec, d_->picture);
  }
  if (rc < 0 && rc != AVERROR_EOF) return failed(E_FAIL, "encoding a picture", rc);
  for (;;) {
    rc = avcodec_receive_packet(d_->codec, d_->packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
    if (rc < 0) return failed(E_FAIL, "encoding a picture", rc);
    av_packet_rescale_ts(d_->packet, d_->codec->time_base, d_->stream->time_base);
    d_->packet->stream_index = d_->stream->index;
    rc = av_interleaved_write_frame(d_->format, d_->packet);
    if (rc < 0) return failed(E_FAIL, "writing the video", rc);
    // Buffered writes report a full disk only when the buffer goes out.
    if (d_->format->pb && d_->format->pb->error < 0)
      return failed(E_FAIL, "writing the video", d_->format->pb->error);
  }
  if (!flush) ++written_;
  return S_OK;
}

HRESULT AsfVideoEncoder::write(const MediaSample& sample, int64_t index) {
  if (!d_) return VFW_E_WRONG_STATE;
  if (sample.width <= 0 || sample.height <= 0 || sample.stride < sample.width * 4 ||
      sample.data.size() < static_cast<std::size_t>(sample.stride) * sample.height)
    return E_INVALIDARG;
  d_->scaler = sws_getCachedContext(d_->scaler, sample.width, sample.height, AV_PIX_FMT_RGBA, width_, height_,
                                    AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!d_->scaler) {
    error_ = "no scaler for " + std::to_string(sample.width) + "x" + std::to_string(sample.height);
    return E_FAIL;
  }
  int rc = av_frame_make_writable(d_->picture);
  if (rc < 0) return failed(E_FAIL, "picture buffer", rc);
  const uint8_t* rows = sample.data.data();
  int stride = sample.stride;
  if (sample.bottomUp) {
    // Read the rows from the last one up: the picture comes out the right way round.
    rows += static_cast<std::size_t>(sample.height - 1) * sample.stride;
    stride = -stride;
  }
  const uint8_t* planes[1] = {rows};
  const int strides[1] = {stride};
  sws_scale(d_->scaler, planes, strides, 0, sample.height, d_->picture->data, d_->picture->linesize);
  d_->haveLast = true;
  return encode(false, index);
}

HRESULT AsfVideoEncoder::repeatLast(int64_t index) {
  if (!d_) return VFW_E_WRONG_STATE;
  if (!d_->haveLast) return S_FALSE;
  const int rc = av_frame_make_writable(d_->picture);
  if (rc < 0) return failed(E_FAIL, "picture buffer", rc);
  return encode(false, index);
}

HRESULT AsfVideoEncoder::close() {
  if (!d_) return S_OK;
  HRESULT result = encode(true, 0);
  if (d_->headerWritten) {
    const int rc = av_write_trailer(d_->format);
    if (rc < 0 && SUCCEEDED(result)) result = failed(E_FAIL, "completing the file", rc);
  }
  if (d_->format->pb) {
    avio_flush(d_->format->pb);
    if (d_->format->pb->error < 0 && SUCCEEDED(result)) result = failed(E_FAIL, "completing the file", d_->format->pb->error);
    const int rc = avio_closep(&d_->format->pb);
    if (rc < 0 && SUCCEEDED(result)) result = failed(E_FAIL, "closing the file", rc);
  }
  d_.reset();
  return result;
}

}  // namespace avmedia

#include "WmvProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <vector>

namespace vktest {

VideoProbe probeVideo(const std::string& path) {
  VideoProbe probe;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return probe;
  if (avformat_find_stream_info(format, nullptr) < 0) {
    avformat_close_input(&format);
    return probe;
  }
  probe.opened = true;
  probe.container = format->iformat->name;
  probe.durationSeconds = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
  int video = -1;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* p = format->streams[i]->codecpar;
    if (p->codec_type == AVMEDIA_TYPE_AUDIO) ++probe.audioStreams;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO && video < 0) video = static_cast<int>(i);
  }
  if (video >= 0) {
    const AVCodecParameters* p = format->streams[video]->codecpar;
    probe.codec = avcodec_get_name(p->codec_id);
    probe.width = p->width;
    probe.height = p->height;
    const AVCodec* decoder = avcodec_find_decoder(p->codec_id);
    AVCodecContext* codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    if (codec && avcodec_parameters_to_context(codec, p) >= 0 && avcodec_open2(codec, decoder, nullptr) >= 0) {
      AVPacket* packet = av_packet_alloc();
      AVFrame* frame = av_frame_alloc();
      bool first = true;
      auto take = [&] {
        while (avcodec_receive_frame(codec, frame) >= 0) {
          ++probe.pictures;
          if (first) {
            first = false;
            std::vector<uint8_t> rgb(static_cast<std::size_t>(frame->width) * frame->height * 3);
            SwsContext* sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                             frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr,
                                             nullptr, nullptr);
            uint8_t* planes[1] = {rgb.data()};
            int strides[1] = {frame->width * 3};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(sws);
            const std::size_t at = static_cast<std::size_t>(frame->height / 8) * frame->width * 3 + frame->width / 8 * 3;
            const std::size_t low = static_cast<std::size_t>(frame->height * 7 / 8) * frame->width * 3 + frame->width / 8 * 3;
            for (int c = 0; c < 3; ++c) {
              probe.top[c] = rgb[at + c];
              probe.bottom[c] = rgb[low + c];
            }
          }
        }
      };
      while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video && avcodec_send_packet(codec, packet) >= 0) take();
        av_packet_unref(packet);
      }
      avcodec_send_packet(codec, nullptr);
      take();
      av_frame_free(&frame);
      av_packet_free(&packet);
    }
    avcodec_free_context(&codec);
  }
  avformat_close_input(&format);
  return probe;
}

}  // namespace vktest

// A picture converted in two halves on two threads comes out byte for byte as the whole picture
// converted at once, in every layout the converter cuts, bottom row first.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <string>
#include <vector>

#include "avmedia/RgbaConverter.h"

namespace {

struct Picture {
  AVPixelFormat format;
  int width;
  int height;
};

std::string pictureName(const testing::TestParamInfo<Picture>& info) {
  std::string name = av_get_pix_fmt_name(info.param.format);
  return name + "_" + std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

// Every sample differs from its neighbours, so a row or chroma row out of place shows.
AVFrame* patternFrame(const Picture& p) {
  AVFrame* f = av_frame_alloc();
  f->format = p.format;
  f->width = p.width;
  f->height = p.height;
  if (av_frame_get_buffer(f, 0) < 0) return nullptr;
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(p.format);
  for (int plane = 0; plane < av_pix_fmt_count_planes(p.format); ++plane) {
    const int rows = plane == 0 ? p.height : AV_CEIL_RSHIFT(p.height, desc->log2_chroma_h);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < f->linesize[plane]; ++x)
        f->data[plane][y * f->linesize[plane] + x] = static_cast<uint8_t>((x * 7 + y * 13 + plane * 61) & 0xff);
  }
  return f;
}

// The whole picture through one conversion, bottom row first.
std::vector<uint8_t> wholeConversion(const AVFrame* f) {
  std::vector<uint8_t> out(static_cast<std::size_t>(f->width) * f->height * 4);
  SwsContext* c = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width, f->height,
                                 AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  uint8_t* planes[4] = {out.data() + static_cast<std::size_t>(f->height - 1) * f->width * 4, nullptr, nullptr, nullptr};
  const int strides[4] = {-f->width * 4, 0, 0, 0};
  sws_scale(c, f->data, f->linesize, 0, f->height, planes, strides);
  sws_freeContext(c);
  return out;
}

class RgbaConverterTest : public testing::TestWithParam<Picture> {};

TEST_P(RgbaConverterTest, HalvesComeOutAsTheWholePicture) {
  const Picture p = GetParam();
  AVFrame* f = patternFrame(p);
  ASSERT_NE(f, nullptr);
  const std::vector<uint8_t> expected = wholeConversion(f);
  avmedia::RgbaConverter converter;
  std::vector<uint8_t> got(expected.size(), 0xee);
  // Twice: the helper thread and the cached contexts serve the next picture as well.
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(converter.convert(f, p.width, p.height, got.data()));
    ASSERT_EQ(got, expected) << "round " << round;
  }
  av_frame_free(&f);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RgbaConverterTest,
                         testing::Values(Picture{AV_PIX_FMT_YUV420P, 1440, 900}, Picture{AV_PIX_FMT_YUV420P, 1280, 722},
                                         Picture{AV_PIX_FMT_YUVJ420P, 640, 480}, Picture{AV_PIX_FMT_YUV422P, 800, 600},
                                         Picture{AV_PIX_FMT_YUV444P, 640, 480}, Picture{AV_PIX_FMT_YUV420P, 640, 601},
                                         Picture{AV_PIX_FMT_YUV420P, 320, 200}),
                         pictureName);

TEST(RgbaConverterSplit, CutsOnlyLargePlanarPicturesOfTheStreamsSize) {
  AVFrame* f = patternFrame({AV_PIX_FMT_YUV420P, 1440, 900});
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(avmedia::RgbaConverter::splitRow(f, 1440, 900), 448);
  // A picture of another size is scaled in one piece.
  EXPECT_EQ(avmedia::RgbaConverter::splitRow(f, 1280, 720), 0);
  av_frame_free(&f);
  f = patternFrame({AV_PIX_FMT_NV12, 1440, 900});
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(avmedia::RgbaConverter::splitRow(f, 1440, 900), 0);
  av_frame_free(&f);
}

}  // namespace

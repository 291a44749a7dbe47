// The reader decodes the picture after the one it handed out while the caller converts: what it
// hands out must stay the stream's pictures in order, whatever the caller does in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "avmedia/VideoFileReader.h"

using avmedia::REFERENCE_TIME;
using avmedia::VideoFileReader;

namespace {

struct Picture {
  REFERENCE_TIME pts = 0;
  std::uint64_t sum = 0;
};

std::uint64_t fnv(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

Picture next(VideoFileReader& reader) {
  Picture p;
  EXPECT_EQ(reader.decodeNext(&p.pts), VideoFileReader::Step::Frame);
  std::vector<std::uint8_t> frame(reader.frameBytes());
  EXPECT_TRUE(reader.convertTo(frame.data()));
  p.sum = fnv(frame);
  return p;
}

class VideoReader : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every picture differs (a running counter), with a key picture every ten.
    const std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=320x200:r=25 -frames:v 50 -c:v wmv2 -g 10 -f asf '" +
                            path_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    VideoFileReader reader;
    ASSERT_TRUE(reader.open(path_)) << reader.error();
    REFERENCE_TIME pts = 0;
    std::vector<std::uint8_t> frame(reader.frameBytes());
    while (reader.decodeNext(&pts) == VideoFileReader::Step::Frame) {
      ASSERT_TRUE(reader.convertTo(frame.data()));
      all_.push_back({pts, fnv(frame)});
    }
    ASSERT_EQ(all_.size(), 50u);
  }

  vktest::TempDir dir_;
  std::string path_ = dir_.file("counter.wmv");
  std::vector<Picture> all_;
};

TEST_F(VideoReader, PicturesComeInOrderThroughSkipsSeeksAndTheEnd) {
  VideoFileReader reader;
  ASSERT_TRUE(reader.open(path_));
  REFERENCE_TIME pts = 0;
  // Pictures skipped without converting them (a late player does that), then one converted.
  for (int i = 0; i < 4; ++i) ASSERT_EQ(reader.decodeNext(&pts), VideoFileReader::Step::Frame);
  Picture p = next(reader);
  EXPECT_EQ(p.pts, all_[4].pts);
  EXPECT_EQ(p.sum, all_[4].sum);

  // A seek while the next picture is being decoded ahead: the sought one, then its successor.
  ASSERT_TRUE(reader.seekTo(all_[33].pts));
  p = next(reader);
  EXPECT_EQ(p.pts, all_[33].pts);
  EXPECT_EQ(p.sum, all_[33].sum);
  p = next(reader);
  EXPECT_EQ(p.pts, all_[34].pts);
  EXPECT_EQ(p.sum, all_[34].sum);

  // Back to the start, and on to the end, which stays the end.
  ASSERT_TRUE(reader.seekTo(0));
  for (std::size_t i = 0; i < all_.size(); ++i) {
    p = next(reader);
    ASSERT_EQ(p.pts, all_[i].pts) << "picture " << i;
    ASSERT_EQ(p.sum, all_[i].sum) << "picture " << i;
  }
  EXPECT_EQ(reader.decodeNext(&pts), VideoFileReader::Step::End);
  EXPECT_EQ(reader.decodeNext(&pts), VideoFileReader::Step::End);
  // And a seek after the end plays again.
  ASSERT_TRUE(reader.seekTo(all_[12].pts));
  p = next(reader);
  EXPECT_EQ(p.pts, all_[12].pts);
  EXPECT_EQ(p.sum, all_[12].sum);
}

TEST_F(VideoReader, ClosingOrReopeningWhileAPictureIsDecodedAheadLosesNothing) {
  for (int round = 0; round < 20; ++round) {
    auto reader = std::make_unique<VideoFileReader>();
    ASSERT_TRUE(reader->open(path_));
    REFERENCE_TIME pts = 0;
    for (int i = 0; i <= round % 5; ++i) ASSERT_EQ(reader->decodeNext(&pts), VideoFileReader::Step::Frame);
    if (round % 2) {
      // Opening again while a picture is decoded ahead starts from the first picture.
      ASSERT_TRUE(reader->open(path_));
      Picture p = next(*reader);
      EXPECT_EQ(p.sum, all_[0].sum);
    }
    reader.reset();  // destroyed with a picture being decoded ahead
  }
}

}  // namespace

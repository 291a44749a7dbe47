// Encoding profiles: the shipped capture profile, and profiles that must be refused.
#include <gtest/gtest.h>

#include "avmedia/WMProfile.h"

using namespace avmedia;

TEST(WMProfile, TheShippedCaptureProfileRecordsTheScreenAsSilentWmv2) {
  WMProfile p;
  std::string error;
  ASSERT_EQ(LoadProfileFromFile(std::string(VK_SOURCE_DIR) + "/Record/album_chs.prx", p, &error), S_OK) << error;
  ASSERT_TRUE(p.video);
  EXPECT_FALSE(p.audio);
  EXPECT_EQ(p.video->codec, "wmv2");
  EXPECT_EQ(p.video->width, 1440);
  EXPECT_EQ(p.video->height, 900);
  EXPECT_EQ(p.video->frameRate, 25);
}

TEST(WMProfile, Utf16TextWithItsByteOrderMarkReadsLikeUtf8) {
  const std::string xml = "<profile name=\"hd\"><video width=\"640\" height=\"360\" framerate=\"30\"/>"
                          "<audio samplerate=\"48000\" channels=\"1\"/></profile>";
  std::string utf16 = "\xFF\xFE";
  for (char c : xml) utf16 += std::string{c, '\0'};
  utf16 += std::string(2, '\0');  // read into a zero-filled buffer two bytes longer
  WMProfile p;
  ASSERT_EQ(LoadProfileByData(utf16, p), S_OK);
  EXPECT_EQ(p.name, "hd");
  EXPECT_EQ(p.video->frameRate, 30);
  ASSERT_TRUE(p.audio);
  EXPECT_EQ(p.audio->sampleRate, 48000);
  EXPECT_EQ(p.audio->channels, 1);
}

struct BadProfile {
  const char* name;
  const char* xml;
  const char* reason;  // a part of the error text
};

class RefusedProfile : public ::testing::TestWithParam<BadProfile> {};

TEST_P(RefusedProfile, IsRefusedWithItsReasonAndLeavesTheProfileAsItWas) {
  WMProfile p;
  p.name = "before";
  std::string error;
  EXPECT_EQ(LoadProfileByData(GetParam().xml, p, &error), E_INVALIDARG);
  EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
  EXPECT_EQ(p.name, "before");
}

INSTANTIATE_TEST_SUITE_P(
    WMProfile, RefusedProfile,
    ::testing::Values(
        BadProfile{"NotXml", "<profile><video></profile>", "not XML"},
        BadProfile{"WrongRoot", "<settings/>", "<profile>"},
        BadProfile{"NoStream", "<profile/>", "no stream"},
        BadProfile{"UnknownStream", "<profile><subtitles/></profile>", "unknown stream"},
        BadProfile{"OtherCodec", "<profile><video codec=\"h264\"/></profile>", "not supported"},
        BadProfile{"OddWidth", "<profile><video width=\"1441\" height=\"900\"/></profile>", "even"},
        BadProfile{"OneSideOnly", "<profile><video width=\"1440\"/></profile>", "only one"},
        BadProfile{"FrameRateZero", "<profile><video framerate=\"0\"/></profile>", "framerate"},
        BadProfile{"FrameRateText", "<profile><video framerate=\"fast\"/></profile>", "framerate"},
        BadProfile{"TwoVideos", "<profile><video/><video/></profile>", "more than one"},
        BadProfile{"ThreeChannels", "<profile><audio channels=\"3\"/></profile>", "channels"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WMProfile, AMissingFileIsAFileError) {
  WMProfile p;
  std::string error;
  EXPECT_EQ(LoadProfileFromFile("/nonexistent/album.prx", p, &error), E_FILE_OPEN);
  EXPECT_NE(error.find("/nonexistent/album.prx"), std::string::npos);
}

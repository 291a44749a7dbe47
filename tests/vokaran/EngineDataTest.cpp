#include "TestSupport.h"

#include "core/EngineData.h"

using namespace vokaran;

TEST(EngineData, ShippedFileIsValid) {
    auto r = loadEngineData(std::string(VK_SOURCE_DIR) + "/PKData/RadeZuz76e.sdc");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.data.sampleRate, 44100);
    EXPECT_EQ(r.data.melodyChannel1, 1);
}

TEST(EngineData, RelativeSoundFontIsResolvedAgainstTheFilesFolder) {
    auto r = parseEngineData("VOKARAN-ENGINE-DATA 1\nsoundfont = sf/a.sf2  # comment\n", "/opt/x");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.data.soundFont, "/opt/x/sf/a.sf2");
}

struct BadData { const char* text; int line; };
class EngineDataErrors : public ::testing::TestWithParam<BadData> {};

// Each fault is refused with the line that holds it.
TEST_P(EngineDataErrors, NameTheLine) {
    auto r = parseEngineData(GetParam().text, "/tmp");
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("line " + std::to_string(GetParam().line) + ":"), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineDataErrors, ::testing::Values(
    BadData{"", 0},
    BadData{"RIFF\n", 1},
    BadData{"VOKARAN-ENGINE-DATA 1\n\nsample_rate = 1000\n", 3},
    BadData{"VOKARAN-ENGINE-DATA 1\nsoundfont = a.sf2\nbuffer_frames = lots\n", 3},
    BadData{"VOKARAN-ENGINE-DATA 1\nsoundfont = a.sf2\nmelody_channel_1 = 10\n", 3},
    BadData{"VOKARAN-ENGINE-DATA 1\nsoundfont = a.sf2\nvolume = 3\n", 3},
    BadData{"VOKARAN-ENGINE-DATA 1\nsoundfont a.sf2\n", 2},
    BadData{"VOKARAN-ENGINE-DATA 1\nreverb = 1\n", 0}));

// vokaran-play, the headless player, renders a demo song through the engine to a WAV file.
#include "TestSupport.h"

#include "core/Wav.h"

#include <cstdlib>

using namespace vktest;

TEST(PlayTool, RendersADemoSongAtTheRequestedTempo) {
    TempDir dir;
    const std::string song = std::string(VK_DIST_DIR) + "/../songs/liangzhilaohu.mic";
    const std::string cmd = std::string(VK_DIST_DIR) + "/vokaran-play --tempo 136 --key -3 --melody 90 " + song + " " +
                            dir.file("out.wav") + " 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    vokaran::WavData wav;
    std::string err;
    ASSERT_TRUE(vokaran::readWav(dir.file("out.wav"), wav, err)) << err;
    const double seconds = double(wav.samples.size()) / 2 / wav.sampleRate;
    EXPECT_NEAR(seconds, 78.5 * 100 / 136, 0.1);
    EXPECT_GT(rms(wav.samples.data(), wav.samples.size() / 2, 2), 0.02);
    float peak = 0;
    for (float x : wav.samples) peak = std::max(peak, std::abs(x));
    EXPECT_LT(peak, 0.999f);  // no clipping
}

TEST(PlayTool, RefusesADamagedSong) {
    TempDir dir;
    auto bytes = readBytes(std::string(VK_DIST_DIR) + "/../songs/xiaoxingxing.mic");
    ASSERT_FALSE(bytes.empty());
    bytes[100] ^= 1;
    writeBytes(dir.file("bad.mic"), bytes);
    const std::string cmd = std::string(VK_DIST_DIR) + "/vokaran-play " + dir.file("bad.mic") + " " + dir.file("o.wav") + " 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.wav")));
}

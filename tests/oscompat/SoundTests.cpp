// The result sounds over SDL's dummy audio driver: a sound plays without the caller waiting,
// a new request replaces it, and an empty path or a missing file silences it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "oscompat/SoundPlayer.h"

namespace {

// A mono 16-bit WAV of `seconds` of a quiet tone.
void writeWav(const std::string& path, double seconds) {
  const std::uint32_t rate = 22050, frames = static_cast<std::uint32_t>(rate * seconds);
  std::vector<std::int16_t> samples(frames);
  for (std::uint32_t i = 0; i < frames; ++i) samples[i] = static_cast<std::int16_t>((i % 50) * 40);
  std::ofstream out(path, std::ios::binary);
  const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + frames * 2);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(frames * 2);
  out.write(reinterpret_cast<const char*>(samples.data()), frames * 2);
}

class Sound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void SetUp() override { writeWav(dir_.file("chime.wav"), 5.0); }
  void TearDown() override {
    oscompat::playSoundAsync("");
    oscompat::waitForSoundRequests();
  }
  bool playAndWait(const std::string& path) {
    oscompat::playSoundAsync(path);
    oscompat::waitForSoundRequests();
    return oscompat::soundPlaying();
  }
  vktest::TempDir dir_;
};

TEST_F(Sound, PlaysUntilAnEmptyPathStopsIt) {
  EXPECT_TRUE(playAndWait(dir_.file("chime.wav")));
  EXPECT_FALSE(playAndWait(""));
}

TEST_F(Sound, AMissingOrDamagedFileStopsThePlayingSound) {
  ASSERT_TRUE(playAndWait(dir_.file("chime.wav")));
  EXPECT_FALSE(playAndWait(dir_.file("none.wav")));
  ASSERT_TRUE(playAndWait(dir_.file("chime.wav")));
  vktest::writeFile(dir_.file("bad.wav"), "RIFF....WAVEjunk");
  EXPECT_FALSE(playAndWait(dir_.file("bad.wav")));
}

// Requests in quick succession: the last one decides what is heard.
TEST_F(Sound, TheLastOfManyRequestsWins) {
  for (int i = 0; i < 20; ++i) oscompat::playSoundAsync(i % 2 ? "" : dir_.file("chime.wav"));
  oscompat::waitForSoundRequests();
  EXPECT_FALSE(oscompat::soundPlaying());
  for (int i = 0; i < 20; ++i) oscompat::playSoundAsync(i % 2 ? dir_.file("chime.wav") : "");
  oscompat::waitForSoundRequests();
  EXPECT_TRUE(oscompat::soundPlaying());
}

}  // namespace

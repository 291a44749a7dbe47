// The lyrics and melody models read from the real engine, with a demo song opened from memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/SongRecord.h"
#include "engine/CLyricsData.h"
#include "engine/CMelodyNoteData.h"

namespace {

class EngineLyrics : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VOKARAN_AUDIO", "null", 1); }
  void TearDown() override { VokaClose(); }
  void open(const char* name) {
    std::ifstream in(std::string(VK_SONGS_DIR) + "/" + name + ".mic", std::ios::binary);
    song_.assign(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(VokaOpenLyricsFromBuffer(song_.data(), static_cast<long long>(song_.size())), VOKA_OK);
  }
  std::vector<char> song_;
};

// Catches getters called for the wrong part or format, and a model that still points into the
// engine's arrays after the next song replaced them.
TEST_F(EngineLyrics, TwoPartSongLoadsAndOutlivesTheNextSongOpen) {
  open("liangzhilaohu");
  const EngineLyricRecords records = readEngineLyricRecords();
  for (const EngineLyricPart& part : records.parts) {
    EXPECT_GT(part.wordCount, part.lineCount);
    EXPECT_NE(part.phonetics, nullptr);
    EXPECT_GT(part.countInCount, 0);
  }
  CLyricsData lyrics;
  lyrics.loadFromEngine(SongRecord{});
  CMelodyNoteData melody;
  melody.loadFromEngine();
  open("huanlesong");

  EXPECT_EQ(lyrics.part(0)->GetName(), L"Mail");
  EXPECT_EQ(lyrics.part(1)->GetName(), L"FMail");
  const ILyricTrack& first = *lyrics.part(0)->channel(0)->GetLine(0);
  EXPECT_EQ(first.GetText(), L"两只老虎，");
  EXPECT_EQ(lyrics.part(0)->channel(1)->GetLine(0)->GetText(), L"两只老虎，");
  ASSERT_EQ(first.GetWordCount(), 4);
  EXPECT_EQ(first.GetWord(1)->GetPhonetic(), L"zhi");
  EXPECT_EQ(first.GetWord(1)->GetCharPos(), 1);
  // The song's four-beat count-in, beat by beat, closing where the first word is sung; the
  // line itself shows before that.
  ASSERT_GE(lyrics.part(0)->GetPlayCountCount(), 5);
  EXPECT_EQ(lyrics.part(0)->GetPlayCount(0)->GetBeatCount(), 4);
  EXPECT_EQ(lyrics.part(0)->GetPlayCount(4)->GetBeatCount(), 0);
  EXPECT_EQ(uint32_t(lyrics.part(0)->GetPlayCount(4)->GetEnd()), first.GetWord(0)->GetBegin());
  EXPECT_LT(first.GetBegin(), first.GetWord(0)->GetBegin());
  // Part 2 sings an octave higher: both parts' notes lie inside the one range.
  for (int part = 0; part < 2; ++part) {
    ASSERT_FALSE(melody.notes(part).empty());
    for (const MelodyNote& n : melody.notes(part)) EXPECT_TRUE(n.pitch > 0 && n.pitch < 100);
  }
}

// Catches a failing getter (no song open) taken as an array.
TEST_F(EngineLyrics, WithoutASongBothPartsAreEmpty) {
  for (const EngineLyricPart& part : readEngineLyricRecords().parts)
    EXPECT_TRUE(part.lines == nullptr && part.lineCount == 0 && part.wordCount == 0);
  EXPECT_EQ(readEngineMelodyRecords().parts[0].noteCount, 0);
}

}  // namespace

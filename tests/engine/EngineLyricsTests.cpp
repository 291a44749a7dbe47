// The lyrics and melody models read from the real engine, with a demo song opened from memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/SongRecord.h"
#include "engine/CLyricsData.h"
#include "engine/CMelodyNoteData.h"
#include "vokaran/Vokaran.h"

namespace {

std::vector<char> songFile(const char* name) {
  std::ifstream in(std::string(VK_SONGS_DIR) + "/" + name + ".mic", std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void openLyrics(const std::vector<char>& bytes) {
  ASSERT_FALSE(bytes.empty());
  ASSERT_EQ(VokaOpenLyricsFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
}

class EngineLyrics : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VOKARAN_AUDIO", "null", 1); }
  void TearDown() override { VokaClose(); }
};

// Catches getters called for the wrong part or in the wrong format, and a model that keeps
// pointing into the engine's arrays after the next song replaced them.
TEST_F(EngineLyrics, TwoPartSongLoadsAndOutlivesTheNextSongOpen) {
  openLyrics(songFile("liangzhilaohu"));
  const EngineLyricRecords records = readEngineLyricRecords();
  EXPECT_EQ(records.parts[0].voiceType, 1);
  EXPECT_EQ(records.parts[1].voiceType, 2);
  for (const EngineLyricPart& part : records.parts) {
    EXPECT_GT(part.lineCount, 0);
    EXPECT_GT(part.wordCount, part.lineCount);
    EXPECT_NE(part.phonetics, nullptr);
    EXPECT_GT(part.countInCount, 0);
  }
  SongRecord song;
  song.SongName = L"两只老虎";
  song.SingerName = L"儿歌";
  CLyricsData lyrics;
  lyrics.loadFromEngine(song);
  CMelodyNoteData melody;
  melody.loadFromEngine();
  ASSERT_EQ(lyrics.partCount(), 2);
  EXPECT_EQ(lyrics.part(0)->GetName(), L"Mail");
  EXPECT_EQ(lyrics.part(1)->GetName(), L"FMail");

  openLyrics(songFile("huanlesong"));
  const ILyricTrack& first = *lyrics.part(0)->channel(0)->GetLine(0);
  EXPECT_EQ(first.GetText(), L"两只老虎，");
  EXPECT_EQ(lyrics.part(0)->channel(1)->GetLine(0)->GetText(), L"两只老虎，");
  ASSERT_EQ(first.GetWordCount(), 4);
  EXPECT_EQ(first.GetWord(1)->GetText(), L"只");
  EXPECT_EQ(first.GetWord(1)->GetPhonetic(), L"zhi");
  EXPECT_EQ(first.GetWord(1)->GetCharPos(), 1);
  EXPECT_EQ(static_cast<uint32_t>(lyrics.part(0)->GetPlayCount(0)->GetEnd()), first.GetBegin());
  EXPECT_EQ(lyrics.part(0)->GetPlayCount(0)->GetBeatCount(), 4);
  EXPECT_EQ(lyrics.findRowLine(0, first.GetBegin()).text, L"两只老虎，");

  // Part 2 sings an octave higher: both parts' notes fit one range.
  ASSERT_FALSE(melody.notes(0).empty());
  ASSERT_FALSE(melody.notes(1).empty());
  EXPECT_LT(melody.low(0), melody.high(0));
  for (int part = 0; part < 2; ++part) {
    for (const MelodyNote& n : melody.notes(part)) {
      EXPECT_GT(n.pitch, 0);
      EXPECT_LT(n.pitch, 100);
    }
  }
}

// Catches a failing getter (no song) taken as an array: the model stays empty.
TEST_F(EngineLyrics, WithoutASongBothPartsAreEmpty) {
  const EngineLyricRecords records = readEngineLyricRecords();
  for (const EngineLyricPart& part : records.parts) {
    EXPECT_EQ(part.lines, nullptr);
    EXPECT_EQ(part.lineCount, 0);
    EXPECT_EQ(part.wordCount, 0);
    EXPECT_EQ(part.countInCount, 0);
  }
  const EngineMelodyRecords melody = readEngineMelodyRecords();
  EXPECT_EQ(melody.parts[0].noteCount, 0);
  EXPECT_LT(melody.parts[0].lowestNote, 0);
}

}  // namespace

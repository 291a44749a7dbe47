// The lyrics model: part names and colours from the voice types, what loading keeps and
// drops, texts out of fixed fields, and the line lookup with its cursor and wipe state.
#include <gtest/gtest.h>

#include "LyricRecords.h"
#include "app/SongRecord.h"
#include "engine/CLyricsData.h"

using lyrictest::PartRecords;

namespace {

struct VoiceCase {
  const char* name;
  int t1, t2;
  const wchar_t* name1;
  uint32_t color1;
  const wchar_t* name2;
  uint32_t color2;
};

class VoiceTypes : public ::testing::TestWithParam<VoiceCase> {};

// Catches a part given the wrong name or colour, in particular when both parts share a voice.
TEST_P(VoiceTypes, GivePartNamesAndColours) {
  const VoiceCase& c = GetParam();
  PartRecords p1, p2;
  p1.voiceType = c.t1;
  p2.voiceType = c.t2;
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  ASSERT_EQ(data.partCount(), 2);
  EXPECT_EQ(data.part(0)->GetName(), c.name1);
  EXPECT_EQ(data.part(1)->GetName(), c.name2);
  EXPECT_EQ(data.colors().at(c.name1), LYRIC_COLOR(c.color1));
  EXPECT_EQ(data.colors().at(c.name2), LYRIC_COLOR(c.color2));
  // Whatever the parts, chorus lines keep their green and unknown names fall back to "Def".
  EXPECT_EQ(data.colorsOf(L"Chorus").ClrsangIn, 0xFF00A000u);
  EXPECT_EQ(data.colorsOf(L"Def").ClrsangIn, 0xFF4000FFu);
}

INSTANTIATE_TEST_SUITE_P(
    Lyrics, VoiceTypes,
    ::testing::Values(
        VoiceCase{"MaleAndNone", 1, 0, L"Mail", 0xFF4000FF, L"", 0xFF8000FF},
        VoiceCase{"TwoMale", 1, 1, L"Mail", 0xFF4000FF, L"FMail", 0xFF8000FF},
        VoiceCase{"MaleAndFemale", 1, 2, L"Mail", 0xFF4000FF, L"FMail", 0xFFFF0040},
        VoiceCase{"FemaleAndMale", 2, 1, L"FMail", 0xFFFF0040, L"Mail", 0xFF4000FF},
        VoiceCase{"TwoFemale", 2, 2, L"FMail", 0xFFFF0040, L"Mail", 0xFF8000FF},
        VoiceCase{"ChorusAndMale", 3, 1, L"Chorus", 0xFF00A000, L"Mail", 0xFF4000FF},
        VoiceCase{"ChorusAndUnknown", 3, 9, L"Chorus", 0xFF00A000, L"", 0xFF4000FF},
        VoiceCase{"UnknownAndMale", 7, 1, L"Mail", 0xFF4000FF, L"FMail", 0xFF8000FF},
        VoiceCase{"UnknownAndUnknown", -1, 0, L"Mail", 0xFF4000FF, L"", 0xFF8000FF}),
    [](const ::testing::TestParamInfo<VoiceCase>& info) { return std::string(info.param.name); });

// Two rows of three lines each and a chorus line; words with phonetics in the first line.
class LyricsLoaded : public ::testing::Test {
 protected:
  void SetUp() override {
    p1.line(u"一二三", 1, 100, 400)
        .line(u"四五", 2, 500, 800)
        .line(u"六七", 1, 900, 1200, true)
        .line(u"八", 7, 1300, 1400)  // an unknown row goes to the first
        .word(0, 100, 200, u"一", u"yi", 0)
        .word(0, 200, 300, u"二三", u"ersan", 1)
        .word(0, 350, 400, u"x", u"", -1)  // no place for a phonetic text
        .word(1, 500, 800, u"四五", u"si", 0)
        .word(2, 900, 1000, u"六", u"liu", 0)
        .countIn(100, 4)
        .countIn(900, 2);
    p2.voiceType = 2;
    p2.line(u"和声", 1, 500, 800).word(0, 500, 800, u"和声", u"he", 0);
    SongRecord song;
    song.SongName = L"欢乐颂";
    song.SingerName = L"合唱曲";
    data.load(lyrictest::records(p1, p2), song);
  }
  const LyricsChannel& row(int part, int r) const { return *data.part(part)->channel(r); }

  PartRecords p1, p2;
  CLyricsData data;
};

// Catches lines in the wrong row, lost attributes, count-ins and names not taken over.
TEST_F(LyricsLoaded, LinesGoToTheirRowsInRecordOrderWithWordsAndCountIns) {
  ASSERT_EQ(row(0, 0).GetLineCount(), 3);
  ASSERT_EQ(row(0, 1).GetLineCount(), 1);
  EXPECT_EQ(row(0, 0).GetLine(0)->GetText(), L"一二三");
  EXPECT_EQ(row(0, 0).GetLine(1)->GetText(), L"六七");
  EXPECT_EQ(row(0, 0).GetLine(1)->GetColorName(), L"Chorus");
  EXPECT_EQ(row(0, 0).GetLine(0)->GetColorName(), L"");
  EXPECT_EQ(row(0, 0).GetLine(2)->GetText(), L"八");
  EXPECT_EQ(row(0, 1).GetLine(0)->GetText(), L"四五");
  EXPECT_EQ(row(0, 1).GetLine(0)->GetBegin(), 500u);
  EXPECT_EQ(row(0, 1).GetLine(0)->GetEnd(), 800u);

  const ILyricTrack& first = *row(0, 0).GetLine(0);
  ASSERT_EQ(first.GetWordCount(), 3);
  EXPECT_EQ(first.GetWord(1)->GetText(), L"二三");
  EXPECT_EQ(first.GetWord(1)->GetPhonetic(), L"ersan");
  EXPECT_EQ(first.GetWord(1)->GetCharPos(), 1);
  EXPECT_EQ(first.GetWord(1)->GetBegin(), 200u);
  EXPECT_EQ(first.GetWord(3), nullptr);

  const CLyrics& part = *data.part(0);
  ASSERT_EQ(part.GetPlayCountCount(), 2);
  EXPECT_EQ(part.GetPlayCount(1)->GetEnd(), 900);
  EXPECT_EQ(part.GetPlayCount(1)->GetBeatCount(), 2);
  EXPECT_EQ(part.GetPlayCount(1)->GetReserved(), 0);
  EXPECT_EQ(part.GetChannel(2), nullptr);
  EXPECT_EQ(data.songName(), L"欢乐颂");
  EXPECT_EQ(data.singerName(), L"合唱曲");
}

// Catches words kept that have no length or no line (the window would divide by zero or
// index past the lines), and phonetic texts read from the wrong record once one is dropped.
TEST(LyricsLoad, DropsWordsWithoutLengthOrLineAndKeepsPhoneticsInStep) {
  PartRecords p1, p2;
  p1.line(u"ab", 1, 0, 1000)
      .word(0, 100, 100, u"z", u"zero", 0)     // end == begin
      .word(0, 300, 200, u"r", u"rev", 0)      // end before begin
      .word(-1, 100, 200, u"n", u"neg", 0)     // no line
      .word(1, 100, 200, u"o", u"out", 0)      // past the last line
      .word(0, 400, 500, u"b", u"bee", 1);
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  const ILyricTrack& line = *data.part(0)->channel(0)->GetLine(0);
  ASSERT_EQ(line.GetWordCount(), 1);
  EXPECT_EQ(line.GetWord(0)->GetText(), L"b");
  EXPECT_EQ(line.GetWord(0)->GetPhonetic(), L"bee");
  EXPECT_EQ(line.GetWord(0)->GetCharPos(), 1);
}

// Catches a null phonetic array being read, and a reload that keeps the previous song.
TEST(LyricsLoad, WithoutPhoneticsWordsHaveNoneAndReloadReplacesEverything) {
  PartRecords p1, p2;
  p1.line(u"ab", 1, 0, 1000).word(0, 100, 200, u"a", u"aa", 0).countIn(100, 4);
  p1.withPhonetics = false;
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  const ILyricsScanTrack& word = *data.part(0)->channel(0)->GetLine(0)->GetWord(0);
  EXPECT_EQ(word.GetPhonetic(), L"");
  EXPECT_EQ(word.GetCharPos(), -1);

  PartRecords q1, q2;
  q1.voiceType = 1;
  q2.voiceType = 1;  // two male parts change the "FMail" colour
  data.load(lyrictest::records(q1, q2), SongRecord{});
  EXPECT_EQ(data.part(0)->channel(0)->GetLineCount(), 0);
  EXPECT_EQ(data.part(0)->GetPlayCountCount(), 0);
  EXPECT_EQ(data.colorsOf(L"FMail").ClrsangIn, 0xFF8000FFu);
  PartRecords none;
  none.voiceType = 0;
  data.load(lyrictest::records(PartRecords{}, none), SongRecord{});
  EXPECT_EQ(data.colorsOf(L"FMail").ClrsangIn, 0xFFFF0040u);
  data.clear();
  EXPECT_EQ(data.partCount(), 0);
  EXPECT_EQ(data.part(0), nullptr);
}

// Catches reading past a field that fills its array with no terminator (the chorus flag
// right after the line text would show up as a character), and surrogate pairs split in two.
TEST(LyricsLoad, TextsStopAtTheirFieldAndKeepCharactersBeyondTheBasicPlane) {
  PartRecords p1, p2;
  const std::u16string fullLine(126, u'字');
  p1.line(fullLine, 1, 0, 1000, true)
      .line(u"歌\U0001F3B5", 2, 0, 1000)
      .word(1, 0, 100, std::u16string(32, u'w'), std::u16string(32, u'p'), 0);
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  EXPECT_EQ(data.part(0)->channel(0)->GetLine(0)->GetText(), std::wstring(126, L'字'));
  const ILyricTrack& line = *data.part(0)->channel(1)->GetLine(0);
  EXPECT_EQ(line.GetText(), L"歌\U0001F3B5");
  EXPECT_EQ(line.GetWord(0)->GetText(), std::wstring(32, L'w'));
  EXPECT_EQ(line.GetWord(0)->GetPhonetic(), std::wstring(32, L'p'));
}

// Catches a cursor that only moves forward (seeking back finds nothing) or that sticks on a
// line after the time left it.
TEST_F(LyricsLoaded, LookupFollowsTheTimeForwardAndBackAndFindsNothingBetweenLines) {
  struct Step {
    uint32_t t;
    bool found;
    const wchar_t* text;
  };
  const Step steps[] = {{50, false, L""},     {100, true, L"一二三"}, {400, true, L"一二三"},
                        {450, false, L""},    {1000, true, L"六七"},  {1350, true, L"八"},
                        {150, true, L"一二三"}, {1200, true, L"六七"}, {5000, false, L""}};
  for (const Step& s : steps) {
    const LyricLineState state = data.findLine(0, 0, s.t);
    EXPECT_EQ(state.found, s.found) << "t=" << s.t;
    EXPECT_EQ(state.text, s.text) << "t=" << s.t;
  }
  EXPECT_FALSE(data.findLine(2, 0, 150).found);
  EXPECT_FALSE(data.findLine(0, 2, 150).found);
}

// Catches a line drawn in the part's colour instead of its own (chorus) or "Def" ones.
TEST_F(LyricsLoaded, LineColoursComeFromTheLinesColourNameOrDef) {
  EXPECT_EQ(data.findLine(0, 0, 1000).colors, LYRIC_COLOR(0xFF00A000));
  EXPECT_EQ(data.findLine(0, 0, 150).colors, data.colors().at(L"Def"));
  // Part 2 is female, but its plain lines are drawn in "Def" all the same.
  EXPECT_EQ(data.findLine(1, 0, 600).colors, LYRIC_COLOR(0xFF4000FF));
  const LyricLineState state = data.findLine(0, 0, 150);
  EXPECT_EQ(state.colors.ClrsingIn, 0xFFFFFFFFu);
  EXPECT_EQ(state.colors.ClrsingBor, 0xFF000000u);
  EXPECT_EQ(state.colors.ClrsangBor, 0xFFFFFFFFu);
}

// Catches phonetic texts placed at the wrong character or words without a place included.
TEST_F(LyricsLoaded, PhoneticsAreKeyedByCharacterPositionWithoutUnplacedWords) {
  const LyricLineState state = data.findLine(0, 0, 150);
  EXPECT_EQ(state.phonetics, (std::map<int, std::wstring>{{0, L"yi"}, {1, L"ersan"}}));
}

struct WipeCase {
  const char* name;
  uint32_t t;
  int sung, current;
  float fraction;
};

class Wipe : public LyricsLoaded, public ::testing::WithParamInterface<WipeCase> {};

// Catches a wipe that counts the current word as sung, loses the fraction or overshoots it.
TEST_P(Wipe, CountsFinishedWordsAndTheFractionOfTheCurrentOne) {
  const WipeCase& c = GetParam();
  const LyricLineState state = data.findLine(0, 0, c.t);
  ASSERT_TRUE(state.found);
  EXPECT_EQ(state.sungChars, c.sung);
  EXPECT_EQ(state.currentChars, c.current);
  EXPECT_FLOAT_EQ(state.currentFraction, c.fraction);
}

INSTANTIATE_TEST_SUITE_P(Lyrics, Wipe,
                         ::testing::Values(WipeCase{"LineStart", 100, 0, 1, 0.0f},
                                           WipeCase{"MidFirstWord", 125, 0, 1, 0.25f},
                                           WipeCase{"MidSecondWord", 250, 1, 2, 0.5f},
                                           WipeCase{"BetweenWords", 320, 3, 0, 0.0f},
                                           WipeCase{"LastWordEnd", 400, 3, 1, 1.0f}),
                         [](const ::testing::TestParamInfo<WipeCase>& info) {
                           return std::string(info.param.name);
                         });

// Catches the window's rule reversed (part 2 hiding part 1) or part 2 never asked.
TEST_F(LyricsLoaded, RowLineTakesPartOneFirstThenPartTwo) {
  EXPECT_EQ(data.findRowLine(0, 150).text, L"一二三");
  EXPECT_EQ(data.findRowLine(0, 600).text, L"和声");
  EXPECT_EQ(data.findRowLine(1, 600).text, L"四五");
  EXPECT_FALSE(data.findRowLine(1, 150).found);
}

}  // namespace

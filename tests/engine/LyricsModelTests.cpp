// The lyrics model: part names and colours from the voice types, what loading keeps and
// drops, texts out of fixed fields, and the line lookup with its cursor and wipe state.
#include <gtest/gtest.h>

#include "LyricRecords.h"
#include "app/SongRecord.h"
#include "engine/CLyricsData.h"

using lyrictest::PartRecords;

namespace {

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

struct VoiceCase {
  const char* name;
  int t1, t2;
  const wchar_t *name1, *name2;
  uint32_t color1, color2;
};
class VoiceTypes : public ::testing::TestWithParam<VoiceCase> {};

// Catches a part given the wrong name or colour, above all when both parts share a voice.
TEST_P(VoiceTypes, GivePartNamesAndColours) {
  const VoiceCase& c = GetParam();
  PartRecords p1, p2;
  p1.voiceType = c.t1;
  p2.voiceType = c.t2;
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  EXPECT_EQ(data.part(0)->GetName(), c.name1);
  EXPECT_EQ(data.part(1)->GetName(), c.name2);
  EXPECT_EQ(data.colors().at(c.name1), LYRIC_COLOR(c.color1));
  EXPECT_EQ(data.colors().at(c.name2), LYRIC_COLOR(c.color2));
  EXPECT_EQ(data.colorsOf(L"Chorus"), LYRIC_COLOR(0xFF00A000));
}

INSTANTIATE_TEST_SUITE_P(
    Lyrics, VoiceTypes,
    ::testing::Values(VoiceCase{"TwoMale", 1, 1, L"Mail", L"FMail", 0xFF4000FF, 0xFF8000FF},
                      VoiceCase{"MaleFemale", 1, 2, L"Mail", L"FMail", 0xFF4000FF, 0xFFFF0040},
                      VoiceCase{"TwoFemale", 2, 2, L"FMail", L"Mail", 0xFFFF0040, 0xFF8000FF},
                      VoiceCase{"ChorusNone", 3, 0, L"Chorus", L"", 0xFF00A000, 0xFF4000FF},
                      VoiceCase{"UnknownMale", 7, 1, L"Mail", L"FMail", 0xFF4000FF, 0xFF8000FF}),
    caseName<VoiceCase>);

// Row 0: 一二三 100-400, 六七 (chorus) 900-1200, 八 1300-1400; row 1: 四五 500-800.
class LyricsLoaded : public ::testing::Test {
 protected:
  void SetUp() override {
    p1.line(u"一二三", 1, 100, 400)
        .line(u"四五", 2, 500, 800)
        .line(u"六七", 1, 900, 1200, true)
        .line(u"八", 7, 1300, 1400)  // an unknown row is the first
        .word(0, 100, 200, u"一", u"yi", 0)
        .word(0, 150, 150, u"零", u"ling", 0)   // no length: dropped
        .word(4, 150, 160, u"外", u"wai", 0)    // no such line: dropped
        .word(0, 200, 300, u"二三", u"ersan", 1)
        .word(0, 350, 400, u"x");                // no place for a phonetic text
    p1.countIns = {{100, 4, 0}, {900, 2, 0}};
    p2.voiceType = 2;
    p2.line(u"和声", 1, 500, 800);
    SongRecord song;
    song.SongName = L"欢乐颂";
    song.SingerName = L"合唱曲";
    data.load(lyrictest::records(p1, p2), song);
  }
  PartRecords p1, p2;
  CLyricsData data;
};

// Catches lines in the wrong row, dropped words kept, phonetics taken from the wrong record
// once a word was dropped, and count-ins or names not taken over.
TEST_F(LyricsLoaded, KeepsLinesInTheirRowsWithTheirWordsAndCountIns) {
  const CLyrics& part = *data.part(0);
  ASSERT_EQ(part.channel(0)->GetLineCount(), 3);
  EXPECT_EQ(part.channel(0)->GetLine(1)->GetText(), L"六七");
  EXPECT_EQ(part.channel(0)->GetLine(1)->GetColorName(), L"Chorus");
  EXPECT_EQ(part.channel(0)->GetLine(2)->GetText(), L"八");
  ASSERT_EQ(part.channel(1)->GetLineCount(), 1);
  EXPECT_EQ(part.channel(1)->GetLine(0)->GetEnd(), 800u);
  const ILyricTrack& line = *part.channel(0)->GetLine(0);
  ASSERT_EQ(line.GetWordCount(), 3);
  EXPECT_EQ(line.GetWord(1)->GetText(), L"二三");
  EXPECT_EQ(line.GetWord(1)->GetPhonetic(), L"ersan");
  EXPECT_EQ(line.GetWord(1)->GetCharPos(), 1);
  ASSERT_EQ(part.GetPlayCountCount(), 2);
  EXPECT_EQ(part.GetPlayCount(1)->GetEnd(), 900);
  EXPECT_EQ(part.GetPlayCount(1)->GetBeatCount(), 2);
  EXPECT_EQ(data.songName(), L"欢乐颂");
  EXPECT_EQ(data.singerName(), L"合唱曲");
}

// Catches reading past a field that fills its array (the chorus flag after the line text
// would show as a character), split surrogate pairs and a missing phonetic array being read.
TEST(LyricsLoad, TextsStopAtTheirFieldAndKeepCharactersBeyondTheBasicPlane) {
  PartRecords p1, p2;
  p1.line(std::u16string(126, u'字'), 1, 0, 1000, true)
      .line(u"歌\U0001F3B5", 2, 0, 1000)
      .word(1, 0, 100, std::u16string(32, u'w'), u"w", 0);
  p1.withPhonetics = false;
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  EXPECT_EQ(data.part(0)->channel(0)->GetLine(0)->GetText(), std::wstring(126, L'字'));
  const ILyricTrack& line = *data.part(0)->channel(1)->GetLine(0);
  EXPECT_EQ(line.GetText(), L"歌\U0001F3B5");
  EXPECT_EQ(line.GetWord(0)->GetText(), std::wstring(32, L'w'));
  EXPECT_EQ(line.GetWord(0)->GetCharPos(), -1);
}

// Catches a cursor that only moves forward (seeking back finds nothing) or sticks on a line
// the time has left, and the window's part order reversed.
TEST_F(LyricsLoaded, LookupFollowsTheTimeBothWaysAndFindsNothingBetweenLines) {
  const std::pair<uint32_t, const wchar_t*> steps[] = {
      {50, L""},     {100, L"一二三"}, {400, L"一二三"}, {450, L""},  {1000, L"六七"},
      {1350, L"八"}, {150, L"一二三"}, {1200, L"六七"},  {5000, L""}};
  for (const auto& [t, text] : steps) {
    const LyricLineState state = data.findLine(0, 0, t);
    EXPECT_EQ(state.found, *text != 0) << "t=" << t;
    EXPECT_EQ(state.text, text) << "t=" << t;
  }
  EXPECT_EQ(data.findRowLine(0, 600).text, L"和声");
  EXPECT_EQ(data.findRowLine(1, 600).text, L"四五");
  EXPECT_FALSE(data.findRowLine(1, 150).found);
}

// Catches lines drawn in their part's colour instead of their own or "Def", and phonetic
// texts at the wrong character or for words without a place.
TEST_F(LyricsLoaded, LineGivesItsColoursAndPhoneticsByPosition) {
  EXPECT_EQ(data.findLine(0, 0, 1000).colors, LYRIC_COLOR(0xFF00A000));
  EXPECT_EQ(data.findLine(1, 0, 600).colors, data.colors().at(L"Def"));  // a female part
  const LyricLineState state = data.findLine(0, 0, 150);
  EXPECT_EQ(state.colors, LYRIC_COLOR(0xFF4000FF));
  EXPECT_EQ(state.phonetics, (std::map<int, std::wstring>{{0, L"yi"}, {1, L"ersan"}}));
}

struct WipeCase {
  const char* name;
  uint32_t t;
  int sung, current;
  float fraction;
};
class Wipe : public LyricsLoaded, public ::testing::WithParamInterface<WipeCase> {};

// Catches the current word counted as sung, a lost fraction or one that overshoots.
TEST_P(Wipe, CountsFinishedWordsAndTheFractionOfTheCurrentOne) {
  const WipeCase& c = GetParam();
  const LyricLineState state = data.findLine(0, 0, c.t);
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
                         caseName<WipeCase>);

}  // namespace

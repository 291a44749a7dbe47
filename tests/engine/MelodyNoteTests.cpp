// The melody model: the pitch range over both parts, pitches as percentages, dropped notes
// and the note query around a time.
#include <gtest/gtest.h>

#include <vector>

#include "engine/CMelodyNoteData.h"

namespace {

VokaMelodyNote note(int begin, int end, int number, int word = 0) {
  VokaMelodyNote n{};
  n.begin = begin;
  n.end = end;
  n.note = number;
  n.extra[0] = word;
  n.extra[2] = 96;
  return n;
}

struct MelodyRecords {
  std::vector<VokaMelodyNote> part1, part2;
  int low1 = -1, high1 = -1, low2 = -1, high2 = -1;
  EngineMelodyRecords records() const {
    EngineMelodyRecords r;
    r.parts[0] = {part1.data(), static_cast<int>(part1.size()), low1, high1};
    r.parts[1] = {part2.data(), static_cast<int>(part2.size()), low2, high2};
    return r;
  }
};

std::vector<int> begins(const std::vector<MelodyNote>& notes) {
  std::vector<int> out;
  for (const MelodyNote& n : notes) out.push_back(n.begin);
  return out;
}

struct RangeCase {
  const char* name;
  int low1, high1, low2, high2;
  int low, high;
};

class MelodyRange : public ::testing::TestWithParam<RangeCase> {};

// Catches a range taken from one part only, without its margin, or from a part without notes.
TEST_P(MelodyRange, CoversBothPartsWithRoomOnEachSide) {
  const RangeCase& c = GetParam();
  MelodyRecords m;
  m.low1 = c.low1;
  m.high1 = c.high1;
  m.low2 = c.low2;
  m.high2 = c.high2;
  CMelodyNoteData data;
  data.load(m.records());
  for (int part = 0; part < 2; ++part) {
    EXPECT_EQ(data.low(part), c.low);
    EXPECT_EQ(data.high(part), c.high);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Melody, MelodyRange,
    ::testing::Values(RangeCase{"PartOneOnly", 60, 72, -1, -1, 56, 76},
                      RangeCase{"PartTwoWider", 60, 72, 55, 81, 51, 85},
                      RangeCase{"PartTwoInside", 55, 81, 60, 72, 51, 85},
                      RangeCase{"PartTwoOnly", -1, -1, 55, 81, 51, 85},
                      RangeCase{"NoNotes", -1, -1, -1, -1, 0, 100},
                      RangeCase{"OneNoteHasRoom", 64, 64, -1, -1, 60, 68},
                      RangeCase{"UpsideDownKeepsDefault", 90, 70, -1, -1, 0, 100}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

// Catches pitches computed in floating point or against the wrong end of the range, a reversed
// note kept, a zero-length note dropped and the engine's further values lost.
TEST(Melody, PitchIsAnIntegerPercentOfTheRangeAndReversedNotesAreSkipped) {
  MelodyRecords m;
  m.part1 = {note(0, 100, 55), note(100, 200, 60, 1), note(300, 250, 70), note(400, 400, 81, 3)};
  m.part2 = {note(0, 100, 70)};
  m.low1 = 55;
  m.high1 = 81;
  CMelodyNoteData data;
  data.load(m.records());  // range 51..85, span 34
  const std::vector<MelodyNote>& notes = data.notes(0);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0].pitch, 4 * 100 / 34);   // 11: the lowest note is off the bottom
  EXPECT_EQ(notes[1].pitch, 9 * 100 / 34);   // 26
  EXPECT_EQ(notes[2].pitch, 30 * 100 / 34);  // 88
  EXPECT_EQ(notes[1].extra, (std::array<int32_t, 4>{1, 0, 96, 0}));
  EXPECT_EQ(data.notes(1)[0].pitch, 19 * 100 / 34);
  EXPECT_TRUE(data.notes(2).empty());

  // Without notes in the range the default 0..100 makes the percentage the note number.
  MelodyRecords plain;
  plain.part1 = {note(0, 100, 64)};
  data.load(plain.records());
  EXPECT_EQ(data.notes(0)[0].pitch, 64);
}

struct QueryCase {
  const char* name;
  int from, to;
  std::vector<int> begins;
};

class NoteQuery : public ::testing::TestWithParam<QueryCase> {};

// Notes at 0-100, 100-200, 300-400, 400-600.
// Catches inclusive bounds (a note touching the window counted), and a scan that ends too early
// or runs on.
TEST_P(NoteQuery, GivesTheNotesOverlappingTheWindow) {
  const QueryCase& c = GetParam();
  MelodyRecords m;
  m.part2 = {note(0, 100, 60), note(100, 200, 62), note(300, 400, 64), note(400, 600, 65)};
  CMelodyNoteData data;
  data.load(m.records());
  EXPECT_EQ(begins(data.notesBetween(1, c.from, c.to)), c.begins);
  EXPECT_TRUE(data.notesBetween(0, c.from, c.to).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Melody, NoteQuery,
    ::testing::Values(QueryCase{"Everything", -50, 1000, {0, 100, 300, 400}},
                      QueryCase{"TouchingEndsLeftOut", 100, 300, {100}},
                      QueryCase{"InsideOneNote", 450, 500, {400}},
                      QueryCase{"Gap", 210, 290, {}},
                      QueryCase{"StraddlingTwo", 150, 350, {100, 300}},
                      QueryCase{"AfterTheLast", 600, 900, {}}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

}  // namespace

// The melody model: the pitch range over both parts, pitches as percentages, dropped notes
// and the note query around a time.
#include <gtest/gtest.h>

#include <vector>

#include "engine/CMelodyNoteData.h"

namespace {

VokaMelodyNote note(int begin, int end, int number) {
  VokaMelodyNote n{};
  n.begin = begin;
  n.end = end;
  n.note = number;
  n.extra[0] = begin / 100;
  n.extra[2] = 96;
  return n;
}

EngineMelodyRecords records(const std::vector<VokaMelodyNote>& part1,
                            const std::vector<VokaMelodyNote>& part2, std::array<int, 4> top) {
  return {{EngineMelodyPart{part1.data(), int(part1.size()), top[0], top[1]},
           EngineMelodyPart{part2.data(), int(part2.size()), top[2], top[3]}}};
}

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

struct RangeCase {
  const char* name;
  std::array<int, 4> top;  // lowest and highest of part 1, of part 2
  int low, high;
};
class MelodyRange : public ::testing::TestWithParam<RangeCase> {};

// Catches a range taken from one part only, without its margin, or from a part without notes.
TEST_P(MelodyRange, CoversBothPartsWithRoomOnEachSide) {
  CMelodyNoteData data;
  data.load(records({}, {}, GetParam().top));
  for (int part = 0; part < 2; ++part) {
    EXPECT_EQ(data.low(part), GetParam().low);
    EXPECT_EQ(data.high(part), GetParam().high);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Melody, MelodyRange,
    ::testing::Values(RangeCase{"PartOneOnly", {60, 72, -1, -1}, 56, 76},
                      RangeCase{"PartTwoWider", {60, 72, 55, 81}, 51, 85},
                      RangeCase{"PartTwoOnly", {-1, -1, 55, 81}, 51, 85},
                      RangeCase{"NoNotes", {-1, -1, -1, -1}, 0, 100},
                      RangeCase{"UpsideDown", {90, 70, -1, -1}, 0, 100}),
    caseName<RangeCase>);

// Catches pitches in floating point or against the wrong end of the range, a reversed note
// kept, a zero-length note dropped and the engine's further values lost.
TEST(Melody, PitchIsAnIntegerPercentOfTheRangeAndReversedNotesAreSkipped) {
  const std::vector<VokaMelodyNote> part1 = {note(0, 100, 55), note(100, 200, 60),
                                             note(300, 250, 70), note(400, 400, 81)};
  CMelodyNoteData data;
  data.load(records(part1, {}, {55, 81, -1, -1}));  // range 51..85
  std::vector<int> pitches;
  for (const MelodyNote& n : data.notes(0)) pitches.push_back(n.pitch);
  EXPECT_EQ(pitches, (std::vector<int>{400 / 34, 900 / 34, 3000 / 34}));
  EXPECT_EQ(data.notes(0)[1].extra, (std::array<int32_t, 4>{1, 0, 96, 0}));
  // With the default range 0..100 the percentage is the note number.
  data.load(records(part1, {}, {-1, -1, -1, -1}));
  EXPECT_EQ(data.notes(0)[0].pitch, 55);
}

struct QueryCase {
  const char* name;
  int from, to;
  std::vector<int> begins;
};
class NoteQuery : public ::testing::TestWithParam<QueryCase> {};

// Catches inclusive bounds (a note touching the window counted) and a scan that ends too
// early or runs on.
TEST_P(NoteQuery, GivesTheNotesOverlappingTheWindow) {
  const std::vector<VokaMelodyNote> part2 = {note(0, 100, 60), note(100, 200, 62),
                                             note(300, 400, 64), note(400, 600, 65)};
  CMelodyNoteData data;
  data.load(records({}, part2, {-1, -1, 60, 65}));
  std::vector<int> begins;
  for (const MelodyNote& n : data.notesBetween(1, GetParam().from, GetParam().to))
    begins.push_back(n.begin);
  EXPECT_EQ(begins, GetParam().begins);
  EXPECT_TRUE(data.notesBetween(0, GetParam().from, GetParam().to).empty());
}

INSTANTIATE_TEST_SUITE_P(Melody, NoteQuery,
                         ::testing::Values(QueryCase{"Everything", -50, 1000, {0, 100, 300, 400}},
                                           QueryCase{"TouchingEndsLeftOut", 100, 300, {100}},
                                           QueryCase{"InsideOneNote", 450, 500, {400}},
                                           QueryCase{"Gap", 210, 290, {}},
                                           QueryCase{"StraddlingTwo", 150, 350, {100, 300}}),
                         caseName<QueryCase>);

}  // namespace

// The melody window: where the bars of a moment lie (end pieces, pitch, the sung area and the
// switch to the current pictures), the singer's pitch trace, and the poller's redraw requests
// from its own thread to the GUI thread, through stop, restart and destruction.
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "WidgetTest.h"
#include "widgets/MelodyWnd.h"

using CEGUI::MelodyImage;
using CEGUI::MelodyPiece;
using CEGUI::MelodyView;

namespace {

// A window 1000 x 250 px: the note area is 1000 x 240, one pixel is 5120 engine units, and at
// kNow the view starts at kViewStart, so a time kViewStart + px(x) lies at x.
constexpr int32_t kNow = 2048000;
constexpr int32_t kViewStart = kNow - 1024000;
constexpr int32_t px(int x) { return x * 5120; }
const CEGUI::Sizef kWindow(1000, 250);
const CEGUI::MelodyMetrics kMetrics{18, CEGUI::Sizef(20, 20), 12, 8, 4};

VokaMelodyNote note(int fromX, int toX, int midi) {
  VokaMelodyNote n{};
  n.begin = kViewStart + px(fromX);
  n.end = kViewStart + px(toX);
  n.note = midi;
  return n;
}

// Notes of both parts made into the model as the engine's records would give them; the range
// is their span (widened by the model), or the given one.
CMelodyNoteData melody(const std::vector<VokaMelodyNote>& part1, const std::vector<VokaMelodyNote>& part2 = {},
                       int low = -1, int high = -1) {
  EngineMelodyRecords records;
  const std::vector<VokaMelodyNote>* parts[] = {&part1, &part2};
  for (int i = 0; i < 2; ++i) {
    const auto& notes = *parts[i];
    if (notes.empty()) continue;
    auto [lo, hi] = std::minmax_element(notes.begin(), notes.end(),
                                        [](const auto& a, const auto& b) { return a.note < b.note; });
    records.parts[i] = {notes.data(), static_cast<int>(notes.size()), low < 0 ? lo->note : low,
                        high < 0 ? hi->note : high};
  }
  CMelodyNoteData data;
  data.load(records);
  return data;
}

std::vector<MelodyPiece> only(const std::vector<MelodyPiece>& pieces, float alpha) {
  std::vector<MelodyPiece> out;
  std::copy_if(pieces.begin(), pieces.end(), std::back_inserter(out),
               [&](const MelodyPiece& p) { return p.alpha == alpha && p.image < MelodyImage::PitchDot; });
  return out;
}

std::vector<MelodyImage> images(const std::vector<MelodyPiece>& pieces) {
  std::vector<MelodyImage> out;
  for (const MelodyPiece& p : pieces) out.push_back(p.image);
  return out;
}

bool isBar(MelodyImage i) { return i >= MelodyImage::BarLeft && i <= MelodyImage::HeadCurrent; }
bool isCurrent(MelodyImage i) {
  return (i >= MelodyImage::BarLeftCurrent && i <= MelodyImage::BarRightCurrent) || i == MelodyImage::HeadCurrent;
}

struct BarCase {
  const char* name;
  int width;
  std::vector<MelodyImage> pieces;
};

class BarPieces : public ::testing::TestWithParam<BarCase> {};

}  // namespace

// Catches: a short bar stretched to 55 px or drawn with its right piece, the middle piece
// missing or overlapping the ends, the head placed away from the bar's start.
TEST_P(BarPieces, ABarIsCutIntoEndPiecesAndAStretchedMiddle) {
  const BarCase& c = GetParam();
  const auto pieces = only(CEGUI::layoutMelody(melody({note(500, 500 + c.width, 60)}), kNow, kWindow, kMetrics), 1.0f);
  std::vector<MelodyPiece> bar;
  std::copy_if(pieces.begin(), pieces.end(), std::back_inserter(bar), [](const auto& p) { return isBar(p.image); });
  ASSERT_EQ(images(bar), c.pieces);
  const float end = 500.0f + c.width;
  EXPECT_EQ(bar[0].dest, CEGUI::Rectf(500, bar[0].dest.top(), 555, bar[0].dest.bottom()));  // the left piece's own width
  EXPECT_FLOAT_EQ(bar[0].clip.right(), std::min(end, 555.0f));
  EXPECT_FLOAT_EQ(bar.back().dest.left(), 500);  // the head
  EXPECT_FLOAT_EQ(bar.back().clip.right(), std::min(end, 555.0f));
  if (c.width > 55) {
    const MelodyPiece& right = bar[bar.size() - 2];
    EXPECT_FLOAT_EQ(right.dest.left(), end - 55);
    EXPECT_FLOAT_EQ(right.dest.right(), end);
    EXPECT_FLOAT_EQ(right.clip.left(), 555);  // never over the left piece
  }
  if (c.width > 110) {
    EXPECT_FLOAT_EQ(bar[1].dest.left(), 555);
    EXPECT_FLOAT_EQ(bar[1].dest.right(), end - 55);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Widths, BarPieces,
    ::testing::Values(BarCase{"ShorterThanAPiece", 30, {MelodyImage::BarLeft, MelodyImage::Head}},
                      BarCase{"ShorterThanTwoPieces", 80, {MelodyImage::BarLeft, MelodyImage::BarRight, MelodyImage::Head}},
                      BarCase{"Long", 200,
                              {MelodyImage::BarLeft, MelodyImage::BarMid, MelodyImage::BarRight, MelodyImage::Head}}),
    [](const ::testing::TestParamInfo<BarCase>& info) { return std::string(info.param.name); });

// Catches: the range not widened (the lowest note on the area's bottom edge), the pitch axis
// upside down, the note area taken as the whole window, and a pitch outside the range drawn
// off the area.
TEST(MelodyLayout, PitchPlacesBarsInsideTheNoteAreaWithRoomAtBothEnds) {
  const auto pieces = CEGUI::layoutMelody(melody({note(300, 400, 60), note(400, 500, 72)}), kNow, kWindow, kMetrics);
  // Range 56..76: 20 semitones over the note area's 240 px, 12 px each.
  std::vector<float> centres;
  for (const MelodyPiece& p : pieces)
    if (p.image == MelodyImage::BarLeft) centres.push_back(p.dest.top() + 9);
  ASSERT_EQ(centres.size(), 2u);
  EXPECT_FLOAT_EQ(centres[0], 240 - 4 * 12);
  EXPECT_FLOAT_EQ(centres[1], 4 * 12);

  // Records whose range does not hold a note: the bar stays at the area's edge.
  const auto outside = CEGUI::layoutMelody(melody({note(300, 400, 90)}, {}, 60, 64), kNow, kWindow, kMetrics);
  const auto left = std::find_if(outside.begin(), outside.end(), [](const auto& p) { return p.image == MelodyImage::BarLeft; });
  ASSERT_NE(left, outside.end());
  EXPECT_FLOAT_EQ(left->dest.top(), -9);
}

// Catches: sung bars drawn past the now line or opaque, bars to come drawn under them, the
// current pictures missing for the note being sung, or used while no note sounds.
TEST(MelodyLayout, SungBarsAreClippedToTheSungAreaAndSwitchToCurrentAtTheSoundingNote) {
  const CMelodyNoteData notes = melody({note(100, 150, 60), note(180, 260, 64)}, {note(120, 170, 67)});
  const auto all = CEGUI::layoutMelody(notes, kNow, kWindow, kMetrics);
  for (const MelodyPiece& p : only(all, 1.0f)) {
    if (isBar(p.image)) {
      EXPECT_GE(p.clip.left(), 200.0f);
    }
  }
  const auto sung = only(all, MelodyView::kSungAlpha);
  ASSERT_FALSE(sung.empty());
  std::vector<MelodyImage> lefts;
  for (const MelodyPiece& p : sung) {
    EXPECT_LE(p.clip.right(), 200.0f);
    if (p.image == MelodyImage::BarLeft || p.image == MelodyImage::BarLeftCurrent) lefts.push_back(p.image);
  }
  // Part 1's past note, its sounding note, then part 2's note after the switch.
  EXPECT_EQ(lefts, (std::vector<MelodyImage>{MelodyImage::BarLeft, MelodyImage::BarLeftCurrent,
                                             MelodyImage::BarLeftCurrent}));

  // At the sounding note's end nothing sounds: every sung bar keeps the normal pictures.
  const auto later = only(CEGUI::layoutMelody(notes, kNow + px(60), kWindow, kMetrics), MelodyView::kSungAlpha);
  ASSERT_FALSE(later.empty());
  for (const MelodyPiece& p : later) EXPECT_FALSE(isCurrent(p.image)) << int(p.image);
}

// Catches: bars laid out without their pictures, or the frame lost with the bars.
TEST(MelodyLayout, WithoutBarPicturesOrNotesOnlyTheFrameIsDrawn) {
  const std::vector<MelodyImage> frame = {MelodyImage::Background, MelodyImage::SangBK, MelodyImage::SangMarker};
  CEGUI::MelodyMetrics noBars = kMetrics;
  noBars.barHeight = 0;
  EXPECT_EQ(images(CEGUI::layoutMelody(melody({note(100, 300, 60)}), kNow, kWindow, noBars)), frame);
  EXPECT_EQ(images(CEGUI::layoutMelody(CMelodyNoteData{}, kNow, kWindow, kMetrics)), frame);
  const auto marker = CEGUI::layoutMelody(CMelodyNoteData{}, kNow, kWindow, kMetrics).back();
  EXPECT_EQ(marker.dest, CEGUI::Rectf(194, 0, 206, 250));  // centred on the now line
  EXPECT_TRUE(CEGUI::layoutMelody(CMelodyNoteData{}, kNow, CEGUI::Sizef(0, 0), kMetrics).empty());
}

// Catches: the sung pitch mapped with another range than the bars, an octave-off voice drawn
// off the bars, and a silence bridged by the line.
TEST(MelodyLayout, ThePitchTraceFollowsTheBarsRangeFoldsOctavesAndBreaksAtSilence) {
  const CMelodyNoteData notes = melody({note(0, 300, 72)}, {}, 60, 72);  // range 56..76
  const std::vector<CEGUI::PitchSample> trace = {{kViewStart + px(100), 72}, {kViewStart + px(110), 84},
                                                 {kViewStart + px(120), 0}, {kViewStart + px(150), 72},
                                                 {kViewStart + px(250), 72}};  // after now: not drawn
  std::vector<float> xs;
  std::vector<MelodyImage> order;
  for (const MelodyPiece& p : CEGUI::layoutMelody(notes, kNow, kWindow, kMetrics, trace)) {
    if (p.image == MelodyImage::PitchCore) order.push_back(p.image);
    if (p.image != MelodyImage::PitchDot) continue;
    order.push_back(p.image);
    EXPECT_FLOAT_EQ(p.dest.top() + 4, 4 * 12);  // note 72, as the bar
    xs.push_back(p.dest.left() + 4);
  }
  ASSERT_EQ(xs.size(), 12u);  // 100, a dot a pixel up to 110, 150
  EXPECT_FLOAT_EQ(xs[0], 100);
  EXPECT_FLOAT_EQ(xs[1], 101);
  EXPECT_FLOAT_EQ(xs[10], 110);
  EXPECT_FLOAT_EQ(xs[11], 150);
  EXPECT_EQ(CEGUI::foldToOctaveOf(47, 72), 71);
  // Every core over every glow.
  std::vector<MelodyImage> expected(12, MelodyImage::PitchDot);
  expected.resize(24, MelodyImage::PitchCore);
  EXPECT_EQ(order, expected);
}

// ---------------------------------------------------------------------------------------------

namespace {

class MelodyWindow : public vktest::WidgetTest {
 protected:
  CEGUI::MelodyWnd* make(std::function<int()> pitch = {}) {
    auto* wnd = CEGUI::createMelodyWindow(sheet(), melody({note(100, 400, 60)}), [this] { return source_.load(); },
                                          std::move(pitch));
    EXPECT_NE(wnd, nullptr);
    return wnd;
  }
  // Draws the GUI as a frame would; the renders of `wnd` so far.
  static int renders(CEGUI::MelodyWnd* wnd) {
    CEGUI::System::getSingleton().renderAllGUIContexts();
    return static_cast<CEGUI::FalagardMelody*>(wnd->getWindowRenderer())->renderCount();
  }
  std::atomic<int> source_{0};
};

}  // namespace

// Catches: the window made with another name, type, place or pictures than the performance
// expects, or a failed creation thrown at the caller.
TEST_F(MelodyWindow, CreationGivesTheDisabledWindowWithTheStagePictures) {
  CEGUI::MelodyWnd* wnd = make();
  EXPECT_EQ(wnd->getName(), "Root/WndMelody");
  EXPECT_EQ(wnd->getType(), "TaharezLook/MelodyWnd");
  EXPECT_EQ(wnd->getParent(), sheet());
  EXPECT_TRUE(wnd->isDisabled());
  EXPECT_EQ(wnd->getArea(), CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0.4f, 0), CEGUI::UDim(1, 0), CEGUI::UDim(0.75f, 0)));
  EXPECT_EQ(wnd->imageName(MelodyImage::BarLeftCurrent), "PK1/LineLeft_Hover");
  EXPECT_EQ(wnd->imageName(MelodyImage::SangMarker), "PK1/SangBKSmallRect");
  const auto* renderer = static_cast<CEGUI::FalagardMelody*>(wnd->getWindowRenderer());
  EXPECT_GT(renderer->metrics().barHeight, 0);
  EXPECT_GT(renderer->metrics().dotSize, 0);
  EXPECT_EQ(CEGUI::createMelodyWindow(sheet(), CMelodyNoteData{}, {}), nullptr);  // the sheet has one
  EXPECT_EQ(CEGUI::createMelodyWindow(nullptr, CMelodyNoteData{}, {}), nullptr);
}

// Catches: an undefined picture taken (nothing drawn, or a throw at render), the missing bars
// logged every frame.
TEST_F(MelodyWindow, MissingPicturesDrawNoBarsAndAreLoggedOnce) {
  auto* wnd = create<CEGUI::MelodyWnd>("CEGUI/MelodyWnd", "Bare", 0, 0, 800, 200);
  ASSERT_NE(wnd, nullptr);
  wnd->setWindowRenderer("Falagard/MelodyWnd");
  wnd->setNoteData(melody({note(100, 400, 60)}));
  EXPECT_FALSE(wnd->setBarImages("PK1", "LineLeft_Normal", "NoSuchImage", "LineRight_Normal"));
  EXPECT_TRUE(wnd->imageName(MelodyImage::BarLeft).empty());
  renders(wnd);
  wnd->updateTime(kNow);
  renders(wnd);
  const std::string log = install_.log();
  EXPECT_NE(log.find("'PK1/NoSuchImage' is not defined"), std::string::npos);
  EXPECT_EQ(log.find("note bars are not drawn"), std::string::npos);  // the ignored call said it
  const auto* renderer = static_cast<CEGUI::FalagardMelody*>(wnd->getWindowRenderer());
  for (const MelodyPiece& p : renderer->pieces()) EXPECT_FALSE(isBar(p.image));
  EXPECT_TRUE(wnd->setBarImages("PK1", "LineLeft_Normal", "LineMid_Normal", "LineRight_Normal"));
}

// Catches: a redraw while the song stands still, requests piling up behind a busy GUI thread,
// a stale time delivered by the coalesced request, and a request of a stopped run redrawing.
TEST_F(MelodyWindow, RequestsAreCoalescedAndOnlyAMovingClockRedraws) {
  CEGUI::MelodyWnd* wnd = make();
  wnd->start(false);
  const int before = renders(wnd);
  source_ = 1000;
  EXPECT_TRUE(wnd->poller().pollOnce());
  source_ = 2000;
  EXPECT_FALSE(wnd->poller().pollOnce());  // one in flight: only the latest time is kept
  advance(0);
  EXPECT_EQ(wnd->time(), 2000);
  EXPECT_EQ(renders(wnd), before + 1);
  EXPECT_FALSE(wnd->poller().pollOnce());  // paused: the same time
  advance(0);
  EXPECT_EQ(renders(wnd), before + 1);

  source_ = 3000;
  EXPECT_TRUE(wnd->poller().pollOnce());
  wnd->stop();  // the request in flight belongs to the stopped run
  advance(0);
  EXPECT_EQ(wnd->time(), 2000);
  EXPECT_FALSE(wnd->poller().pollOnce());
  wnd->start(false);
  EXPECT_TRUE(wnd->poller().pollOnce());
  advance(0);
  EXPECT_EQ(wnd->time(), 3000);
}

// Catches: the poller touching the window from its thread, the pitch sampled off the GUI
// thread, requests after stop, and a stop that returns before the thread ended.
TEST_F(MelodyWindow, ThePollerThreadsRequestsReachTheGuiThreadUntilStop) {
  const std::thread::id gui = std::this_thread::get_id();
  std::atomic<bool> timeOffGui{false};
  bool pitchOnGui = true;
  CEGUI::MelodyWnd* wnd = make([&] {
    pitchOnGui = pitchOnGui && std::this_thread::get_id() == gui;
    return 62;
  });
  wnd->setTimeSource([&] {
    if (std::this_thread::get_id() != gui) timeOffGui = true;
    return source_.load();
  });
  wnd->start();
  source_ = kNow;
  EXPECT_TRUE(shell().pumpUntil([&] { return wnd->time() == kNow; }));
  source_ = kNow + 51200;
  EXPECT_TRUE(shell().pumpUntil([&] { return wnd->time() == kNow + 51200; }));
  wnd->stop();
  EXPECT_FALSE(wnd->isPolling());
  source_ = kNow + 102400;
  advance(0);  // whatever was in flight arrives; the joined thread posts nothing more
  EXPECT_EQ(wnd->time(), kNow + 51200);
  EXPECT_TRUE(timeOffGui);
  EXPECT_TRUE(pitchOnGui);
  ASSERT_EQ(wnd->pitchTrace().size(), 2u);
  EXPECT_EQ(wnd->pitchTrace().back().note, 62);

  wnd->updateTime(kNow - 512000);  // a seek back: the trace of the later time goes
  ASSERT_EQ(wnd->pitchTrace().size(), 1u);
  EXPECT_EQ(wnd->pitchTrace().front().time, kNow - 512000);
}

// Catches: a request in flight delivered to a destroyed window (a use after free), or taken
// by another melody window.
TEST_F(MelodyWindow, AWindowDestroyedWithARequestInFlightIsNotTouched) {
  CEGUI::MelodyWnd* doomed = make();
  auto* other = create<CEGUI::MelodyWnd>("TaharezLook/MelodyWnd", "Other", 0, 0, 800, 200);
  other->setTimeSource([this] { return source_.load(); });
  doomed->start(false);
  other->start(false);
  source_ = 4000;
  ASSERT_TRUE(doomed->poller().pollOnce());
  destroyMelodyWindow(doomed);
  CEGUI::WindowManager::getSingleton().cleanDeadPool();
  advance(0);
  EXPECT_EQ(other->time(), 0);
  EXPECT_TRUE(other->poller().pollOnce());
  advance(0);
  EXPECT_EQ(other->time(), 4000);
  destroyMelodyWindow(other);  // a running poller is stopped on the way
}

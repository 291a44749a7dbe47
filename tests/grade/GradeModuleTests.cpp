// The live grading display, headless on the virtual clock: score events posted as the engine's
// callbacks post them drive the counters, the arrow, the prompts, the bursts and the bonus.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "PK/grade/CGradeModule.h"
#include "GradeEvents.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"

using gradetest::postLine;
using gradetest::postMic;
using gradetest::postWord;

namespace {

constexpr int kLow = 48;
constexpr int kHigh = 72;

class Grade : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    CEGUI::AnimationManager::getSingleton().loadAnimationsFromXML("Animation.xml");
    grade_ = std::make_unique<CGradeModule>();
    ASSERT_EQ(grade_->Build(sheet()), 0);
    grade_->setPitchRange(kLow, kHigh);
    grade_->Start();
  }
  void TearDown() override {
    grade_.reset();
    GuiTest::TearDown();
  }
  static CEGUI::Window* w(const char* name) { return findWindow(name); }
  static std::string text(const char* name) { return w(name)->getText().c_str(); }
  static int visibleIn(const char* layer) {
    int n = 0;
    CEGUI::Window* parent = w(layer);
    for (size_t i = 0; i < parent->getChildCount(); ++i) n += parent->getChildAtIdx(i)->isVisible();
    return n;
  }
  static int stars() { return visibleIn("GradeModuleWnd/StarEffect"); }
  static int flowers() { return visibleIn("GradeModuleWnd/FlowerEffect"); }
  static float top(const char* name) { return w(name)->getYPosition().d_offset; }
  static float centre(const char* name) { return top(name) + w(name)->getPixelSize().d_height / 2; }
  void word(int p, int t) {
    postWord(p, t);
    advance(0);
  }
  void line(int e, int total, int p = 5, int t = 5, int pitchLine = 95, int rhythmLine = 95) {
    postLine(p, t, e, total, pitchLine, rhythmLine);
    advance(0);
  }
  void mic(int note) {
    postMic(note);
    advance(0);
  }

  std::unique_ptr<CGradeModule> grade_;
};

struct WordCase {
  const char* name;
  int p, t;
  bool stars;
  const char* pitchText;
  const char* pitchStep;
  const char* rhythmText;
  const char* arrow;
};

class GradeWord : public Grade, public ::testing::WithParamInterface<WordCase> {};

// Catches a burst on less than a full word, zero scores that still count or flash, and arrow
// colours off by one at the grade edges.
TEST_P(GradeWord, CountsFlashesBurstsAndColoursTheArrow) {
  const WordCase& c = GetParam();
  word(c.p, c.t);
  EXPECT_EQ(text("GradeModuleWnd/YinGanWnd/YinGanScore"), c.pitchText);
  EXPECT_EQ(text("GradeModuleWnd/YinGanWnd/Stepping"), c.pitchStep);
  EXPECT_EQ(text("GradeModuleWnd/JieZouWnd/JieZouScore"), c.rhythmText);
  EXPECT_EQ(grade_->presenter().pitchTotal(), c.p);
  EXPECT_EQ(grade_->presenter().rhythmTotal(), c.t);
  EXPECT_EQ(grade_->presenter().stepEffect(PKScorePresent::Pitch).running(), c.p > 0);
  if (c.stars) {
    EXPECT_GE(stars(), CGradeModule::kMinStarBurst);
    EXPECT_LT(stars(), CGradeModule::kStarCount);
    EXPECT_TRUE(w("GradeModuleWnd/ArrowEffect")->isVisible());
  } else {
    EXPECT_EQ(stars(), 0);
    EXPECT_FALSE(w("GradeModuleWnd/ArrowEffect")->isVisible());
  }
  EXPECT_EQ(w("GradeModuleWnd/Arrow")->getProperty("Image"), c.arrow);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GradeWord,
    ::testing::Values(WordCase{"Full", 10, 10, true, "10", "+10", "10", "PK1/Green_Arrow"},
                      WordCase{"Nineties", 9, 9, false, "9", "+9", "9", "PK1/Green_Arrow"},
                      WordCase{"FullPitchOnly", 10, 9, false, "10", "+10", "9", "PK1/Green_Arrow"},
                      WordCase{"Eight", 8, 6, false, "8", "+8", "6", "PK1/Yellow_Arrow"},
                      WordCase{"Six", 6, 0, false, "6", "+6", "0", "PK1/Yellow_Arrow"},
                      WordCase{"Five", 5, 5, false, "5", "+5", "5", "PK1/Red_Arrow"},
                      WordCase{"Zero", 0, 0, false, "0", "", "0", "PK1/Red_Arrow"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches totals that restart per word, a "+n" showing the total, and effects that never
// come to rest (digits left scaled or a "+n" left on screen).
TEST_F(Grade, TotalsRunOnAndTheEffectsSettle) {
  word(10, 10);
  word(7, 0);
  EXPECT_EQ(text("GradeModuleWnd/YinGanWnd/YinGanScore"), "17");
  EXPECT_EQ(text("GradeModuleWnd/YinGanWnd/Stepping"), "+7");
  EXPECT_EQ(text("GradeModuleWnd/JieZouWnd/JieZouScore"), "10");
  const PKScoreEffect& zoom = grade_->presenter().scoreEffect(PKScorePresent::Pitch);
  EXPECT_LT(zoom.scale(), 0.5f);  // restarted from 0.3, at most one frame on
  for (int i = 0; i < 100; ++i) advance(16);  // frames
  EXPECT_FALSE(zoom.running());
  EXPECT_FALSE(grade_->presenter().stepEffect(PKScorePresent::Pitch).running());
}

// Catches "+-2" for a falling running expression, a flash when nothing changed, and a zero
// total wiping the counter.
TEST_F(Grade, ExpressionCounterShowsTheChangeOfTheRunningScore) {
  const std::pair<int, const char*> steps[] = {{7, "+7"}, {8, "+1"}, {6, "-2"}};
  for (const auto& [total, step] : steps) {
    line(7, total);
    EXPECT_EQ(text("GradeModuleWnd/FeelWnd/FeelScore"), std::to_string(total));
    EXPECT_EQ(text("GradeModuleWnd/FeelWnd/Stepping"), step);
  }
  line(7, 0);
  EXPECT_EQ(text("GradeModuleWnd/FeelWnd/FeelScore"), "6");
  EXPECT_EQ(grade_->presenter().expressionTotal(), 6);
}

struct LineCase {
  const char* name;
  int e, pitchLine, rhythmLine;
  const char* prompt;
  int bonus;
};

class GradeLine : public Grade, public ::testing::WithParamInterface<LineCase> {};

// Catches prompt thresholds off by one and bonus rows swapped or misread.
TEST_P(GradeLine, PromptsAndBonus) {
  const LineCase& c = GetParam();
  line(c.e, c.e, 5, 5, c.pitchLine, c.rhythmLine);
  advance(16);
  EXPECT_TRUE(w("GradeModuleWnd/Prompt")->isVisible());
  EXPECT_EQ(w("GradeModuleWnd/Prompt")->getProperty("Image"), c.prompt);
  EXPECT_EQ(grade_->bonusPoints(), c.bonus);
  advance(3000);
  EXPECT_FALSE(w("GradeModuleWnd/Prompt")->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GradeLine,
    ::testing::Values(LineCase{"PerfectAllHigh", 9, 95, 90, "PKGrade/Perfect", 10},
                      LineCase{"PerfectPitchLow", 10, 89, 95, "PKGrade/Perfect", 4},
                      LineCase{"PerfectBothLow", 9, 50, 80, "PKGrade/Perfect", 2},
                      LineCase{"GoodAllHigh", 8, 100, 100, "PKGrade/Good", 6},
                      LineCase{"GoodRhythmLow", 6, 95, 10, "PKGrade/Good", 2},
                      LineCase{"HardBothLow", 5, 0, 0, "PKGrade/Hard", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches a flower burst on a line that is not excellent in all three grades, and flowers
// that never fall or never go.
TEST_F(Grade, FlowersFallForAnExcellentLineAndGo) {
  line(9, 9, 9, 8);
  EXPECT_EQ(flowers(), 0);
  line(9, 9, 9, 9);
  EXPECT_GE(flowers(), CGradeModule::kMinFlowerBurst);
  EXPECT_LT(flowers(), CGradeModule::kFlowerCount);
  CEGUI::Window* first = w("GradeModuleWnd/FlowerEffect/Flower0");
  const CEGUI::UVector2 before = first->getPosition();
  advance(CGradeModule::kMoverPeriodMs);
  EXPECT_FLOAT_EQ(first->getPosition().d_x.d_offset, before.d_x.d_offset + 5);
  EXPECT_FLOAT_EQ(first->getPosition().d_y.d_offset, before.d_y.d_offset + 5);
  advance(4000);
  EXPECT_EQ(flowers(), 0);
}

// Catches stars that drift the wrong way, a second burst adding to the first instead of
// replacing it, and a mover that never stops.
TEST_F(Grade, StarsDriftUpLeftUntilAllHaveLeft) {
  word(10, 10);
  word(10, 10);
  EXPECT_LT(stars(), CGradeModule::kStarCount);
  CEGUI::Window* first = w("GradeModuleWnd/StarEffect/Star0");
  const CEGUI::UVector2 before = first->getPosition();
  advance(CGradeModule::kMoverPeriodMs);
  EXPECT_FLOAT_EQ(first->getPosition().d_x.d_offset, before.d_x.d_offset - 5);
  advance(2000);
  EXPECT_EQ(stars(), 0);
  // The layer is 792 x 279 px at 1440 x 900: every star is out within 170 ticks.
  advance(170 * CGradeModule::kMoverPeriodMs);
  const CEGUI::UVector2 gone = first->getPosition();
  advance(10 * CGradeModule::kMoverPeriodMs);
  EXPECT_EQ(first->getPosition(), gone);
}

// Catches notes under the range moving the arrow below the bar, a capped percentage, a
// division by an empty range, and the glow drifting off the arrow.
TEST_F(Grade, ArrowFollowsTheSungNoteAlongTheScaleBar) {
  mic(kLow);
  const float bottom = centre("GradeModuleWnd/Arrow");
  for (int note : {0, kLow - 5}) {
    mic(note);
    EXPECT_FLOAT_EQ(centre("GradeModuleWnd/Arrow"), bottom) << note;
  }
  mic((kLow + kHigh) / 2);
  const float middle = centre("GradeModuleWnd/Arrow");
  mic(kHigh);
  const float highest = centre("GradeModuleWnd/Arrow");
  mic(kHigh + 6);
  EXPECT_LT(middle, bottom);
  EXPECT_LT(highest, middle);
  EXPECT_LT(centre("GradeModuleWnd/Arrow"), highest);
  EXPECT_FLOAT_EQ(centre("GradeModuleWnd/ArrowEffect"), centre("GradeModuleWnd/Arrow"));
  // Both ends lie on the scale bar.
  CEGUI::Window* bar = findWindow("ScoreLineWnd");
  const float barTop = bar->getUnclippedOuterRect().get().top();
  EXPECT_GT(highest, barTop);
  EXPECT_LT(bottom, barTop + bar->getPixelSize().d_height);
  grade_->setPitchRange(60, 60);
  mic(62);
  EXPECT_LT(centre("GradeModuleWnd/Arrow"), highest);
}

// Catches events lost or doubled on their way from the engine's thread, and handlers run on
// that thread.
TEST_F(Grade, EventsFromAnotherThreadArriveOnceEachOnTheGuiThread) {
  constexpr int kWords = 200;
  std::atomic<int> offGui{0};
  auto connection = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::WordScoreUpdate), [&](const CEGUI::EventArgs&) {
        if (!Win32AppHelper::isGuiThread()) ++offGui;
        return false;
      });
  std::thread engine([] {
    for (int i = 0; i < kWords; ++i) {
      postWord(1, 0);
      CGradeModule::onMicSample();  // the real callback: no voice without an engine
    }
  });
  EXPECT_TRUE(shell().pumpUntil([&] { return grade_->presenter().pitchTotal() >= kWords; }));
  engine.join();
  advance(0);
  connection->disconnect();
  EXPECT_EQ(grade_->presenter().pitchTotal(), kWords);
  EXPECT_EQ(offGui, 0);
}

// Catches a stopped display that still counts, bursts or moves, and callbacks that reach a
// module after it went away.
TEST_F(Grade, NothingHappensAfterStopOrDestruction) {
  word(10, 10);
  line(9, 9, 9, 9);
  ASSERT_GT(stars(), 0);
  grade_->Stop();
  EXPECT_EQ(stars(), 0);
  EXPECT_EQ(flowers(), 0);
  EXPECT_FALSE(w("GradeModuleWnd/Prompt")->isVisible());
  const float arrowAt = top("GradeModuleWnd/Arrow");
  const int bonus = grade_->bonusPoints();
  word(10, 10);
  line(9, 9, 9, 9);
  mic(kHigh);
  advance(1000);
  EXPECT_EQ(grade_->presenter().pitchTotal(), 10);
  EXPECT_EQ(grade_->bonusPoints(), bonus);
  EXPECT_EQ(stars(), 0);
  EXPECT_FLOAT_EQ(top("GradeModuleWnd/Arrow"), arrowAt);

  grade_.reset();
  EXPECT_EQ(findWindow("GradeModuleWnd"), nullptr);
  std::thread engine([] {
    CGradeModule::onWordEnd();
    CGradeModule::onLineEnd();
    CGradeModule::onMicSample();
    postWord(10, 10);
  });
  engine.join();
  advance(100);
}

// Catches a module that keeps pointers into a sheet someone else destroyed.
TEST_F(Grade, SurvivesItsSheetGoingFirst) {
  word(10, 10);
  CEGUI::WindowManager::getSingleton().destroyWindow(grade_->window());
  EXPECT_EQ(grade_->window(), nullptr);
  word(10, 10);
  mic(kHigh);
  advance(1000);
  grade_.reset();
}

}  // namespace

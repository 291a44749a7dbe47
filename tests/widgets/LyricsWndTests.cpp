// The lyrics window: its creation and layout, the rows and wipes it composes at chosen engine
// times, the count-in, redrawing only when the engine time moves, long lines, and fonts or
// pictures missing from the data files.
#include <algorithm>
#include <cmath>

#include "LyricRecords.h"
#include "WidgetTest.h"
#include "app/SongRecord.h"
#include "widgets/LyricsWnd.h"

using CEGUI::LyricsQuad;
using CEGUI::LyricsWnd;
using CEGUI::Rectf;
using lyrictest::PartRecords;

namespace {

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

// Part 0: row 0 "一二三四" 1000-5000 (words 一 二 三四, no phonetic for 三四), row 1 "五六"
// 6000-8000; a four-beat count-in before 1000. Part 1: row 1 "七八" 1000-5000, a two-beat
// count-in before 6000.
class LyricsWindow : public vktest::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    p1.line(u"一二三四", 1, 1000, 5000)
        .line(u"五六", 2, 6000, 8000)
        .word(0, 1000, 2000, u"一", u"yi", 0)
        .word(0, 2000, 3000, u"二", u"er", 1)
        .word(0, 3000, 5000, u"三四")
        .word(1, 6000, 7000, u"五", u"wu", 0)
        .word(1, 7000, 8000, u"六", u"liu", 1);
    p1.countIns = {{200, 4, 0}, {400, 3, 0}, {600, 2, 0}, {800, 1, 0}, {1000, 0, 0}};
    p2.line(u"七八", 2, 1000, 5000).word(0, 1000, 3000, u"七", u"qi", 0).word(0, 3000, 5000, u"八", u"ba", 1);
    p2.countIns = {{5200, 2, 0}, {5600, 1, 0}, {6000, 0, 0}};
    lyrics.load(lyrictest::records(p1, p2), SongRecord{});
    window = createLyricsWindow(sheet(), lyrics, [this] { return now; });
    ASSERT_NE(window, nullptr);
  }
  // A frame: the headless shell does not draw, so the frame's drawing is done here.
  void frame() {
    shell().runFrame();
    CEGUI::System::getSingleton().renderAllGUIContexts();
  }
  void showAt(int t) {
    now = t;
    frame();
  }
  std::vector<LyricsQuad> quadsAt(int t) {
    showAt(t);
    return window->compose(static_cast<uint32_t>(t));
  }
  float advance(const std::wstring& text, int chars) const {
    return CEGUI::lyricAdvance(*window->mainFont(), text, chars);
  }
  static int lines(const std::string& log, const std::string& needle) {
    int n = 0;
    for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }
  // The quads whose source lies in `strip`.
  static std::vector<LyricsQuad> from(const std::vector<LyricsQuad>& quads, const Rectf& strip) {
    std::vector<LyricsQuad> out;
    for (const LyricsQuad& q : quads)
      if (q.source.top() == strip.top() && q.source.bottom() == strip.bottom()) out.push_back(q);
    return out;
  }

  PartRecords p1, p2;
  CLyricsData lyrics;
  int now = 0;
  LyricsWnd* window = nullptr;
};

}  // namespace

// Catches a window that is not where the performance finds it, takes input, lacks a font or
// the picture, is not at the bottom of the sheet or draws outside its own texture.
TEST_F(LyricsWindow, CreationGivesTheDisabledBottomWindowWithItsFontsAndEffect) {
  EXPECT_EQ(sheet()->getChild("WndLyricsPK"), window);
  EXPECT_EQ(window->getType(), "TaharezLook/LyricsWnd");
  EXPECT_TRUE(window->isDisabled());
  EXPECT_EQ(window->mainFont()->getName(), "LyricsFont");
  EXPECT_EQ(window->borderFont()->getName(), "LyricsBorderFont");
  EXPECT_EQ(window->phoneticFont()->getName(), "LyricsPhFont");
  EXPECT_EQ(window->phoneticBorderFont()->getName(), "LyricsPhBorderFont");
  ASSERT_NE(window->countInImage(), nullptr);
  EXPECT_EQ(window->countInSize(), window->countInImage()->getRenderedSize());

  const float L = window->lineHeight();
  const float spacing = window->mainFont()->getLineSpacing() + window->phoneticFont()->getLineSpacing();
  EXPECT_FLOAT_EQ(L, std::ceil(spacing));
  frame();
  const Rectf outer = window->getUnclippedOuterRect().get();
  EXPECT_FLOAT_EQ(outer.getHeight(), 4 * L + window->countInSize().d_height);
  EXPECT_FLOAT_EQ(outer.bottom(), sheet()->getPixelSize().d_height);
  EXPECT_FLOAT_EQ(outer.getWidth(), sheet()->getPixelSize().d_width);
  // Texture strips from the top, screen areas at the bottom.
  EXPECT_FLOAT_EQ(window->toSingStrip(1).top(), window->countInSize().d_height + 2 * L);
  EXPECT_FLOAT_EQ(window->sungStrip(1).bottom(), outer.getHeight());
  EXPECT_FLOAT_EQ(window->rowArea(1).bottom(), outer.getHeight());
  EXPECT_FLOAT_EQ(window->countInArea().bottom(), window->rowArea(0).top());

  ASSERT_TRUE(window->getRenderingSurface() && window->getRenderingSurface()->isRenderingWindow());
  EXPECT_EQ(static_cast<CEGUI::RenderingWindow*>(window->getRenderingSurface())->getRenderEffect(),
            window->effect());
  destroyLyricsWindow(window);
  shell().runFrame();
  EXPECT_FALSE(sheet()->isChild("WndLyricsPK"));
}

// Catches a wipe measured from the wrong characters or fraction, a right-aligned row that does
// not end at the window's edge or wipes from its right end, and a sung strip drawn when
// nothing is sung.
TEST_F(LyricsWindow, RowsWipeFinishedWordsPlusTheSungShareOfTheCurrentWord) {
  const std::wstring row0 = L"一二三四";
  const float width = window->getPixelSize().d_width;
  const float m = window->margin();
  const struct {
    int t;
    float row0Wipe;
  } cases[] = {{1000, 0}, {2500, -1}, {4000, -2}, {5000, -3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    const std::vector<LyricsQuad> quads = quadsAt(c.t);
    const float expected = c.row0Wipe == 0    ? 0
                           : c.row0Wipe == -1 ? advance(row0, 1) + 0.5f * (advance(row0, 2) - advance(row0, 1))
                           : c.row0Wipe == -2 ? advance(row0, 2) + 0.5f * (advance(row0, 4) - advance(row0, 2))
                                              : advance(row0, 4);
    EXPECT_NEAR(window->row(0).wipeWidth, expected, 0.01f);

    // Row 0, left: the text starts at the margin; the sung strip covers the wipe from there.
    const auto toSing0 = from(quads, window->toSingStrip(0));
    const auto sung0 = from(quads, window->sungStrip(0));
    ASSERT_EQ(toSing0.size(), 1u);
    EXPECT_FLOAT_EQ(toSing0[0].dest.left() + window->row(0).geometry.textX, m);
    EXPECT_EQ(toSing0[0].dest.top(), window->rowArea(0).top());
    if (expected == 0) {
      EXPECT_TRUE(sung0.empty());
    } else {
      ASSERT_EQ(sung0.size(), 1u);
      EXPECT_NEAR(sung0[0].dest.right(), c.t == 5000 ? toSing0[0].dest.right() : m + expected, 0.01f);
    }

    // Row 1 shows part 1's line (part 0 has none then), right-aligned: its text ends at the
    // margin before the right edge, and the wipe runs from the text's left end.
    const CEGUI::LyricsRow& r1 = window->row(1);
    ASSERT_TRUE(r1.line.found);
    EXPECT_EQ(r1.line.text, L"七八");
    const auto toSing1 = from(quads, window->toSingStrip(1));
    ASSERT_EQ(toSing1.size(), 1u);
    const float textLeft = r1.geometry.textX + r1.geometry.shift;
    EXPECT_FLOAT_EQ(textLeft + r1.textWidth, width - m);
    EXPECT_FLOAT_EQ(toSing1[0].dest.right(), width);
    const auto sung1 = from(quads, window->sungStrip(1));
    if (c.t > 1000) {
      ASSERT_EQ(sung1.size(), 1u);
      EXPECT_EQ(sung1[0].dest.left(), toSing1[0].dest.left());
      if (c.t < 5000) {
        EXPECT_NEAR(sung1[0].dest.right(), textLeft + r1.wipeWidth, 0.01f);
      }
    }
  }
}

// Catches a row that keeps its old line when it has none now, and a row that disturbs the other.
TEST_F(LyricsWindow, ARowWithoutALineShowsNothingAndLeavesTheOtherRow) {
  std::vector<LyricsQuad> quads = quadsAt(6500);
  EXPECT_FALSE(window->row(0).line.found);
  EXPECT_TRUE(from(quads, window->toSingStrip(0)).empty());
  EXPECT_TRUE(from(quads, window->sungStrip(0)).empty());
  EXPECT_EQ(window->row(1).line.text, L"五六");
  EXPECT_EQ(from(quads, window->toSingStrip(1)).size(), 1u);
  EXPECT_EQ(from(quads, window->sungStrip(1)).size(), 1u);

  quads = quadsAt(9000);
  EXPECT_TRUE(quads.empty());
}

struct CountInCase {
  const char* name;
  int t;
  int beats;  // 0: nothing shown
};
class CountIns : public LyricsWindow, public ::testing::WithParamInterface<CountInCase> {};

// Catches a count-in shown before it starts, after its line began, for the wrong beat, one
// that ignores part 1 when part 0 has none, and a strip not cut to the beats left.
TEST_P(CountIns, ShowTheBeatsStillToCome) {
  const CountInCase& c = GetParam();
  EXPECT_EQ(CEGUI::countInBeatsAt(lyrics, c.t), c.beats);
  const std::vector<LyricsQuad> quads = from(quadsAt(c.t), window->countInStrip());
  if (c.beats == 0) {
    EXPECT_TRUE(quads.empty());
    return;
  }
  ASSERT_EQ(quads.size(), 1u);
  const float share = c.beats / 4.0f;
  EXPECT_FLOAT_EQ(quads[0].source.getWidth(), window->countInSize().d_width * share);
  EXPECT_FLOAT_EQ(quads[0].dest.getWidth(), window->countInSize().d_width * share);
  EXPECT_FLOAT_EQ(quads[0].dest.left(), window->countInArea().left());
  EXPECT_FLOAT_EQ(quads[0].dest.bottom(), window->rowArea(0).top());
}

INSTANTIATE_TEST_SUITE_P(Lyrics, CountIns,
                         ::testing::Values(CountInCase{"BeforeTheCountIn", 100, 0}, CountInCase{"FirstBeat", 200, 4},
                                           CountInCase{"SecondBeat", 500, 3}, CountInCase{"LastBeat", 999, 1},
                                           CountInCase{"LineBegun", 1000, 0}, CountInCase{"PartTwo", 5300, 2},
                                           CountInCase{"AfterTheLast", 7000, 0}),
                         caseName<CountInCase>);

// Catches a count-in record longer than the picture drawn past its width.
TEST(CountInLookup, ACountLongerThanFourBeatsShowsOnlyItsLastFour) {
  PartRecords p1, p2;
  p1.countIns = {{0, 6, 0}, {100, 5, 0}, {200, 4, 0}, {300, 0, 0}};
  CLyricsData lyrics;
  lyrics.load(lyrictest::records(p1, p2), SongRecord{});
  EXPECT_EQ(CEGUI::countInBeatsAt(lyrics, 50), 0);
  EXPECT_EQ(CEGUI::countInBeatsAt(lyrics, 150), 0);
  EXPECT_EQ(CEGUI::countInBeatsAt(lyrics, 250), 4);
}

// Catches a window redrawn every frame while the engine stands still (paused), a texture drawn
// again for every step of the wipe, or one not drawn again when a row shows another line.
TEST_F(LyricsWindow, RedrawsOnlyWhenTheEngineTimeMovesAndTheTextureOnlyForOtherText) {
  showAt(2000);
  const int drawn = window->renderCount();
  EXPECT_GE(drawn, 1);
  for (int i = 0; i < 5; ++i) frame();
  EXPECT_EQ(window->renderCount(), drawn);
  const float wipe = window->row(0).wipeWidth;
  showAt(2500);  // the wipe moves on within the line: new quads, the same texture
  EXPECT_EQ(window->effect()->lastTime(), 2500);
  EXPECT_GT(window->row(0).wipeWidth, wipe);
  EXPECT_EQ(window->renderCount(), drawn);
  showAt(6500);  // row 0's line is over, row 1 shows another line
  EXPECT_EQ(window->renderCount(), drawn + 1);
}

struct GeometryCase {
  const char* name;
  float text, wipe;
  int alignment;
  float textX, shift, wipeRight;
};
class RowGeometry : public ::testing::TestWithParam<GeometryCase> {};

// Window 1000 wide, margin 50. Catches a misplaced alignment, a long line cut off instead of
// scrolling with its wipe, and a wipe that leaves the end of a sung line unsung.
TEST_P(RowGeometry, PlacesTheTextAndItsWipe) {
  const GeometryCase& c = GetParam();
  const CEGUI::LyricsRowGeometry g = CEGUI::lyricsRowGeometry(1000, 50, c.text, c.wipe, c.alignment);
  EXPECT_FLOAT_EQ(g.textX, c.textX);
  EXPECT_FLOAT_EQ(g.shift, c.shift);
  EXPECT_FLOAT_EQ(g.wipeRight, c.wipeRight);
  EXPECT_LE(g.visibleRight + g.shift, 1000);
  EXPECT_GE(g.visibleLeft + g.shift, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lyrics, RowGeometry,
    ::testing::Values(GeometryCase{"Left", 400, 100, 0, 50, 0, 150}, GeometryCase{"Centre", 400, 0, 1, 50, 250, 0},
                      GeometryCase{"Right", 400, 100, 2, 50, 500, 150},
                      GeometryCase{"AllSungIncludesTheRightMargin", 400, 400, 2, 50, 500, 500},
                      GeometryCase{"WideAtItsStart", 1500, 100, 2, 50, 0, 150},
                      GeometryCase{"WideWipeKeptInTheMiddle", 1500, 800, 2, -300, 0, 500},
                      GeometryCase{"WideShowsItsEnd", 1500, 1450, 0, -550, 0, 900}),
    caseName<GeometryCase>);

// Phonetics stay centred over their characters where they fit; a long syllable pushes the ones
// after it right, never into each other, and a narrow one after it finds its place again.
TEST(PhoneticPlacement, CentredWhereTheyFitPushedRightWhereTheyWouldTouch) {
  using S = CEGUI::PhoneticSpan;
  EXPECT_TRUE(CEGUI::phoneticLefts({}, 8).empty());
  // Characters 60 wide: "yi" (20) fits, "shan" (48) and "liang" (56) would touch.
  const std::vector<float> lefts =
      CEGUI::phoneticLefts({S{20, 20}, S{66, 48}, S{122, 56}, S{200, 20}, S{256, 28}}, 8);
  ASSERT_EQ(lefts.size(), 5u);
  EXPECT_FLOAT_EQ(lefts[0], 20);
  EXPECT_FLOAT_EQ(lefts[1], 66);
  EXPECT_FLOAT_EQ(lefts[2], 122);   // 66 + 48 + 8 = 122: just fits
  EXPECT_FLOAT_EQ(lefts[3], 200);   // 122 + 56 + 8 = 186 < 200
  EXPECT_FLOAT_EQ(lefts[4], 256);
  const std::vector<float> pushed = CEGUI::phoneticLefts({S{0, 70}, S{60, 70}, S{120, 10}, S{200, 10}}, 8);
  EXPECT_FLOAT_EQ(pushed[1], 78);
  EXPECT_FLOAT_EQ(pushed[2], 156);
  EXPECT_FLOAT_EQ(pushed[3], 200);
}

// Catches a font or picture missing from the data files that crashes, logs every frame, or
// leaves a strip drawn from nothing.
TEST_F(LyricsWindow, MissingFontsAndPicturesFallBackWithOneLogLine) {
  const std::size_t before = install_.log().size();
  EXPECT_FALSE(window->setPhoneticFont("NoSuchFont"));
  EXPECT_FALSE(window->setBorderFont("NoSuchBorder"));
  EXPECT_FALSE(window->setCountInImage("NoSuchSet", "CountIn"));
  const std::string log = install_.log().substr(before);
  EXPECT_EQ(lines(log, "LyricsWnd 'WndLyricsPK'"), 3);
  EXPECT_EQ(lines(log, "NoSuchFont"), 1);
  EXPECT_EQ(lines(log, "NoSuchSet/CountIn"), 1);
  // The earlier choices stay; the picture is gone and the count-in strip with it.
  EXPECT_EQ(window->phoneticFont()->getName(), "LyricsPhFont");
  EXPECT_EQ(window->countInImage(), nullptr);
  window->layoutLyrics();
  EXPECT_FLOAT_EQ(window->countInSize().d_height, LyricsWnd::kCountInHeight);
  EXPECT_TRUE(from(quadsAt(300), window->countInStrip()).empty());

  // A window whose fonts never existed: no phonetics, borders in the main font.
  LyricsWnd* bare = create<LyricsWnd>("TaharezLook/LyricsWnd", "Bare", 0, 0, 800, 300);
  ASSERT_NE(bare, nullptr);
  bare->setLyricsData(&lyrics);
  bare->setTimeSource([] { return 2500; });
  EXPECT_FALSE(bare->setPhoneticFont("LyricsPhMissing"));
  EXPECT_EQ(bare->phoneticFont(), nullptr);
  EXPECT_EQ(bare->borderFont(), bare->mainFont());
  bare->layoutLyrics();
  bare->attachEffect();
  const std::size_t drawnLog = install_.log().size();
  for (int i = 0; i < 3; ++i) showAt(2500 + i);
  const std::string drawing = install_.log().substr(drawnLog);
  EXPECT_EQ(lines(drawing, "LyricsWnd"), 0);
  EXPECT_EQ(lines(drawing, "(Error)"), 0);
  EXPECT_TRUE(bare->row(0).line.found);
  EXPECT_FLOAT_EQ(bare->lineHeight(), std::ceil(bare->mainFont()->getLineSpacing()));
}

// Catches a window without a model, or with an empty one, that crashes or shows a stale row.
TEST_F(LyricsWindow, NoLyricsShowNothing) {
  CLyricsData empty;
  window->setLyricsData(&empty);
  EXPECT_TRUE(quadsAt(2500).empty());
  window->setLyricsData(nullptr);
  EXPECT_TRUE(quadsAt(2600).empty());
}

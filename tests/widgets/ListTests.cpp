// The song grid: keyboard movement inside the live page and the page events at its edges,
// hover selection and tooltips, clicks and OK, and the page flip.
#include <cmath>

#include "WidgetTest.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

using CEGUI::Key;
using CEGUI::MCLGridRef;
using CEGUI::MultiColumnListEx;

namespace {

// A 2-column grid of 3 rows per page (6 rows). Cells hold real items except where the test
// puts placeholders.
class Grid : public vktest::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    list_ = create<MultiColumnListEx>("Vokaran/MultiColumnListEx", "Grid", 100, 100, 800, 300);
    list_->setSelectionMode(CEGUI::MultiColumnList::CellSingle);
    list_->addColumn("", 0, CEGUI::UDim(0.5f, 0));
    list_->addColumn("", 1, CEGUI::UDim(0.5f, 0));
    list_->fillPages(3);
    for (unsigned r = 0; r < list_->getRowCount(); ++r)
      for (unsigned c = 0; c < 2; ++c) put(c, r);
    list_->subscribeEvent(MultiColumnListEx::EventPrePage, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++pre_;
                            return true;
                          }));
    list_->subscribeEvent(MultiColumnListEx::EventNextPage, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++next_;
                            return true;
                          }));
    list_->subscribeEvent(CEGUI::MultiColumnList::EventSelectionChanged,
                          CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++changed_;
                            return true;
                          }));
    list_->activate();
  }
  CEGUI::CListItemEx* put(unsigned column, unsigned row) {
    auto* item = new CEGUI::CListItemEx({CEGUI::ListColumnText{"song " + std::to_string(row * 2 + column)}});
    item->setHeight(100.0f);
    item->setTooltipText("tip " + std::to_string(row * 2 + column));
    list_->setItem(item, MCLGridRef(row, column));
    return item;
  }
  void empty(unsigned column, unsigned row) { list_->setEmptyItem(column, row); }
  CEGUI::ListboxItem* at(unsigned column, unsigned row) {
    return list_->getItemAtGridReference(MCLGridRef(row, column));
  }
  // The selected cell as (column, row), or (-1, -1).
  std::pair<int, int> selected() {
    CEGUI::ListboxItem* item = list_->getFirstSelectedItem();
    if (!item) return {-1, -1};
    const MCLGridRef ref = list_->getItemGridReference(item);
    return {static_cast<int>(ref.column), static_cast<int>(ref.row)};
  }
  float scroll() { return list_->getVertScrollbar()->getScrollPosition(); }
  float pageHeight() { return list_->getListRenderArea().getHeight(); }
  // Shows the bottom page as the live page without sliding.
  void liveBottomPage() {
    list_->startFlip(1);
    advance(1000);
  }

  MultiColumnListEx* list_ = nullptr;
  int pre_ = 0, next_ = 0, changed_ = 0;
};

}  // namespace

TEST_F(Grid, FillPagesMakesTwoPagesOfPlaceholdersAsTallAsAPageRow) {
  list_->fillPages(4);  // replaces the rows
  ASSERT_EQ(list_->getRowCount(), 8u);
  auto* cell = dynamic_cast<CEGUI::ListItemNull*>(at(1, 7));
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(CEGUI::isPlaceholderItem(cell));
  EXPECT_FLOAT_EQ(cell->getPixelSize().d_height, pageHeight() / 4);
  EXPECT_FLOAT_EQ(list_->getTotalRowsHeight(), 2 * pageHeight());
}

// Catches: page events fired inside the page, missed at its edges, or the selection lost.
TEST_F(Grid, UpAndDownStayInTheLivePageAndTurnIntoPageEventsAtItsEdges) {
  const struct {
    int direction;  // the live page: 0 top, 1 bottom
    unsigned column, row;
    Key::Scan key;
    int pre, next;
    int toColumn, toRow;
  } cases[] = {{0, 1, 2, Key::ArrowDown, 0, 1, 1, 2}, {0, 0, 0, Key::ArrowUp, 1, 0, 0, 0},
               {0, 1, 1, Key::ArrowDown, 0, 0, 1, 2}, {0, 0, 1, Key::ArrowUp, 0, 0, 0, 0},
               {1, 0, 5, Key::ArrowDown, 0, 1, 0, 5}, {1, 1, 3, Key::ArrowUp, 1, 0, 1, 3},
               {1, 1, 4, Key::ArrowUp, 0, 0, 1, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE("page " + std::to_string(c.direction) + " from (" + std::to_string(c.column) + ", " +
                 std::to_string(c.row) + ")");
    if (c.direction != list_->flipDirection()) liveBottomPage();
    pre_ = next_ = 0;
    list_->selectCell(c.column, c.row);
    press(c.key);
    EXPECT_EQ(pre_, c.pre);
    EXPECT_EQ(next_, c.next);
    EXPECT_EQ(selected(), std::make_pair(c.toColumn, c.toRow));
  }
}

TEST_F(Grid, DownGoesLeftwardsPastAPlaceholderAndPagesWhenOnlyPlaceholdersFollow) {
  empty(1, 2);
  list_->selectCell(1, 1);
  press(Key::ArrowDown);
  EXPECT_EQ(selected(), std::make_pair(0, 2));  // the last real item of the page
  EXPECT_EQ(next_, 0);
  empty(0, 2);
  list_->selectCell(1, 1);
  press(Key::ArrowDown);  // nothing real below: the next page
  EXPECT_EQ(next_, 1);
  EXPECT_EQ(selected(), std::make_pair(1, 1));
}

TEST_F(Grid, DisabledItemsAreSkippedLikePlaceholders) {
  at(0, 1)->setDisabled(true);
  list_->selectCell(0, 0);
  press(Key::ArrowDown);
  EXPECT_EQ(next_, 1);
  list_->selectCell(1, 1);
  press(Key::ArrowLeft);  // the only other cell of the row is disabled: it stays
  EXPECT_EQ(selected(), std::make_pair(1, 1));
}

// Catches: no wrap-around, or a placeholder taking the selection.
TEST_F(Grid, LeftAndRightWrapWithinTheRowSkippingPlaceholders) {
  list_->addColumn("", 2, CEGUI::UDim(0.0f, 10));
  for (unsigned r = 0; r < list_->getRowCount(); ++r) put(2, r);
  list_->selectCell(2, 1);
  press(Key::ArrowRight);
  EXPECT_EQ(selected(), std::make_pair(0, 1));
  press(Key::ArrowLeft);
  EXPECT_EQ(selected(), std::make_pair(2, 1));
  empty(0, 1);
  press(Key::ArrowRight);
  EXPECT_EQ(selected(), std::make_pair(1, 1));
  press(Key::ArrowLeft);
  EXPECT_EQ(selected(), std::make_pair(2, 1));
}

TEST_F(Grid, WithNothingSelectedAnArrowSelectsTheHomeCellWhenItIsReal) {
  list_->setHomeCell(1, 1);
  press(Key::ArrowUp);
  EXPECT_EQ(selected(), std::make_pair(1, 1));
  list_->clearAllSelections();
  empty(0, 2);
  list_->setHomeCell(2, 0);
  press(Key::ArrowDown);
  EXPECT_EQ(selected(), std::make_pair(-1, -1));
  EXPECT_EQ(pre_ + next_, 0);
}

// Catches: a pick on every move (movement must not announce a selection) or OK deselecting.
TEST_F(Grid, MovementSelectsSilentlyAndOkAnnouncesTheSelection) {
  list_->selectCell(0, 0);
  press(Key::ArrowRight);
  press(Key::ArrowDown);
  EXPECT_EQ(changed_, 0);
  press(Key::Return);
  EXPECT_EQ(changed_, 1);
  EXPECT_EQ(selected(), std::make_pair(1, 1));
  EXPECT_TRUE(at(1, 1)->isSelected());
}

TEST_F(Grid, SelectCellIgnoresPlaceholdersAndCellsOutsideTheGrid) {
  list_->selectCell(1, 2);
  empty(0, 0);
  list_->selectCell(0, 0);
  list_->selectCell(5, 0);
  list_->selectCell(0, 99);
  EXPECT_EQ(selected(), std::make_pair(1, 2));
}

// ---------------------------------------------------------------------------------------------
// Mouse

TEST_F(Grid, HoverSelectsTheItemMarksItActiveAndShowsItsTooltipWhenAsked) {
  auto* item = static_cast<CEGUI::CListItemEx*>(at(1, 0));
  item->setShowTip(true);
  hover(list_, 0.75f, 1.0f / 6);
  EXPECT_EQ(selected(), std::make_pair(1, 0));
  EXPECT_TRUE(item->isActived());
  EXPECT_EQ(list_->getTooltipText(), "tip 1");
  hover(list_, 0.25f, 1.0f / 6);  // an item without the show-tooltip flag
  EXPECT_EQ(selected(), std::make_pair(0, 0));
  EXPECT_FALSE(item->isActived());
  EXPECT_EQ(list_->getTooltipText(), "");
  EXPECT_EQ(changed_, 0);
}

TEST_F(Grid, HoveringADisabledItemOrAPlaceholderKeepsTheSelection) {
  auto* item = static_cast<CEGUI::CListItemEx*>(at(1, 1));
  hover(list_, 0.75f, 0.5f);
  ASSERT_TRUE(item->isActived());
  item->setDisabled(true);
  list_->selectCell(0, 0);
  hover(list_, 0.74f, 0.5f);
  EXPECT_FALSE(item->isActived());  // a disabled item loses its active mark
  EXPECT_EQ(selected(), std::make_pair(0, 0));
  empty(1, 2);
  hover(list_, 0.75f, 5.0f / 6);
  EXPECT_EQ(selected(), std::make_pair(0, 0));
}

TEST_F(Grid, LeavingTheListClearsEveryActiveMark) {
  hover(list_, 0.25f, 0.5f);
  shell().injectMouseMove(5, 5);
  for (unsigned r = 0; r < 6; ++r)
    for (unsigned c = 0; c < 2; ++c) EXPECT_FALSE(static_cast<CEGUI::ListboxItemEx*>(at(c, r))->isActived());
}

// Catches: the wheel leaving a paged list between its two pages.
TEST_F(Grid, TheWheelLeavesAPagedListOnItsPage) {
  hover(list_, 0.5f, 0.5f);
  shell().injectMouseWheel(-1.0f);
  EXPECT_FLOAT_EQ(scroll(), 0.0f);
  liveBottomPage();
  shell().injectMouseWheel(2.0f);
  EXPECT_FLOAT_EQ(scroll(), pageHeight());
}

TEST_F(Grid, AClickSelectsTheItemAndAnnouncesIt) {
  hover(list_, 0.75f, 0.5f);
  mouseDown();
  mouseUp();
  EXPECT_EQ(selected(), std::make_pair(1, 1));
  EXPECT_EQ(changed_, 1);
}

// ---------------------------------------------------------------------------------------------
// The page flip

// Catches: a slide that ends off the page, runs the wrong way, never stops, or leaves the
// wrong row selectable.
class GridFlip : public Grid, public ::testing::WithParamInterface<int> {};

TEST_P(GridFlip, SlidesFromTheOtherPageToTheLivePageAndDisablesTheRowPeekingIn) {
  const int direction = GetParam();
  const float height = pageHeight();
  list_->startFlip(direction);
  EXPECT_FLOAT_EQ(scroll(), direction == 0 ? height : 0.0f);
  std::vector<float> positions;
  for (int tick = 0; tick < 30 && list_->isFlipping(); ++tick) {
    advance(MultiColumnListEx::FlipPeriodMs);
    positions.push_back(scroll());
  }
  EXPECT_FALSE(list_->isFlipping());
  EXPECT_EQ(positions.size(), 20u);
  EXPECT_FLOAT_EQ(positions.back(), direction == 0 ? 0.0f : height);
  for (size_t i = 1; i < positions.size(); ++i) {
    if (direction == 0)
      EXPECT_LE(positions[i], positions[i - 1]);
    else
      EXPECT_GE(positions[i], positions[i - 1]);
  }
  // Eased out: it slows down towards the end.
  EXPECT_GT(std::fabs(positions[1] - positions[0]), std::fabs(positions[19] - positions[18]));
  const unsigned peeking = direction == 0 ? 3 : 2;
  EXPECT_TRUE(at(0, peeking)->isDisabled());
  EXPECT_TRUE(at(1, peeking)->isDisabled());
  for (unsigned r = 0; r < 6; ++r)
    if (r != peeking) {
      EXPECT_FALSE(at(0, r)->isDisabled()) << r;
    }
  EXPECT_EQ(list_->flipDirection(), direction);
}

INSTANTIATE_TEST_SUITE_P(Directions, GridFlip, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param ? "Backward" : "Forward"; });

TEST_F(Grid, DestroyingTheListStopsAFlip) {
  list_->startFlip(1);
  advance(40);
  ASSERT_EQ(guishell::TimerScheduler::instance().runningCount(), 1u);
  CEGUI::WindowManager::getSingleton().destroyWindow(list_);
  EXPECT_EQ(guishell::TimerScheduler::instance().runningCount(), 0u);
  advance(1000);
}

// The catalogue's list window, headless: the cells a page fills and where the selection goes
// after a page change, and a song list against a real service driven by the remote's keys:
// paging, a song picked and ordered (the list closes), added to the song book (the list comes
// back), a single page that is never refilled, an empty result.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>

#include "AppSet/KeyMap.h"
#include "MissonTestSupport.h"
#include "NetTestSupport.h"
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetworkInterface.h"
#include "app/AppEventArgs.h"
#include "PK/CMissonManager.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "catalog/CSongBook.h"
#include "catalog/CSongList.h"
#include "catalog/CSongOperationWnd.h"
#include "catalog/CatalogueLists.h"
#include "catalog/FillLists.h"
#include "catalog/IDataSource.h"
#include "catalog/ListOperations.h"
#include "catalog/NetDataSources.h"
#include "catalog/QueueLists.h"
#include "NetWork/NetRecords.h"
#include "app/TextConvert.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kUp = 200, kRight = 205, kDown = 208;

TEST(SelectionAfterFill, FollowsTheColumnAcrossPagesAndFallsBackToTheFirstCell) {
  // Nothing selected: the first cell of the half the page went to.
  EXPECT_EQ(selectionAfterFill(-1, 12, 1), (GridCell{0, 6}));
  EXPECT_EQ(selectionAfterFill(-1, 12, 0), (GridCell{0, 0}));
  // Forwards: the same column at the top of the new page, when it holds a record.
  EXPECT_EQ(selectionAfterFill(1, 12, 1), (GridCell{1, 6}));
  EXPECT_EQ(selectionAfterFill(1, 1, 1), (GridCell{0, 6}));
  // Backwards: the lowest row of the column that holds a record.
  EXPECT_EQ(selectionAfterFill(1, 12, 0), (GridCell{1, 5}));
  EXPECT_EQ(selectionAfterFill(1, 7, 0), (GridCell{1, 2}));
  EXPECT_EQ(selectionAfterFill(0, 7, 0), (GridCell{0, 3}));
  EXPECT_EQ(selectionAfterFill(1, 1, 0), (GridCell{0, 0}));
  EXPECT_EQ(selectionAfterFill(0, 0, 0), (GridCell{0, 0}));
}

class FillOnGrid : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    list_ = static_cast<CEGUI::MultiColumnListEx*>(
        CEGUI::WindowManager::getSingleton().createWindow("Vokaran/MultiColumnListEx", "Grid"));
    list_->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0, 0), CEGUI::UDim(0, 1200), CEGUI::UDim(0, 540)));
    sheet()->addChild(list_);
    list_->setSelectionMode(CEGUI::MultiColumnList::CellSingle);
    fill_.setList(list_);
  }
  static DataListEventArgs page(int count, int first = 0) {
    DataListEventArgs args;
    for (int i = 0; i < count; ++i) {
      SongRecord song;
      song.SongID = std::to_wstring(100000 + first + i);
      song.SongName = L"歌" + std::to_wstring(first + i);
      song.SingerName = L"歌手";
      args.songs.records.push_back(song);
    }
    return args;
  }
  CEGUI::ListboxItem* cell(unsigned column, unsigned row) const {
    return list_->getItemAtGridReference(CEGUI::MCLGridRef(row, column));
  }
  GridCell selected() const {
    CEGUI::ListboxItem* item = list_->getFirstSelectedItem();
    if (!item) return {};
    const CEGUI::MCLGridRef at = list_->getItemGridReference(item);
    return {static_cast<int>(at.column), static_cast<int>(at.row)};
  }

  CEGUI::MultiColumnListEx* list_ = nullptr;
  SongInfoFillList fill_;
};

TEST_F(FillOnGrid, APageFillsItsHalfLeftToRightAndKeepsTheOldPageInTheOther) {
  ASSERT_EQ(list_->getColumnCount(), 2u);
  ASSERT_EQ(list_->getRowCount(), 12u);
  fill_.fillPage(page(12), 1);
  fill_.fillPage(page(11, 12), 1);  // forwards: the new page below, the old one above
  auto* first = static_cast<const SongRecord*>(cell(1, 6)->getUserData());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->SongName, L"歌13");  // record 1 is the right cell of the first row
  EXPECT_EQ(cell(1, 6)->getTooltipText(), CEGUI::String((const CEGUI::utf8*)"歌13  歌手"));
  EXPECT_TRUE(CEGUI::isPlaceholderItem(cell(1, 11)));  // 11 records: the last right cell is empty
  EXPECT_FALSE(CEGUI::isPlaceholderItem(cell(0, 11)));
  EXPECT_EQ(static_cast<const SongRecord*>(cell(0, 0)->getUserData())->SongName, L"歌0");
  EXPECT_EQ(selected(), (GridCell{0, 6}));

  // The right column selected, a page back to a shorter page: its lowest right cell.
  list_->selectCell(1, 7);
  fill_.fillPage(page(7, 40), 0);
  EXPECT_EQ(selected(), (GridCell{1, 2}));
  // Forwards again with the right column: the top right cell of the new half.
  fill_.fillPage(page(12, 60), 1);
  EXPECT_EQ(selected(), (GridCell{1, 6}));
  // An empty page: twelve empty cells, nothing selected.
  fill_.fillPage(page(0), 0);
  for (unsigned r = 0; r < 6; ++r)
    for (unsigned c = 0; c < 2; ++c) EXPECT_TRUE(CEGUI::isPlaceholderItem(cell(c, r)));
  EXPECT_EQ(list_->getFirstSelectedItem(), nullptr);
}

TEST_F(FillOnGrid, SingersFillOneTextACellAndStartFromAnEmptyGrid) {
  SingerInfoFillList singers;
  singers.setList(list_);
  EXPECT_TRUE(singers.createEmptyRows());
  EXPECT_TRUE(CEGUI::isPlaceholderItem(cell(1, 11)));
  DataListEventArgs args;
  args.singers.records = {{L"林怡", L"s1"}, {L"蓝调兄弟", L"s2"}, {L"<b>[x]</b>", L"s3"}};
  singers.fillPage(args, 0);
  auto* item = dynamic_cast<CEGUI::CListItemEx*>(cell(0, 1));
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->columns().size(), 1u);
  EXPECT_EQ(item->columns()[0].text, CEGUI::String("<b>[x]</b>"));  // shown as it is
  EXPECT_EQ(static_cast<const SingerRecord*>(item->getUserData())->SingerKey, L"s3");
}

class SongListWindow : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
    manager_ = std::make_unique<CMissonManager>();
  }
  void TearDown() override {
    manager_.reset();
    net_.reset();
    tips_.reset();
    hub_.reset();
    GuiTest::TearDown();
  }
  bool waitFor(const std::function<bool()>& done) { return shell().pumpUntil(done, 30000); }
  CEGUI::String text(const char* path) const {
    CEGUI::Window* w = list_ ? list_->child(path) : nullptr;
    return w ? w->getText() : CEGUI::String("<none>");
  }
  bool shown() const { return list_ && list_->pageWindow() && list_->pageWindow()->isVisible(); }
  const SongRecord* selectedSong() const {
    CEGUI::ListboxItem* item = list_->list()->getFirstSelectedItem();
    return item ? static_cast<const SongRecord*>(item->getUserData()) : nullptr;
  }
  // The list has shown page `n` (from 1) of its query.
  bool onPage(int n) const {
    return text("PageNum").find(CEGUI::PropertyHelper<int>::toString(n) + "/") != CEGUI::String::npos &&
           text("SearchTip").empty();
  }
  CSongOperationWnd* operationWindow() const {
    auto& pages = list_->operation()->pages();
    auto it = pages.find(IListOperation::kSongOperationPage);
    return it == pages.end() ? nullptr : static_cast<CSongOperationWnd*>(it->second);
  }

  vktest::TestService service_{false, true};  // through a proxy that can lose a reply
  CKeyMap keyMap_;
  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<NetworkInterface> net_;
  std::unique_ptr<CMissonManager> manager_;
  CSongList* list_ = nullptr;
};

TEST_F(SongListWindow, PagesWithTheRemoteAndOrdersTheSongPickedThereClosingTheList) {
  vktest::Caught<CEGUI::EventArgs> ended(*(list_ = openSongList(CSearchInfo(L"1", L"", L"1-100"))), "EndModal");
  EXPECT_EQ(text("SearchTip"), CSongList::kFetching);
  ASSERT_TRUE(waitFor([&] { return onPage(1); }));
  const int pages = list_->dataSource()->getPageCount();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(text("PageNum"), CEGUI::String((const CEGUI::utf8*)"页数：1/") + CEGUI::PropertyHelper<int>::toString(pages));
  EXPECT_FALSE(list_->child("NextPageBtn")->isEffectiveDisabled());
  ASSERT_NE(selectedSong(), nullptr);

  // Down past the last row turns the page; the right column stays the right column.
  pressKey(kRight);
  for (int i = 0; i < 6; ++i) pressKey(kDown);
  ASSERT_TRUE(waitFor([&] { return onPage(2); }));
  EXPECT_EQ(list_->direction(), 1);
  const SongRecord picked = *selectedSong();
  EXPECT_EQ(list_->list()->getItemColumnIndex(list_->list()->getFirstSelectedItem()), 1u);
  // Up from the top row goes back a page, from memory.
  for (int i = 0; i < 1; ++i) pressKey(kUp);
  EXPECT_TRUE(onPage(1));
  pressKey(kDown);
  ASSERT_TRUE(waitFor([&] { return onPage(2); }));

  // OK picks the song: its button window stands in front of the hidden list.
  pressKey(kReturn);
  ASSERT_NE(operationWindow(), nullptr);
  EXPECT_FALSE(shown());
  EXPECT_EQ(operationWindow()->layout(), CSongListOperation::kLayout);
  EXPECT_EQ(operationWindow()->buttons().size(), 5u);
  pressKey(kReturn);  // the first button orders it
  ASSERT_EQ(ended.got.size(), 1u);
  ASSERT_NE(manager_->current(), nullptr) << install_.log();
  EXPECT_EQ(manager_->current()->songId(), picked.SongID);
}

TEST_F(SongListWindow, AddingToTheSongBookBringsTheListBackAndBackCancels) {
  vktest::CaughtGlobal<ErrorEventArgs> added(EventNames::EventSongBookAddNotify);
  list_ = openSongList(CSearchInfo(L"5", L"101", L""));
  ASSERT_TRUE(waitFor([&] { return onPage(1); }));
  pressKey(kReturn);
  ASSERT_NE(operationWindow(), nullptr);
  pressKey(kRight);
  pressKey(kRight);
  pressKey(kReturn);  // 收藏
  ASSERT_TRUE(waitFor([&] { return added.got.size() == 1; }));
  EXPECT_EQ(added.got[0].errorCode, 0);
  EXPECT_TRUE(shown());
  EXPECT_EQ(operationWindow(), nullptr);
  EXPECT_EQ(manager_->current(), nullptr);
  // Back on the button window: the list again, nothing done.
  pressKey(kReturn);
  ASSERT_NE(operationWindow(), nullptr);
  pressKey(kEscape);
  EXPECT_EQ(operationWindow(), nullptr);
  EXPECT_TRUE(shown());
  // Back on the list ends it.
  vktest::Caught<CEGUI::EventArgs> ended(*list_, "EndModal");
  pressKey(kEscape);
  EXPECT_EQ(ended.got.size(), 1u);
}

TEST_F(SongListWindow, TheContestSongsComeAsOnePageAndArePickedLikeAnyOther) {
  std::vector<SongRecord> songs(3);
  for (int i = 0; i < 3; ++i) {
    songs[static_cast<std::size_t>(i)].SongID = L"10000" + std::to_wstring(i + 2);
    songs[static_cast<std::size_t>(i)].SongName = L"参赛 " + std::to_wstring(i);
  }
  list_ = openContestSongList(songs);
  ASSERT_TRUE(waitFor([&] { return selectedSong() != nullptr; }));
  EXPECT_EQ(text("PageNum"), guiStringUtf8("页数：1/1"));
  EXPECT_TRUE(list_->child("NextPageBtn")->isEffectiveDisabled());
  pressKey(kRight);
  EXPECT_EQ(selectedSong()->SongName, L"参赛 1");
  pressKey(kReturn);
  pressKey(kReturn);  // ordered
  ASSERT_NE(manager_->current(), nullptr) << install_.log();
  EXPECT_EQ(manager_->current()->songId(), L"100003");
}

TEST_F(SongListWindow, AnEmptyResultSaysSoAndHasNothingToPick) {
  list_ = openSongList(CSearchInfo(L"6", L"", L"QQQQQQ"));
  ASSERT_TRUE(waitFor([&] { return text("SearchTip") != CSongList::kFetching; }));
  EXPECT_EQ(text("SearchTip"), CEGUI::String((const CEGUI::utf8*)"没有找到符合条件的结果"));
  EXPECT_EQ(text("PageNum"), CEGUI::String((const CEGUI::utf8*)"页数：0/0"));
  EXPECT_TRUE(list_->child("NextPageBtn")->isEffectiveDisabled());
  EXPECT_EQ(list_->list()->getFirstSelectedItem(), nullptr);
  pressKey(kReturn);  // nothing to pick
  EXPECT_EQ(operationWindow(), nullptr);
  EXPECT_TRUE(shown());
}

// The service fails while the singer pages: the status line says so, the grid keeps its page,
// and the next press asks for the same page again and gets it.
TEST_F(SongListWindow, APageTheServiceFailsToSendIsSaidAndAskedForAgain) {
  list_ = openSongList(CSearchInfo(L"1", L"", L"1-100"));
  ASSERT_TRUE(waitFor([&] { return onPage(1); }));
  auto firstCell = [&] {
    return static_cast<const SongRecord*>(
               list_->list()->getItemAtGridReference(CEGUI::MCLGridRef(6, 0))->getUserData())->SongID;
  };
  const std::wstring shown = firstCell();
  // Twice: the HTTP client may try a request again on a new connection when its kept-alive one
  // was closed under it.
  service_.proxy()->dropResponseOnce("/v1/songs");
  service_.proxy()->dropResponseOnce("/v1/songs");
  CEGUI::WindowEventArgs click(list_->child("NextPageBtn"));
  list_->child("NextPageBtn")->fireEvent(CEGUI::PushButton::EventClicked, click, "");
  ASSERT_TRUE(waitFor([&] { return text("SearchTip") == guiStringUtf8("网络连接失败，请稍后再试"); }));
  EXPECT_EQ(firstCell(), shown);
  EXPECT_NE(text("PageNum").find("1/"), CEGUI::String::npos);
  EXPECT_EQ(list_->dataSource()->getCurrentPage(), 0);
  service_.proxy()->clearRules();
  list_->child("NextPageBtn")->fireEvent(CEGUI::PushButton::EventClicked, click, "");
  ASSERT_TRUE(waitFor([&] { return onPage(2); }));
}

// The song book: empty, then a song in it picked and removed after the confirmation (the book
// reloads from its first page once the service has done it), and the 1 key that empties it
// only when the singer confirms.
TEST_F(SongListWindow, TheSongBookShowsItsSongsAndRemovesThemOnlyWhenConfirmed) {
  auto text = [](CSongBook* book, const char* path) { return book->child(path)->getText(); };
  auto* book = static_cast<CSongBook*>(openSongBook());
  ASSERT_NE(book, nullptr);
  ASSERT_TRUE(waitFor([&] { return text(book, "SearchTip") == guiStringUtf8("您的收藏夹为空！"); }));
  EXPECT_EQ(text(book, "PageNum"), guiStringUtf8("页数：0/0"));
  pressKey(kEscape);

  vktest::CaughtGlobal<ErrorEventArgs> added(EventNames::EventSongBookAddNotify);
  for (const wchar_t* id : {L"100003", L"100004"}) {
    SongRecord song;
    song.SongID = id;
    SongInfo entry(song);
    net_->AddToSongBook(&entry);
  }
  ASSERT_TRUE(waitFor([&] { return added.got.size() == 2; }));
  book = static_cast<CSongBook*>(openSongBook());
  ASSERT_TRUE(waitFor([&] { return text(book, "PageNum") == guiStringUtf8("页数：1/1"); }));
  ASSERT_NE(book->list()->getFirstSelectedItem(), nullptr);
  const auto* first = static_cast<const SongRecord*>(book->list()->getFirstSelectedItem()->getUserData());
  const std::wstring firstId = first->SongID;

  pressKey(kReturn);  // its buttons: order, remove, cancel
  EXPECT_FALSE(book->pageWindow()->isVisible());
  pressKey(kRight);
  pressKey(kReturn);  // remove: first the confirmation
  ASSERT_NE(book->operation()->pages().count(CSongBookOperation::kConfirmPage), 0u);
  pressKey(kEscape);  // Back answers no: nothing goes, the book comes back
  EXPECT_TRUE(book->pageWindow()->isVisible());
  EXPECT_TRUE(book->dataSource()->getPageCount() == 1);
  pressKey(kReturn);
  pressKey(kRight);
  pressKey(kReturn);
  pressKey(kReturn);  // yes
  ASSERT_TRUE(waitFor([&] { return text(book, "SearchTip") == guiStringUtf8("数据更新中..."); }));
  ASSERT_TRUE(waitFor([&] { return text(book, "SearchTip").empty(); }));
  ASSERT_NE(book->list()->getFirstSelectedItem(), nullptr);
  EXPECT_NE(static_cast<const SongRecord*>(book->list()->getFirstSelectedItem()->getUserData())->SongID, firstId);

  // The 1 key empties the book once confirmed; the first page is asked for at once.
  pressKey(2);  // the main keyboard's 1
  CEGUI::Window* message = sheet()->getChildRecursive("RemoveTipWnd");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->getChild("Message")->getText(), guiStringUtf8("确定要清空收藏夹里的全部歌曲吗？"));
  pressKey(kReturn);
  EXPECT_EQ(text(book, "SearchTip"), CSongList::kFetching);
  ASSERT_TRUE(waitFor([&] { return text(book, "SearchTip") == guiStringUtf8("您的收藏夹为空！"); }));
  vktest::Caught<CEGUI::EventArgs> ended(*book, "EndModal");
  pressKey(kEscape);
  ASSERT_EQ(ended.got.size(), 1u);
  EXPECT_EQ(book->result(), 1);
}

// The queue's list: the songs waiting with their type's label; one removed brings the list
// back with what is left, one sung next closes it. The sang list: cleared from a pick.
TEST_F(SongListWindow, TheQueueAndTheSangListActOnTheManagersLists) {
  auto log = std::make_shared<std::vector<std::string>>();
  for (const wchar_t* id : {L"100001", L"100002", L"100003", L"100004"})
    manager_->Add(new vktest::RecordingMisson(id, log, 3));
  ASSERT_EQ(manager_->waitingCount(), 3u);
  list_ = openQueueList();
  ASSERT_NE(list_, nullptr);
  auto cellSong = [&](unsigned column, unsigned row) -> std::wstring {
    CEGUI::ListboxItem* item = list_->list()->getItemAtGridReference(CEGUI::MCLGridRef(row, column));
    return item && item->getUserData() ? static_cast<const SangRecord*>(item->getUserData())->song.SongID : L"";
  };
  EXPECT_EQ(cellSong(0, 6), L"100002");
  EXPECT_EQ(cellSong(0, 7), L"100004");
  auto* item = dynamic_cast<CEGUI::CListItemEx*>(list_->list()->getItemAtGridReference(CEGUI::MCLGridRef(6, 0)));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->columns()[1].text, CEGUI::String("PK"));

  pressKey(kRight);   // 100003
  pressKey(kReturn);  // its buttons: sing next, remove, clear, cancel
  ASSERT_NE(operationWindow(), nullptr);
  EXPECT_EQ(operationWindow()->layout(), CMissonListOperation::kLayout);
  pressKey(kRight);
  pressKey(kReturn);  // remove
  ASSERT_EQ(manager_->waitingCount(), 2u);
  EXPECT_EQ(manager_->waiting()[1]->songId(), L"100004");
  EXPECT_TRUE(shown());
  EXPECT_EQ(cellSong(1, 6), L"100004");  // the page follows the queue
  EXPECT_EQ(cellSong(0, 7), L"");

  vktest::Caught<CEGUI::EventArgs> ended(*list_, "EndModal");
  list_->list()->selectCell(1, 6);
  pressKey(kReturn);
  pressKey(kReturn);  // sing next: 100004 first, and the list closes
  EXPECT_EQ(ended.got.size(), 1u);
  EXPECT_EQ(manager_->waiting()[0]->songId(), L"100004");

  // The current song goes to the sang list; with nothing waiting no other song follows it
  // (the song files are stand-ins the queue gives up on, at once once they are cached).
  manager_->ClearWaiting();
  manager_->PlayNext();
  ASSERT_EQ(manager_->sang().size(), 1u);
  list_ = openSangList();
  EXPECT_EQ(cellSong(0, 6), L"100001");
  pressKey(kReturn);
  EXPECT_EQ(operationWindow()->layout(), CSangListOperation::kLayout);
  pressKey(kRight);
  pressKey(kRight);
  pressKey(kReturn);  // clear the list
  EXPECT_TRUE(manager_->sang().empty());
  EXPECT_TRUE(shown());
  EXPECT_EQ(cellSong(0, 6), L"");
  EXPECT_EQ(list_->list()->getFirstSelectedItem(), nullptr);
  EXPECT_EQ(text("SearchTip"), guiStringUtf8("列表中还没有歌曲"));
}

}  // namespace

// The catalogue's network sources against a real contest service with the demo catalogue:
// paging with wrap-around, pages shown again from memory, replies that are not the latest
// request's, other queries' and the contest list's pages kept apart, the song book.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>

#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkReplyDispatcher.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "catalog/DataSourceCompetitionSong.h"
#include "catalog/NetDataSources.h"

namespace {

using vktest::Caught;

class NetSources : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
  }
  void TearDown() override {
    net_.reset();
    tips_.reset();
    hub_.reset();
    GuiTest::TearDown();
  }
  bool waitFor(const std::function<bool()>& done) { return shell().pumpUntil(done, 30000); }
  // Lets posted replies still on their way arrive.
  void settle() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    shell().pumpUntil([&] { return std::chrono::steady_clock::now() >= until; }, 2000);
  }

  vktest::TestService service_;
  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<NetworkInterface> net_;
};

// Every song of the catalogue: names of 1 to 100 characters.
const CSearchInfo kAllSongs(L"1", L"", L"1-100");

TEST_F(NetSources, PagesWrapBothWaysAndAPageReceivedIsNeverFetchedAgain) {
  CDataSourceSong songs;
  Caught<DataListEventArgs> got(songs, IDataSource::EventGotData);
  Caught<CEGUI::EventArgs> asked(songs, IDataSource::EventGetNetDatas);
  songs.setQuery(kAllSongs);
  EXPECT_EQ(songs.query().GetPageSize(), 12);
  songs.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 1; }));
  const int pages = songs.getPageCount();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(got.got[0].songs.records.size(), 12u);
  EXPECT_EQ(got.got[0].songs.pageIndex, 0);

  songs.prevPage();  // from the first page round to the last
  EXPECT_EQ(songs.getCurrentPage(), pages - 1);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 2; }));
  EXPECT_EQ(got.got[1].songs.pageIndex, pages - 1);
  EXPECT_LE(got.got[1].songs.records.size(), 12u);
  songs.nextPage();  // and on round to the first, which is in memory
  EXPECT_EQ(songs.getCurrentPage(), 0);
  ASSERT_EQ(got.got.size(), 3u);  // at once
  EXPECT_EQ(asked.got.size(), 2u);
  EXPECT_EQ(got.got[2].songs.records[0].SongID, got.got[0].songs.records[0].SongID);

  // A new query forgets the old one's pages.
  songs.setQuery(CSearchInfo(L"6", L"", L"520"));
  EXPECT_EQ(songs.getPageCount(), 0);
  EXPECT_FALSE(songs.cached(0));
  songs.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 4; }));
  ASSERT_FALSE(got.got[3].songs.records.empty());
  for (const SongRecord& song : got.got[3].songs.records) EXPECT_EQ(song.SongName.rfind(L"520", 0), 0u);
}

TEST_F(NetSources, AReplyThatIsNotTheLatestRequestsIsKeptButNotShown) {
  CDataSourceSong songs;
  Caught<DataListEventArgs> got(songs, IDataSource::EventGotData);
  Caught<CEGUI::EventArgs> asked(songs, IDataSource::EventGetNetDatas);
  songs.setQuery(kAllSongs);
  songs.requestPage(0);
  songs.requestPage(1);  // the singer paged on before the first page came
  ASSERT_TRUE(waitFor([&] { return songs.cached(0) && songs.cached(1); }));
  settle();
  ASSERT_EQ(got.got.size(), 1u);
  EXPECT_EQ(got.got[0].songs.pageIndex, 1);
  songs.requestPage(0);
  ASSERT_EQ(got.got.size(), 2u);
  EXPECT_EQ(got.got[1].songs.pageIndex, 0);
  EXPECT_EQ(asked.got.size(), 2u);

  // Replies to the query before a new one are not the new query's pages.
  songs.requestPage(2);
  songs.setQuery(CSearchInfo(L"6", L"", L"520"));
  settle();
  EXPECT_FALSE(songs.cached(2));
  EXPECT_EQ(got.got.size(), 2u);
}

TEST_F(NetSources, EachSourceReadsOnlyItsOwnPagesAndNeverTheContestList) {
  CDataSourceSong all, digits;
  DataSourceCompetitionSong contest, otherContest;
  Caught<DataListEventArgs> gotAll(all, IDataSource::EventGotData), gotDigits(digits, IDataSource::EventGotData);
  Caught<CompetitionDataListEventArgs> gotContest(contest, IDataSource::EventGotData),
      gotOther(otherContest, IDataSource::EventGotData);
  all.setQuery(kAllSongs);
  digits.setQuery(CSearchInfo(L"6", L"", L"520"));
  SongRecord a, b;
  a.SongID = L"100011";
  a.SongName = L"小星星";
  b.SongID = L"100002";
  b.SongName = L"茉莉花";
  contest.postCompetitionSongs({a, b});
  all.requestPage(0);
  digits.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return gotAll.got.size() == 1 && gotDigits.got.size() == 1 && gotContest.got.size() == 1; }));
  settle();
  EXPECT_EQ(gotAll.got.size(), 1u);
  EXPECT_EQ(gotDigits.got.size(), 1u);
  for (const SongRecord& song : gotDigits.got[0].songs.records) EXPECT_EQ(song.SongName.rfind(L"520", 0), 0u);
  EXPECT_GT(gotAll.got[0].songs.total, gotDigits.got[0].songs.total);
  EXPECT_FALSE(all.cached(1));
  ASSERT_EQ(gotContest.got[0].songs.records.size(), 2u);
  EXPECT_EQ(gotContest.got[0].songs.records[1].SongName, L"茉莉花");
  EXPECT_TRUE(gotOther.got.empty());
  EXPECT_EQ(contest.getPageCount(), 1);
}

TEST_F(NetSources, APageThatMatchesNothingOrLiesPastTheEndShowsNoOtherPage) {
  CDataSourceSinger singers;
  Caught<DataListEventArgs> got(singers, IDataSource::EventGotData);
  singers.setQuery(CSearchInfo(L"4", L"", L"QQQQQQ"));
  singers.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 1; }));
  EXPECT_TRUE(got.got[0].singers.records.empty());
  EXPECT_EQ(singers.getPageCount(), 0);
  singers.nextPage();  // nothing to page to: the first page again, from memory
  EXPECT_EQ(singers.getCurrentPage(), 0);
  EXPECT_EQ(got.got.size(), 2u);

  // The service refuses a page past the end (a network error, no page): nothing is kept or
  // shown for it, and the pages that exist still come.
  singers.setQuery(CSearchInfo(L"2", L"", L"1-4"));  // surnames of 1 to 4 strokes
  singers.requestPage(500);
  settle();
  EXPECT_FALSE(singers.cached(500));
  EXPECT_FALSE(singers.cached(0));
  EXPECT_EQ(got.got.size(), 2u);
  singers.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 3; }));
  EXPECT_TRUE(singers.cached(0));
  ASSERT_FALSE(got.got.back().singers.records.empty());
  EXPECT_GE(singers.getPageCount(), 1);
}

TEST_F(NetSources, TheSongBookIsPagedFromMemoryUntilItChanges) {
  vktest::CaughtGlobal<ErrorEventArgs> added(EventNames::EventSongBookAddNotify);
  SongRecord song;
  song.SongID = L"100003";
  song.SongName = L"测试";
  song.SingerName = L"歌手";
  SongInfo entry(song);
  net_->AddToSongBook(&entry);
  ASSERT_TRUE(waitFor([&] { return added.got.size() == 1; }));

  CSongBookData book;
  Caught<EventArgsSongData> got(book, IDataSource::EventGotData);
  Caught<CEGUI::EventArgs> asked(book, IDataSource::EventGetNetDatas);
  book.requestPage(0);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 1; }));
  bool found = false;
  for (const SongRecord& r : got.got[0].songs.records) found = found || r.SongID == L"100003";
  EXPECT_TRUE(found);
  EXPECT_GE(book.getPageCount(), 1);
  book.requestPage(0);
  EXPECT_EQ(got.got.size(), 2u);
  EXPECT_EQ(asked.got.size(), 1u);
  book.clear();
  book.requestPage(0);
  EXPECT_EQ(asked.got.size(), 2u);
  ASSERT_TRUE(waitFor([&] { return got.got.size() == 3; }));
}

}  // namespace

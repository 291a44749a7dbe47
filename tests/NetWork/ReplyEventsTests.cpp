// The network facade against a real contest service: each request's reply reaches its event
// on the GUI thread, with the values the library delivered.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>

#include "NetTestSupport.h"
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkReplyDispatcher.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "oscompat/Utf.h"

namespace {

using vk::netlink::test::Query;
using vktest::Caught;
using vktest::CaughtGlobal;

class Facade : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    NetworkReplyDispatcher::instance().setWorksManager(&works_);
    net_ = std::make_unique<NetworkInterface>();
    net_->SetClientId("6");
    net_->SetUploadSession("vk-demo-session-10001");
    net_->SetSession("vk-demo-session-10001", L"10001");
    net_->SetUserMail(L"demo@vokaran.example");
    net_->SetUploadRecordPath(install_.path() + "/PKData/UploadRecord.xml");
  }
  void TearDown() override {
    net_.reset();  // answers what is still open before the targets go
    NetworkReplyDispatcher::instance().setWorksManager(nullptr);
    NetworkReplyDispatcher::instance().setToneListReceiver(nullptr);
    tips_.reset();
    hub_.reset();
    GuiTest::TearDown();
  }
  template <class C>
  bool waitFor(const C& caught, std::size_t count = 1) {
    return shell().pumpUntil([&] { return caught.got.size() >= count; }, 30000);
  }

  vktest::TestService service_;
  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  CEGUI::EventSet works_;
  std::unique_ptr<NetworkInterface> net_;
};

TEST_F(Facade, AccountRepliesBecomeTheApplicationsEvents) {
  CaughtGlobal<UserSpecailInfoEventArgs> user(EventNames::GetUserSpecialInfo);
  CaughtGlobal<UserRightsInfoEventArgs> rights(EventNames::GetUserPermit);
  CaughtGlobal<UserToneFunRecvEventArgs> tone(EventNames::RecBackUserTone);
  net_->RequestUserInfo();
  net_->RequestUserPermit(1, 0);
  net_->RequestUserTone(1);
  ASSERT_TRUE(waitFor(user) && waitFor(rights) && waitFor(tone));
  EXPECT_EQ(user.got[0].user.Mail, L"demo@vokaran.example");
  EXPECT_EQ(user.got[0].user.VokaCoin, L"100.00");
  EXPECT_EQ(user.got[0].user.leaveCanSingRecNum, 30);
  EXPECT_EQ(user.got[0].user.UserID, L"10001");  // the session's user
  EXPECT_EQ(rights.got[0].rights.IsUploadCoins, 1);
  EXPECT_EQ(tone.got[0].firstToneValue, 62);
  EXPECT_EQ(tone.got[0].toneLevel, 3);  // |6 - 3| mod 6
  for (bool gui : user.onGuiThread) EXPECT_TRUE(gui);
}

TEST_F(Facade, CataloguePagesReachTheHubWithTagAndPage) {
  Caught<DataListEventArgs> songs(*hub_, EventNames::EventSongDataBack);
  Caught<DataListEventArgs> singers(*hub_, EventNames::EventSingerDataBack);
  Query byLength(L"1", L"", L"1-100", 2), nothing(L"6", L"", L"QQQQQQ"), singersOf(L"5", L"201", L"");
  const int tag = net_->RequestSongPage(&byLength);
  ASSERT_TRUE(waitFor(songs));
  const int emptyTag = net_->RequestSongPage(&nothing);
  net_->RequestSingerPage(&singersOf);
  ASSERT_TRUE(waitFor(songs, 2) && waitFor(singers));
  const auto& page = songs.got[0];
  EXPECT_EQ(page.tag, tag);
  EXPECT_EQ(page.songs.pageIndex, 1);  // page 2 counted from 0
  EXPECT_GE(page.songs.total, 2);
  ASSERT_FALSE(page.songs.records.empty());
  EXPECT_FALSE(page.songs.records[0].SongID.empty());
  EXPECT_GT(page.songs.records[0].SongKey, 0);
  // A search that matches nothing: page 0 of 0, no records.
  EXPECT_EQ(songs.got[1].tag, emptyTag);
  EXPECT_EQ(songs.got[1].songs.pageIndex, 0);
  EXPECT_EQ(songs.got[1].songs.total, 0);
  EXPECT_TRUE(songs.got[1].songs.records.empty());
  ASSERT_FALSE(singers.got[0].singers.records.empty());
  EXPECT_FALSE(singers.got[0].singers.records[0].SingerKey.empty());
}

TEST_F(Facade, SongBookAdditionsPagesAndRemovals) {
  CaughtGlobal<ErrorEventArgs> added(EventNames::EventSongBookAddNotify);
  CaughtGlobal<ErrorEventArgs> removed(EventNames::SongBookDelNotify);
  Caught<EventArgsSongData> book(*hub_, EventNames::GetNoteBookDatas);
  SongRecord song;
  song.SongID = L"100003";
  song.SongName = L"测试";
  song.SingerName = L"歌手";
  SongInfo entry(song);
  net_->AddToSongBook(&entry);
  ASSERT_TRUE(waitFor(added));
  net_->AddToSongBook(&entry);
  ASSERT_TRUE(waitFor(added, 2));
  EXPECT_EQ(added.got[0].errorCode, 0);
  EXPECT_EQ(added.got[1].errorCode, -2246);  // already in the book
  EXPECT_EQ(added.got[1].commandNumber, 2502);
  net_->RequestSongBookPage(12, 1);
  ASSERT_TRUE(waitFor(book));
  int songNo = 0;
  for (const auto& record : book.got[0].songs.records)
    if (record.SongID == L"100003") songNo = record.SongNo;
  ASSERT_NE(songNo, 0);
  EXPECT_EQ(book.got[0].songs.pageIndex, 0);
  net_->RemoveFromSongBook(songNo);
  ASSERT_TRUE(waitFor(removed));
  EXPECT_EQ(removed.got[0].errorCode, 0);
}

// The square: songs, their pictures, then "GetPKSquareInfo", all delivered on the GUI thread.
TEST_F(Facade, ContestSquareBringsSongsAndPicturesThenSignals) {
  CaughtGlobal<PKCompetitionSongsEventArgs> songs(EventNames::GetPKSong);
  CaughtGlobal<PKCompetitionSongsPicEventArgs> pictures(EventNames::GetPKSongInterfacePic);
  CaughtGlobal<CEGUI::EventArgs> ready(EventNames::GetPKSquareInfo);
  net_->RequestSquareInfo();
  ASSERT_TRUE(waitFor(ready));
  ASSERT_EQ(songs.got.size(), 1u);  // delivered before the signal
  ASSERT_EQ(pictures.got.size(), 1u);
  EXPECT_TRUE(ready.onGuiThread[0]);
  const auto& list = songs.got[0].songs;
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list[0].SongID, L"100001");
  EXPECT_NE(list[0].Reserved.find(L"/contest/100001"), std::wstring::npos);  // its web page
  const auto& pics = pictures.got[0];
  ASSERT_EQ(pics.pictures.size(), list.size());
  EXPECT_EQ(pics.songIndexes[1], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pics.pictures[0].data()), 4), "\x89PNG");
}

TEST_F(Facade, ContestProductsRankPeriodAndProductPicture) {
  CaughtGlobal<PKCompetitionProductInfoEventArgs> products(EventNames::RecBackCompetitionProductsInfo);
  CaughtGlobal<PKMyRankInfoFunRecvEventArgs> rank(EventNames::RecBackMyRankInfo);
  CaughtGlobal<PeriodInfoFunRecvEventArgs> period(EventNames::RecBackPeriodInfo);
  CaughtGlobal<PKComProPicFunRecvEventArgs> picture(EventNames::RecBackCompetitionProductsPic);
  net_->RequestCompetitionProducts(100001, 1, 18, 1);
  net_->RequestMyRank(10001, 100001);
  net_->RequestPeriodInfo();
  ASSERT_TRUE(waitFor(products) && waitFor(rank) && waitFor(period));
  ASSERT_FALSE(products.got[0].products.empty());
  const PKProductRecord& first = products.got[0].products[0];
  EXPECT_FALSE(first.DisplayText.empty());
  EXPECT_NE(first.WebUrl.find(L"/works/"), std::wstring::npos);
  EXPECT_GT(rank.got[0].ranks[0], 0);  // the demo user has a work for this song
  EXPECT_FALSE(period.got[0].start.empty());
  net_->RequestProductPicture(first.PictureKey);
  ASSERT_TRUE(waitFor(picture));
  EXPECT_EQ(picture.got[0].productKey, first.PictureKey);
  ASSERT_GT(picture.got[0].picture.length(), 8u);
  EXPECT_EQ(picture.got[0].picture.data()[1], 'P');
}

TEST_F(Facade, PublishedWorksAreListedAndDeletedThroughTheWorksManager) {
  Caught<NetRecordingListArgs> works(works_, NetEventNames::GetNetRecordingSuccess);
  Caught<StringEventArgs> deleted(works_, NetEventNames::DelNetRecordingSuccess);
  net_->RequestWorksList(10001);
  ASSERT_TRUE(waitFor(works));
  ASSERT_FALSE(works.got[0].works.empty());
  const NetRecording& work = works.got[0].works[0];
  EXPECT_FALSE(work.Key.empty());
  EXPECT_GT(work.PitchScore, 0);
  EXPECT_EQ(work.TotalScore, 88);  // the engine's total
  net_->DeleteWork(std::stoi(work.Key));
  ASSERT_TRUE(waitFor(deleted));
  EXPECT_EQ(deleted.got[0].text, work.Key);
}

TEST_F(Facade, AnUploadReportsTicketProgressAddressAndPublication) {
  Caught<BlockUploadBackEventArgs> ticket(works_, NetEventNames::UploadReqSuccess);
  Caught<BlockUploadBackEventArgs> progress(works_, NetEventNames::BeginUploadUpdate);
  Caught<UploadUrlInfoEventArgs> finished(works_, NetEventNames::FileUploadFinish);
  Caught<CEGUI::EventArgs> published(works_, NetEventNames::UploadSuccess);
  const std::string file = install_.path() + "/Temp/20240601203000_100001.WMV";
  vktest::writeFile(file, std::string(5000, 'w'));
  vk::netlink::test::Product product;
  product.path = oscompat::wideFromUtf8(file);
  product.size = 5000;
  net_->RequestUpload(&product);
  ASSERT_TRUE(waitFor(published));
  ASSERT_EQ(ticket.got.size(), 1u);
  ASSERT_FALSE(progress.got.empty());
  ASSERT_EQ(finished.got.size(), 1u);
  const int uploadId = ticket.got[0].uploadId;
  EXPECT_GT(uploadId, 0);
  EXPECT_EQ(progress.got.back().packetsSent, ticket.got[0].packetTotal);
  EXPECT_EQ(progress.got.back().uploadId, uploadId);
  EXPECT_EQ(finished.got[0].uploadId, uploadId);
  EXPECT_NE(finished.got[0].fileUrl.find(L"/media/works/"), std::wstring::npos);
}

// Failures: "NetError" with the status and the request's id, the facade's own notices, and the
// square's failure, which still signals and then asks for the network error dialog.
TEST_F(Facade, FailuresBecomeNetErrorNoticesAndTheSquareStillSignals) {
  CaughtGlobal<ErrorEventArgs> netError(EventNames::NetError);
  CaughtGlobal<CEGUI::EventArgs> ready(EventNames::GetPKSquareInfo);
  CaughtGlobal<CEGUI::EventArgs> dialog(EventNames::NetErrorWnd);
  Query badKeyword(L"6", L"", L"中文");
  net_->RequestSongPage(&badKeyword);
  ASSERT_TRUE(waitFor(netError));
  EXPECT_EQ(netError.got[0].errorCode, -5003);
  EXPECT_EQ(netError.got[0].commandNumber, 5011);

  net_->SetSession("no-such-session", L"10001");
  net_->RequestUserInfo();
  net_->RequestSquareInfo();
  ASSERT_TRUE(waitFor(ready) && waitFor(dialog));
  ASSERT_TRUE(shell().pumpUntil([] { return findWindow("NetErrorInfoTipWnd/Text") != nullptr; }, 30000));
  EXPECT_EQ(findWindow("NetErrorInfoTipWnd/Text")->getText(),
            guiString(L"用户个人信息获取失败，可能造成您点唱歌曲异常，请检查网络！"));
}

}  // namespace

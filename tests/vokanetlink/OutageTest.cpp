// Without a usable service every request is still answered, exactly once.
#include "LinkFixture.h"

namespace vk::netlink::test {
namespace {

using nlohmann::json;

class Outage : public LinkFixture {
 protected:
  void SetUp() override {
    recorder_.reset();
    dir_ = makeTempDir("vk-link-outage");
    writeFile(dir_ / "work.WMV", std::string(10000, 'w'));
  }
  void TearDown() override {
    releaseObjects();
    ::unsetenv("VOKARAN_NET_TIMEOUT_MS");
    recorder_.reset();
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
  }

  // Issues one of every request that is answered through the callback; returns their ids.
  std::multiset<int> requestEverything() {
    SongBookEntry entry;
    entry.texts[0] = L"100001";
    Query query(L"6", L"3", L"a");
    Charge charge;
    Fee fee;
    product_.path = (dir_ / "work.WMV").wstring();
    ICParsePacket* packet = ICParsePacket::CreateInstance(false);
    packet->Begin("ROOT", "ITEM");
    packet->AddField("MOBILE", "13912345678");
    packet->Finish();
    packet->SetMessageId(6315);

    main_->AddToSongBook(&entry);
    main_->RemoveFromSongBook(1);
    main_->RequestSongBookPage(12, 1);
    main_->RequestProductPicture(L"1");
    main_->RequestCharge(&charge);
    main_->SendPacket(packet);
    main_->RequestUserTone(1);
    main_->RequestUserPermit(1, 0);
    main_->RequestCompetitionProducts(100001, 1, 18, 1);
    main_->RequestSquareInfo();
    main_->RequestWorksList(10001);
    main_->RequestMyRank(10001, 100001);
    main_->RequestPeriodInfo();
    song_->RequestSongPage(&query);
    song_->RequestSingerPage(&query);
    song_->RequestNetMenuVersion();
    upload_->RequestUpload(&product_);
    upload_->DeleteWork(3);
    user_->PayFee(&fee);
    user_->RequestUserInfo();
    ICParsePacket::ReleaseInstance(packet);
    return {2502, 2503, 2504, 2531, 6307, 6315, 6318, 6319, 6322, 6323, 6325, 6326, 6327,
            5011, 5012, 5023, 6201, 6324, 6320, 6305};
  }

  // Waits for one reply per request, releases the objects (after which nothing more may
  // come) and checks every reply carried `status`.
  void expectEachAnsweredOnceWith(const std::multiset<int>& ids, int status) {
    ASSERT_TRUE(recorder_.waitFor([&](const std::vector<Record>& r) { return r.size() >= ids.size(); }))
        << recorder_.all().size() << " of " << ids.size() << " answered";
    releaseObjects();
    std::multiset<int> got;
    for (auto& r : recorder_.all()) {
      got.insert(r.id);
      EXPECT_EQ(r.status, status) << "reply " << r.id;
      EXPECT_FALSE(r.hasResult) << "reply " << r.id;
    }
    EXPECT_EQ(got, ids);
  }

  Product product_;
};

TEST_F(Outage, ServiceDownAnswersEveryRequestOnceWithConnectFailure) {
  useService("http://127.0.0.1:" + std::to_string(closedPort()));
  createObjects();
  auto ids = requestEverything();
  Buffer buffer;
  EXPECT_EQ(song_->DownloadSongData(&buffer, L"100001"), -15004);
  expectEachAnsweredOnceWith(ids, -15004);
}

TEST_F(Outage, MissingServiceAddressAnswersEveryRequestOnce) {
  useService("");
  createObjects();
  auto ids = requestEverything();
  Buffer buffer;
  EXPECT_EQ(song_->DownloadSongData(&buffer, L"100001"), -15005);
  expectEachAnsweredOnceWith(ids, -15005);
}

// A service that takes the connection and never answers: each request times out.
TEST_F(Outage, SilentServiceAnswersEveryRequestOnceWithTimeOut) {
  SilentService silent;
  useService(silent.url());
  ::setenv("VOKARAN_NET_TIMEOUT_MS", "300", 1);
  createObjects();
  auto ids = requestEverything();
  expectEachAnsweredOnceWith(ids, -15006);
}

// Releasing an object answers its queued and running requests as cancelled before it
// returns, and nothing of it comes afterwards; after Shutdown main answers at once.
TEST_F(Outage, ReleaseAnswersPendingRequestsAsCancelled) {
  SilentService silent;
  useService(silent.url());
  ::setenv("VOKARAN_NET_TIMEOUT_MS", "600000", 1);
  createObjects();
  for (int i = 0; i < 10; ++i) main_->RequestSquareInfo();
  main_->Shutdown();
  auto answered = recorder_.all();
  ASSERT_EQ(answered.size(), 10u);
  for (auto& r : answered) EXPECT_EQ(r.status, -15008);
  main_->RequestPeriodInfo();
  auto late = recorder_.first(6327);
  EXPECT_EQ(late.status, -15008);

  recorder_.reset();
  Query query(L"5", L"101", L"");
  for (int i = 0; i < 6; ++i) song_->RequestSongPage(&query);
  CSongInterface::ReleaseInstance(song_);
  song_ = CSongInterface::CreateInstance();  // releaseObjects() releases a fresh one
  auto songs = recorder_.all();
  ASSERT_EQ(songs.size(), 6u);
  for (auto& r : songs) EXPECT_EQ(r.status, -15008);
}

}  // namespace
}  // namespace vk::netlink::test

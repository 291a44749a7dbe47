// The song-file cache downloading real song files from a real service through the facade.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <memory>

#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "TestSupport.h"
#include "engine/CCacheMicData.h"
#include "tunefetch/TuneFetch.h"

namespace {

std::wstring songId(int i) { return std::to_wstring(100001 + i); }

class SongCache : public vktest::GuiTest {
 protected:
  explicit SongCache(bool proxied = false) : service_(true, proxied) {}
  void SetUp() override {
    GuiTest::SetUp();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
    cache_ = std::make_unique<CCacheMicData>();
    downloaded_ = std::make_unique<vktest::CaughtGlobal<TaskEventarges>>(EventNames::MicDownloaded);
  }
  void TearDown() override {
    cache_.reset();
    downloaded_.reset();
    net_.reset();
    GuiTest::TearDown();
  }
  bool waitForDownloads(std::size_t count) {
    return shell().pumpUntil([&] { return downloaded_->got.size() >= count; }, 60000);
  }

  vktest::TestService service_;
  std::unique_ptr<NetworkInterface> net_;
  std::unique_ptr<CCacheMicData> cache_;
  std::unique_ptr<vktest::CaughtGlobal<TaskEventarges>> downloaded_;
};

TEST_F(SongCache, TwelveQueuedSongsStartTenAndTheRestWaitForRoom) {
  for (int i = 0; i < 12; ++i) cache_->Request(songId(i), false);
  EXPECT_EQ(cache_->activeCount(), 10u);
  EXPECT_EQ(cache_->waitingCount(), 2u);
  // Asking again for a waiting song only counts the use.
  cache_->Request(songId(11), false);
  EXPECT_EQ(cache_->waitingCount(), 2u);
  ASSERT_NE(cache_->FindWaiting(songId(11)), nullptr);
  EXPECT_EQ(cache_->FindWaiting(songId(11))->useCount(), 2);

  ASSERT_TRUE(waitForDownloads(10));
  for (const auto& args : downloaded_->got) EXPECT_TRUE(args.checkSumTest());
  CTaskMicDown* sung = cache_->Find(songId(3));
  EXPECT_TRUE(sung->isDone());
  ASSERT_TRUE(shell().pumpUntil([&] { return !cache_->taskManager().IsBusy(sung); }));

  // A sung song gives its room up only when room is needed: releasing it makes the active
  // list exceed nine, so it goes and the first waiting song moves in.
  cache_->Release(songId(3));
  EXPECT_EQ(cache_->Find(songId(3)), nullptr);
  EXPECT_EQ(cache_->activeCount(), 10u);
  EXPECT_EQ(cache_->waitingCount(), 1u);
  ASSERT_NE(cache_->Find(songId(10)), nullptr);
  ASSERT_TRUE(waitForDownloads(11));
  EXPECT_EQ(downloaded_->got.back().songId, songId(10));
}

TEST_F(SongCache, ASongSungTwiceIsNotDownloadedAgain) {
  cache_->Request(songId(0), false);
  ASSERT_TRUE(waitForDownloads(1));
  CTaskMicDown* task = cache_->Find(songId(0));
  ASSERT_NE(task, nullptr);
  // The task manager lets go of the task once its done() has returned.
  ASSERT_TRUE(shell().pumpUntil([&] { return !cache_->taskManager().IsBusy(task); }));
  EXPECT_TRUE(CCacheMicData::CheckSumTest(*task));
  const auto bytes = task->bytes();
  cache_->Release(songId(0));  // sung once
  ASSERT_EQ(cache_->Find(songId(0)), task);  // kept: there is room
  cache_->Request(songId(0), false);  // queued again
  EXPECT_EQ(task->useCount(), 1);
  EXPECT_FALSE(cache_->taskManager().IsBusy(task));
  EXPECT_EQ(task->bytes(), bytes);
  // Downloading now hands the known task over again, with priority.
  EXPECT_EQ(cache_->DownloadNow(songId(0)), 1);
  EXPECT_EQ(cache_->DownloadNow(L"999999"), 0);
}

class FailingSongCache : public SongCache {
 protected:
  FailingSongCache() : SongCache(true) {}
};

TEST_F(FailingSongCache, FiveFailedAttemptsLeaveTheTaskEmpty) {
  cache_->Request(L"999999", true);  // no such song
  ASSERT_TRUE(waitForDownloads(1));
  EXPECT_EQ(service_.proxy()->count("GET /v1/songfiles/999999"), CTaskMicDown::kAttempts);
  CTaskMicDown* task = cache_->Find(L"999999");
  ASSERT_NE(task, nullptr);
  EXPECT_TRUE(task->isDone());
  EXPECT_EQ(task->bytes(), nullptr);
  EXPECT_FALSE(CCacheMicData::CheckSumTest(*task));
  EXPECT_EQ(downloaded_->got[0].bytes, nullptr);
  EXPECT_FALSE(downloaded_->got[0].checkSumTest());
}

}  // namespace

#include "poolbuffers/PoolBuffers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using poolbuffers::IBufferManager;
using poolbuffers::PoolBuffer;

namespace {

// A frame that says which producer step filled it.
struct Frame : PoolBuffer {
  std::atomic<long> stamp{0};
  long payload[64] = {};
};

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pool_ = poolbuffers::CreateBufferManager();
    for (auto& f : frames_) ASSERT_TRUE(pool_->addBuffer(&f));
  }
  void TearDown() override { poolbuffers::DestroyBufferManager(pool_); }
  Frame* take() { return static_cast<Frame*>(pool_->takeEmpty()); }
  Frame* latest() { return static_cast<Frame*>(pool_->takeLatest()); }

  IBufferManager* pool_ = nullptr;
  Frame frames_[3];
};

TEST_F(PoolTest, RegistrationRefusesNullAndDuplicates) {
  EXPECT_FALSE(pool_->addBuffer(nullptr));
  EXPECT_FALSE(pool_->addBuffer(&frames_[0]));
  EXPECT_EQ(pool_->bufferCount(), 3u);
}

// The newest full frame wins; the one nobody drew goes back to the producer.
TEST_F(PoolTest, LatestFrameWinsAndOlderOneIsRecycled) {
  Frame* a = take();
  pool_->putFull(a);
  Frame* b = take();
  ASSERT_NE(a, b);
  pool_->putFull(b);
  EXPECT_EQ(pool_->supersededCount(), 1u);
  EXPECT_EQ(latest(), b);
  // While the consumer draws b, the producer still finds two buffers (a was recycled).
  Frame* c = take();
  Frame* d = take();
  EXPECT_NE(c, nullptr);
  EXPECT_NE(d, nullptr);
  EXPECT_EQ(take(), nullptr);
}

// A redraw without a new frame draws the last one again (a paused video stays visible).
TEST_F(PoolTest, RedrawWithoutNewFrameGivesTheShownOneAgain) {
  EXPECT_EQ(latest(), nullptr);
  Frame* a = take();
  pool_->putFull(a);
  EXPECT_EQ(latest(), a);
  EXPECT_EQ(latest(), nullptr) << "the consumer holds one already";
  pool_->giveBack(a);
  EXPECT_EQ(latest(), a);
  pool_->giveBack(a);
  // A newer frame replaces the shown one, which becomes empty.
  Frame* b = take();
  pool_->putFull(b);
  EXPECT_EQ(latest(), b);
  pool_->giveBack(b);
  int empty = 0;
  while (take()) ++empty;
  EXPECT_EQ(empty, 2);
}

// With three buffers and one producer the producer never runs out, whatever the consumer does.
TEST_F(PoolTest, ProducerAlwaysFindsAnEmptyBuffer) {
  Frame* held = nullptr;
  for (int step = 0; step < 100; ++step) {
    Frame* f = take();
    ASSERT_NE(f, nullptr) << "step " << step;
    pool_->putFull(f);
    if (step % 3 == 0) {
      if (held) pool_->giveBack(held);
      held = latest();
    }
  }
}

// A frame begun before a reset never shows after it; held buffers come back empty.
TEST_F(PoolTest, ResetForgetsFramesAndStaleBuffersComeBackEmpty) {
  Frame* shown = take();
  pool_->putFull(shown);
  ASSERT_EQ(latest(), shown);
  Frame* filling = take();
  pool_->resetBuffers();
  pool_->putFull(filling);
  pool_->giveBack(shown);
  EXPECT_EQ(latest(), nullptr);
  int empty = 0;
  while (take()) ++empty;
  EXPECT_EQ(empty, 3);
}

TEST_F(PoolTest, ForeignAndMisplacedBuffersAreIgnored) {
  Frame stranger;
  pool_->putFull(&stranger);
  pool_->giveBack(&stranger);
  Frame* a = take();
  pool_->giveBack(a);  // abandoned by the producer: empty again
  pool_->putFull(a);   // not taken: ignored
  EXPECT_EQ(latest(), nullptr);
}

// One producer writes whole frames while one consumer reads them: a consumer never sees a
// frame being written (every word of it carries the same stamp) and stamps only go forward.
// Run under ThreadSanitizer too (see the report of the pool's branch).
TEST_F(PoolTest, ProducerAndConsumerThreadsNeverShareAFrame) {
  constexpr long kFrames = 20000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (long n = 1; n <= kFrames; ++n) {
      Frame* f = take();
      if (!f) continue;
      for (long& word : f->payload) word = n;
      f->stamp.store(n, std::memory_order_relaxed);
      pool_->putFull(f);
    }
    done = true;
  });
  long last = 0;
  long seen = 0;
  bool torn = false;
  while (!done || seen == 0) {
    Frame* f = latest();
    if (!f) continue;
    const long stamp = f->payload[0];
    for (long word : f->payload) torn |= word != stamp;
    EXPECT_GE(stamp, last);
    last = stamp;
    ++seen;
    pool_->giveBack(f);
  }
  producer.join();
  EXPECT_FALSE(torn);
  EXPECT_GT(seen, 0);
}

}  // namespace

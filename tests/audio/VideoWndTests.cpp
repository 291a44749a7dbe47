// The video window's renderer over frames put into its pool by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "WidgetTest.h"
#include "audio/CSampleData.h"
#include "widgets/VideoWnd.h"

using namespace CEGUI;

namespace {

class VideoWndTest : public vktest::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    pool_ = poolbuffers::CreateBufferManager();
    for (auto& f : frames_) pool_->addBuffer(&f);
    window_ = create<VideoWnd>("TaharezLook/VideoWnd", "Video", 10, 20, 320, 200);
    ASSERT_NE(window_, nullptr);
    renderer_ = dynamic_cast<FalagardVideo*>(window_->getWindowRenderer());
    ASSERT_NE(renderer_, nullptr);
  }
  void TearDown() override {
    WindowManager::getSingleton().destroyWindow(window_);
    WidgetTest::TearDown();
    poolbuffers::DestroyBufferManager(pool_);
  }
  // A frame of the given header size holding `bytes` bytes, put full.
  void put(int width, int height, long bytes) {
    auto* f = static_cast<CSampleData*>(pool_->takeEmpty());
    ASSERT_NE(f, nullptr);
    avmedia::BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 32;
    f->setHeader(&h);
    std::vector<uint8_t> pixels(static_cast<std::size_t>(bytes), 0x80);
    f->setData(pixels.data(), bytes);
    pool_->putFull(f);
  }
  void draw() {
    window_->invalidate();
    drawAll();
  }

  poolbuffers::IBufferManager* pool_ = nullptr;
  CSampleData frames_[3];
  VideoWnd* window_ = nullptr;
  FalagardVideo* renderer_ = nullptr;
};

TEST_F(VideoWndTest, DrawsNothingWithoutAPoolOrAFrame) {
  draw();
  EXPECT_FALSE(renderer_->drewFrame());
  EXPECT_FALSE(window_->setBufferManager(nullptr));
  EXPECT_TRUE(window_->setBufferManager(pool_));
  draw();
  EXPECT_FALSE(renderer_->drewFrame());
  EXPECT_EQ(window_->getGeometryBuffer().getVertexCount(), 0u);
}

// A top-down frame (negative height) is drawn at its absolute height, over the whole window,
// flipped: the top edge samples v = 1.
TEST_F(VideoWndTest, NegativeHeightIsDrawnWithItsAbsoluteHeight) {
  window_->setBufferManager(pool_);
  put(40, -30, 40 * 30 * 4);
  draw();
  ASSERT_TRUE(renderer_->drewFrame());
  EXPECT_EQ(renderer_->texture()->getSize(), Sizef(40, 30));
  EXPECT_EQ(window_->getGeometryBuffer().getVertexCount(), 6u);
  EXPECT_EQ(window_->getGeometryBuffer().getActiveTexture(), renderer_->texture());
}

// A header claiming more pixels than the frame holds is never read past its end.
TEST_F(VideoWndTest, HeaderLargerThanTheDataIsNotDrawn) {
  window_->setBufferManager(pool_);
  put(640, 480, 100 * 100 * 4);
  draw();
  EXPECT_FALSE(renderer_->drewFrame());
  // The frame went back to the pool all the same: a good frame after it draws.
  put(100, 100, 100 * 100 * 4);
  draw();
  EXPECT_TRUE(renderer_->drewFrame());
}

// A redraw for another reason (a paused video) draws the last frame again, not a hole.
TEST_F(VideoWndTest, RedrawWithoutANewFrameKeepsThePicture) {
  window_->setBufferManager(pool_);
  put(16, 16, 16 * 16 * 4);
  draw();
  draw();
  EXPECT_TRUE(renderer_->drewFrame());
  EXPECT_EQ(renderer_->framesDrawn(), 2);
}

TEST(SampleDataTest, KeepsItsArrayWhileTheSizeStaysAndClearsToBlack) {
  CSampleData frame;
  const uint8_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  frame.setData(a, 0);
  EXPECT_EQ(frame.data(), nullptr);
  frame.setData(a, 8);
  const uint8_t* array = frame.data();
  frame.setData(a + 0, 8);
  EXPECT_EQ(frame.data(), array);
  frame.clearData();
  EXPECT_EQ(frame.dataLength(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(frame.data()[i], 0);
  // A header that says it is shorter than the structure still gives a whole structure.
  avmedia::BITMAPINFOHEADER h;
  h.biSize = 4;
  h.biWidth = 7;
  frame.setHeader(&h);
  EXPECT_EQ(frame.header()->biSize, sizeof(avmedia::BITMAPINFOHEADER));
}

}  // namespace

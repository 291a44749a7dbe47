// The video player over real files: frames through the pool to the window, the loop at the
// end, stop, the window's destruction and the player's own.
#include <gtest/gtest.h>

#include <thread>

#include "MixMedia.h"
#include "PlayMedia.h"
#include "WidgetTest.h"
#include "audio/CVideoPlayer.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/VideoDecoder.h"
#include "widgets/VideoWnd.h"

using namespace avmedia;

namespace {

class VideoPlayerTest : public vktest::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    window_ = create<CEGUI::VideoWnd>("TaharezLook/VideoWnd", "Video", 0, 0, 320, 200);
    ASSERT_NE(window_, nullptr);
    renderer_ = dynamic_cast<CEGUI::FalagardVideo*>(window_->getWindowRenderer());
    player_ = std::make_unique<CVideoPlayer>();
    ASSERT_TRUE(player_->attachWindow(window_));
  }
  void TearDown() override {
    if (player_) {
      player_->stop();
      player_->release();
    }
    player_.reset();
    WidgetTest::TearDown();
  }
  // What the playback window does when its source is set.
  bool open(const std::string& path, bool paced = true) {
    player_->stop();
    std::shared_ptr<IGraphBuilder> graph;
    CoCreateFilterGraph(graph);
    IBaseFilter* source = nullptr;
    graph->AddSourceFilter(std::wstring(path.begin(), path.end()), L"Souce", &source);
    player_->setGraph(graph);
    graph_ = graph;
    const bool built = player_->buildChain(source);
    decoder_ = dynamic_cast<VideoDecoder*>(graph->FindFilterByName(L"Video Decoder"));
    if (decoder_) decoder_->setPacing(paced);
    return built;
  }
  // Real time: the streaming thread runs on its own; posted redraws are delivered meanwhile.
  bool waitFor(const std::function<bool()>& done, unsigned ms = 10000) { return shell().pumpUntil(done, ms); }
  bool anyFrameData() const {
    for (CSampleData* f : player_->frames())
      if (f->data()) return true;
    return false;
  }
  bool allBlack() const {
    for (CSampleData* f : player_->frames())
      for (long i = 0; i < f->dataLength(); ++i)
        if (f->data()[i] != 0) return false;
    return true;
  }

  vktest::TempDir dir_;
  CEGUI::VideoWnd* window_ = nullptr;
  CEGUI::FalagardVideo* renderer_ = nullptr;
  std::unique_ptr<CVideoPlayer> player_;
  VideoDecoder* decoder_ = nullptr;
  std::shared_ptr<IGraphBuilder> graph_;
};

// A frame stored on the streaming thread makes the GUI thread redraw the window with it.
TEST_F(VideoPlayerTest, FramesOfARealWorkReachTheWindow) {
  const std::string path = dir_.file("work.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 1.0, 320, 200, 10));
  ASSERT_TRUE(open(path));
  EXPECT_EQ(player_->run(), S_OK);
  EXPECT_TRUE(player_->timerRunning());
  ASSERT_TRUE(waitFor([&] {
    drawAll();
    return renderer_->framesDrawn() >= 3;
  }));
  EXPECT_EQ(renderer_->texture()->getSize(), CEGUI::Sizef(320, 200));
}

// A video that ends starts again from its first frame at the next tick of the event timer.
TEST_F(VideoPlayerTest, EndedVideoLoopsBackToItsFirstFrame) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 3, 10));
  ASSERT_TRUE(open(path, false));
  player_->run();
  ASSERT_NE(decoder_, nullptr);
  ASSERT_TRUE(waitFor([&] { return decoder_->stats().passes >= 1; }));
  EXPECT_EQ(player_->restarts(), 0);
  advance(CVideoPlayer::kEventTimerMs);
  EXPECT_EQ(player_->restarts(), 1);
  ASSERT_TRUE(waitFor([&] { return decoder_->stats().passes >= 2; }));
  EXPECT_EQ(decoder_->stats().delivered, 6);
}

// After stop a redraw shows black, not the last picture.
TEST_F(VideoPlayerTest, StopThenRedrawShowsBlack) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 3, 10));
  ASSERT_TRUE(open(path, false));
  player_->run();
  ASSERT_TRUE(waitFor([&] { return anyFrameData(); }));
  EXPECT_FALSE(allBlack());
  EXPECT_EQ(player_->stop(), S_OK);
  EXPECT_FALSE(player_->timerRunning());
  EXPECT_TRUE(allBlack());
  drawAll();
  EXPECT_TRUE(renderer_->drewFrame());
}

// Destroying the window while the video runs stops the player; later calls draw nothing and
// requests still in flight find no window.
TEST_F(VideoPlayerTest, DestroyingTheWindowStopsThePlayer) {
  const std::string path = dir_.file("work.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 2.0, 160, 120, 25));
  ASSERT_TRUE(open(path));
  player_->run();
  ASSERT_TRUE(waitFor([&] { return anyFrameData(); }));
  CEGUI::WindowManager::getSingleton().destroyWindow(window_);
  window_ = nullptr;
  EXPECT_EQ(player_->window(), nullptr);
  EXPECT_FALSE(player_->timerRunning());
  EXPECT_FALSE(player_->graph()->running());
  EXPECT_TRUE(allBlack());
  player_->run();
  player_->stop();
  drawAll();
  advance(1000);
}

// Release leaves the window without frames: it draws nothing more.
TEST_F(VideoPlayerTest, ReleasedPlayerLeavesTheWindowEmpty) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 3, 10));
  ASSERT_TRUE(open(path, false));
  player_->run();
  ASSERT_TRUE(waitFor([&] {
    drawAll();
    return renderer_->drewFrame();
  }));
  player_->stop();
  player_->release();
  EXPECT_EQ(window_->getBufferManager(), nullptr);
  drawAll();
  EXPECT_FALSE(renderer_->drewFrame());
  EXPECT_EQ(player_->run(), E_FAIL);
  EXPECT_EQ(player_->pause(), E_FAIL);
}

// The player is released and goes while somebody else keeps its graph running: its callback
// is detached first, so the streaming thread never reaches the freed player (run under
// ThreadSanitizer as well).
TEST_F(VideoPlayerTest, PlayerGoneWhileItsGraphStillDelivers) {
  const std::string path = dir_.file("work.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 1.0, 160, 120, 25));
  ASSERT_TRUE(open(path, true));
  player_->run();
  ASSERT_TRUE(waitFor([&] { return anyFrameData(); }));
  player_->release();
  player_.reset();  // also destroys the window
  window_ = nullptr;
  const int64_t before = decoder_->stats().delivered;
  ASSERT_TRUE(waitFor([&] { return decoder_->stats().delivered > before + 2; }));
  drawAll();
  advance(1000);
  graph_->Stop();
}

// A missing file: the chain fails, the window stays empty, nothing else goes wrong.
TEST_F(VideoPlayerTest, MissingFileLeavesTheWindowEmpty) {
  EXPECT_FALSE(open(dir_.file("gone.wmv")));
  player_->run();
  player_->pause();
  player_->run();
  drawAll();
  advance(1000);
  EXPECT_FALSE(renderer_->drewFrame());
}

}  // namespace

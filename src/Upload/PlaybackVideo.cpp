// The playback window's picture: the video player on a new media graph for every file.
#include <CEGUI/CEGUI.h>

#include "Upload/CPKPlaybackWnd.h"
#include "app/AppLog.h"
#include "audio/CVideoPlayer.h"
#include "avmedia/ClassFactory.h"
#include "oscompat/Utf.h"
#include "widgets/VideoWnd.h"

namespace {

class PlayerVideo : public IPlaybackVideo {
 public:
  explicit PlayerVideo(CEGUI::VideoWnd* window) { player_.attachWindow(window); }

  void open(const std::wstring& path) override {
    player_.stop();
    std::unique_ptr<avmedia::IGraphBuilder> made;
    avmedia::CoCreateFilterGraph(made);
    graph_ = std::shared_ptr<avmedia::IGraphBuilder>(std::move(made));
    if (!graph_) return;
    avmedia::IBaseFilter* source = nullptr;
    // A file that cannot be read leaves the window empty; the sound plays all the same.
    if (avmedia::FAILED(graph_->AddSourceFilter(path, L"Souce", &source)) || !source) {
      appLog("playback: no picture from " + oscompat::utf8FromWide(path));
      return;
    }
    player_.setGraph(graph_);
    player_.buildChain(source);
    player_.run();
    player_.pause();
  }
  void run() override { player_.run(); }
  void pause() override { player_.pause(); }
  void seekMs(int milliseconds) override {
    if (!player_.graph()) return;
    avmedia::REFERENCE_TIME at = static_cast<avmedia::REFERENCE_TIME>(milliseconds) * (avmedia::kUnitsPerSecond / 1000);
    player_.graph()->SetPositions(&at, avmedia::AM_SEEKING_AbsolutePositioning, nullptr,
                                  avmedia::AM_SEEKING_NoPositioning);
  }
  int positionMs() override {
    avmedia::REFERENCE_TIME at = 0;
    if (!player_.graph() || avmedia::FAILED(player_.graph()->GetCurrentPosition(&at))) return -1;
    return static_cast<int>(at / (avmedia::kUnitsPerSecond / 1000));
  }
  int durationMs() override {
    avmedia::REFERENCE_TIME length = 0;
    if (!player_.graph() || avmedia::FAILED(player_.graph()->GetDuration(&length))) return -1;
    return static_cast<int>(length / (avmedia::kUnitsPerSecond / 1000));
  }
  void close() override {
    player_.stop();
    player_.release();
    graph_.reset();
  }

 private:
  CVideoPlayer player_;
  std::shared_ptr<avmedia::IGraphBuilder> graph_;
};

}  // namespace

std::unique_ptr<IPlaybackVideo> makePlaybackVideo(CEGUI::Window* videoWindow) {
  auto* window = dynamic_cast<CEGUI::VideoWnd*>(videoWindow);
  if (!window) {
    appLogError("playback: there is no video window; the work plays without its picture");
    return nullptr;
  }
  return std::make_unique<PlayerVideo>(window);
}

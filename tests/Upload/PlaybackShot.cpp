// A development picture of the playback window over the stage, its controls showing, 23 s
// into a work of 1:15, paused or playing, the focus on a chosen control.
//
//   playback-shot OUT.png [playing|paused] [FOCUS 0-3] [VIDEO]
//
// Needs a display (Xvfb is enough). With VIDEO its pictures play under the controls through
// the video player (a second of it before the picture is taken); without, the window shows
// what the video window shows without frames.
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "Upload/CPKPlaybackWnd.h"
#include "oscompat/Utf.h"
#include "widgets/VideoWnd.h"

namespace {
class StillMix : public IPlaybackEngine {
 public:
  void stop() override {}
  int totalSeconds(const std::wstring&, const std::wstring&) override { return 75; }
  void setNames(const std::wstring&, const std::wstring&) override {}
  void setMix(int, int, int) override {}
  bool play() override { return true; }
  void pause(bool) override {}
  int positionMs() override { return position_; }
  void seekMs(int ms) override { position_ = ms; }
  bool ended() override { return false; }

 private:
  int position_ = 0;
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: playback-shot OUT.png [playing|paused] [FOCUS 0-3]\n");
    return 2;
  }
  const std::string out = argv[1];
  const bool paused = argc > 2 && std::string(argv[2]) == "paused";
  const int focus = argc > 3 ? std::atoi(argv[3]) : 0;
  const std::string video = argc > 4 ? argv[4] : "";
  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  std::unique_ptr<CPKPlaybackWnd> page;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    PlaybackWndContext context;
    context.engine = std::make_unique<StillMix>();
    if (video.empty()) context.video = [](CEGUI::Window*) { return std::unique_ptr<IPlaybackVideo>(); };
    page = std::make_unique<CPKPlaybackWnd>(std::move(context));
    page->attach(shell.sheet);
    PlaybackSource source;
    source.videoPath = oscompat::wideFromUtf8(video);
    page->setSource(source);
    page->seekTo(video.empty() ? 23000 : 5000);
    if (paused) page->togglePlay();
    for (int i = 0; i < focus; ++i) page->handleKey(208);  // Down
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { page.reset(); };
  if (!shell.startUp()) return 1;
  for (int frame = 0; frame < 5; ++frame) shell.runFrame();
  for (int frame = 0; !video.empty() && frame < 60; ++frame) {
    shell.runFrame();
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  if (!video.empty()) {
    auto* renderer = page->part("VideoWnd") ? dynamic_cast<CEGUI::FalagardVideo*>(page->part("VideoWnd")->getWindowRenderer()) : nullptr;
    std::fprintf(stderr, "video frames drawn: %d\n", renderer ? renderer->framesDrawn() : -1);
  }
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

// A development picture of the playback window over the stage, its controls showing, 23 s
// into a work of 1:15, paused or playing, the focus on a chosen control.
//
//   playback-shot OUT.png [playing|paused] [FOCUS 0-3]
//
// Needs a display (Xvfb is enough). No video is drawn: the window under the controls shows
// what the video window shows without frames.
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "Upload/CPKPlaybackWnd.h"

namespace {
class StillMix : public IPlaybackEngine {
 public:
  void stop() override {}
  int totalSeconds(const std::wstring&, const std::wstring&) override { return 75; }
  void setNames(const std::wstring&, const std::wstring&) override {}
  void setMix(int, int, int) override {}
  bool play() override { return true; }
  void pause(bool) override {}
  int positionMs() override { return 23000; }
  void seekMs(int) override {}
  bool ended() override { return false; }
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
  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  std::unique_ptr<CPKPlaybackWnd> page;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    PlaybackWndContext context;
    context.engine = std::make_unique<StillMix>();
    context.video = [](CEGUI::Window*) { return std::unique_ptr<IPlaybackVideo>(); };
    page = std::make_unique<CPKPlaybackWnd>(std::move(context));
    page->attach(shell.sheet);
    page->setSource(PlaybackSource{});
    page->seekTo(23000);
    if (paused) page->togglePlay();
    for (int i = 0; i < focus; ++i) page->handleKey(208);  // Down
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { page.reset(); };
  if (!shell.startUp()) return 1;
  for (int frame = 0; frame < 5; ++frame) shell.runFrame();
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

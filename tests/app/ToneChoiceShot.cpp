// A development picture of the key choice before a contest song, over the stage, and of the
// contest stage with lyric lines where a song draws them.
//
//   tonechoice-shot OUT.png [nolevel] [DOWN-PRESSES]
//   tonechoice-shot OUT.png stage
//
// Needs a display (Xvfb is enough); "nolevel" shows a singer without a measured range.
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "PK/CPKSelectToneWnd.h"
#include "TestSupport.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tonechoice-shot OUT.png [nolevel|stage] [DOWN-PRESSES]\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::string mode = argc > 2 ? argv[2] : "";
  const int downs = argc > 3 ? std::atoi(argv[3]) : 0;

  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  std::unique_ptr<CPKSelectToneWnd> page;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    if (mode == "stage") {
      CEGUI::ImageManager::getSingleton().addFromImageFile("PkBackgroundImageSet/full_image", "PkBackground.png");
      appRoot->getChild("Background")->setProperty("Image", "PkBackgroundImageSet/full_image");
      vktest::addLyricLine(appRoot, 0.64f, "晚风吹过 温柔的海岸线", "FFFFE08F");
      vktest::addLyricLine(appRoot, 0.75f, "我们唱着 那年夏天的歌", "FFE8ECFF");
    } else {
      page = std::make_unique<CPKSelectToneWnd>(mode != "nolevel");
      page->attach(appRoot);
    }
    shell.guiContext().getMouseCursor().hide();
  };
  if (!shell.startUp()) return 1;
  for (int i = 0; i < downs; ++i) {
    shell.injectKeyDown(CEGUI::Key::ArrowDown);
    shell.injectKeyUp(CEGUI::Key::ArrowDown);
  }
  for (int frame = 0; frame < 3; ++frame) shell.runFrame();
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

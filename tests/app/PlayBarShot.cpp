// A development picture of the play control bar over the stage, as a song shows it: the
// module's window with the sheet, two lyric lines where a song draws them, and the bar.
//
//   playbar-shot OUT.png [FOCUSED-BUTTON 0-3] [off]
//
// Needs a display (Xvfb is enough); "off" shows the guide melody switched off.
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "app/CPlayCtrolBar.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: playbar-shot OUT.png [FOCUSED-BUTTON 0-3] [off]\n");
    return 2;
  }
  const std::string out = argv[1];
  const int focus = argc > 2 ? std::atoi(argv[2]) : 0;
  const bool melodyOff = argc > 3 && std::string(argv[3]) == "off";

  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  std::unique_ptr<CPlayCtrolBar> bar;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    vktest::addLyricLine(appRoot, 0.64f, "晚风吹过 温柔的海岸线", "FFFFE08F");
    vktest::addLyricLine(appRoot, 0.75f, "我们唱着 那年夏天的歌", "FFE8ECFF");
    bar = std::make_unique<CPlayCtrolBar>(appRoot);
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { bar.reset(); };
  if (!shell.startUp()) return 1;
  bar->setTime(75, 243);
  bar->setMelodyOn(!melodyOff);
  bar->show();
  for (int i = 0; i < focus; ++i) {
    shell.injectKeyDown(CEGUI::Key::ArrowRight);
    shell.injectKeyUp(CEGUI::Key::ArrowRight);
  }
  for (int frame = 0; frame < 3; ++frame) shell.runFrame();
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

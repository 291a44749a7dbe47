// A development picture of the grade display over the stage, driven by made-up scores: the
// module's window with the sheet, a stand-in for the note bars and the lyrics, and the grade
// display after a few words and lines.
//
//   grade-shot OUT.png [star|perfect|good|hard] [MS-AFTER]
//
// Needs a display (Xvfb is enough). The scene's last event comes MS-AFTER milliseconds before
// the picture (default 300).
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "PK/grade/CGradeModule.h"
#include "GradeEvents.h"
#include "TestSupport.h"

namespace {

CEGUI::Window* image(CEGUI::Window* parent, const char* picture, float x, float y, float w, float h) {
  CEGUI::Window* win = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/StaticImage");
  win->setArea(CEGUI::URect(CEGUI::UDim(x, 0), CEGUI::UDim(y, 0), CEGUI::UDim(x + w, 0), CEGUI::UDim(y + h, 0)));
  win->setProperty("Image", picture);
  win->setProperty("FrameEnabled", "false");
  win->setProperty("BackgroundEnabled", "false");
  parent->addChild(win);
  return win;
}

// A note bar of the stand-in melody: its three pieces, `sung` in gold.
void bar(CEGUI::Window* parent, float x, float w, float y, bool sung) {
  const char* state = sung ? "Hover" : "Normal";
  const float h = 16.0f / 900.0f;
  const float end = 20.0f / 1440.0f;
  image(parent, (std::string("PK1/LineLeft_") + state).c_str(), x, y, end, h);
  image(parent, (std::string("PK1/LineMid_") + state).c_str(), x + end, y, w - 2 * end, h);
  image(parent, (std::string("PK1/LineRight_") + state).c_str(), x + w - end, y, end, h);
}

void word(int p, int t) { gradetest::postWord(p, t); }
void line(int p, int t, int e, int total) { gradetest::postLine(p, t, e, total, p * 10, t * 10); }
void mic(int note) { gradetest::postMic(note); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: grade-shot OUT.png [star|perfect|good|hard] [MS-AFTER]\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::string scene = argc > 2 ? argv[2] : "star";
  const int after = argc > 3 ? std::atoi(argv[3]) : 300;

  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  guishell::VirtualClock clock;
  shell.setHeadless(false);
  shell.setClock(&clock);
  std::unique_ptr<CGradeModule> grade;
  shell.onInitialise = [&] {
    CEGUI::AnimationManager::getSingleton().loadAnimationsFromXML("Animation.xml");
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    image(appRoot, "PK1/BK", 0, 0.4f, 1, 0.35f);
    image(appRoot, "PK1/SangBK", 0, 0.4f, 0.2f, 0.35f);
    image(appRoot, "PK1/SangBKSmallRect", 0.2f - 4.0f / 1440, 0.4f, 8.0f / 1440, 0.35f);
    bar(appRoot, 0.06f, 0.1f, 0.62f, true);
    bar(appRoot, 0.17f, 0.12f, 0.55f, true);
    bar(appRoot, 0.30f, 0.08f, 0.50f, false);
    bar(appRoot, 0.39f, 0.16f, 0.58f, false);
    bar(appRoot, 0.57f, 0.10f, 0.47f, false);
    bar(appRoot, 0.69f, 0.14f, 0.53f, false);
    bar(appRoot, 0.85f, 0.12f, 0.60f, false);
    vktest::addLyricLine(appRoot, 0.78f, "晚风吹过 温柔的海岸线", "FFFFE08F");
    vktest::addLyricLine(appRoot, 0.87f, "我们唱着 那年夏天的歌", "FFE8ECFF");
    grade = std::make_unique<CGradeModule>();
    grade->Build(appRoot);
    grade->setPitchRange(52, 76);
    grade->Start();
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { grade.reset(); };
  if (!shell.startUp()) return 1;
  auto run = [&](int ms) {
    for (int t = 0; t < ms; t += 16) {
      clock.advance(16);
      shell.runFrame();
    }
  };
  // A few lines already sung.
  const int words[][2] = {{8, 9}, {9, 7}, {6, 8}, {9, 9}, {7, 6}, {10, 9}, {8, 8}, {9, 10}};
  for (const auto& w : words) {
    word(w[0], w[1]);
    mic(64);
    run(200);
  }
  line(8, 8, 8, 7);
  run(2000);
  mic(66);
  if (scene == "star") {
    word(10, 10);
  } else {
    word(9, 9);
    const int e = scene == "perfect" ? 9 : scene == "good" ? 7 : 4;
    line(9, 9, e, scene == "hard" ? 6 : 8);
  }
  run(after);
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

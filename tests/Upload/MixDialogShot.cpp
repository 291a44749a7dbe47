// A development picture of the mixing progress dialog over the works screen's stage.
//
//   mixdialog-shot OUT.png [PERCENT 0-100]     (100: the mix is complete, the button is OK)
//
// Needs a display (Xvfb is enough).
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "Upload/CMixProssCtrl.h"
#include "guishell/Win32AppHelper.h"

namespace {
// Reports one progress and ends.
class FixedJob : public IMix {
 public:
  explicit FixedJob(float p) : progress_(p) {}
  bool run() override {
    Win32AppHelper::postEvent(this, EventItemUpdate, new MixItemEventArgs(this), "");
    return progress_ == 1.0f;
  }
  float getProgress() override { return progress_; }
  void cancel() override {}

 private:
  float progress_;
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mixdialog-shot OUT.png [PERCENT 0-100]\n");
    return 2;
  }
  const std::string out = argv[1];
  const int percent = argc > 2 ? std::atoi(argv[2]) : 46;
  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  FixedJob job(percent >= 100 ? 1.0f : static_cast<float>(percent) / 100.0f);
  std::unique_ptr<CMixProssCtrl> dialog;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    dialog = std::make_unique<CMixProssCtrl>(&job);
    dialog->attach(shell.sheet);
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { dialog.reset(); };
  if (!shell.startUp()) return 1;
  for (int frame = 0; frame < 5; ++frame) shell.runFrame();
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  return 0;
}

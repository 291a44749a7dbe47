#include "app/ProcessEntry.h"

#include <unistd.h>

#include <climits>
#include <memory>

#include "app/AppLog.h"
#include "app/LaunchParams.h"
#include "app/ModulePaths.h"
#include "app/VokaranPlayerApp.h"
#include "guishell/LauncherEvents.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/LauncherLink.h"
#include "oscompat/MessageBox.h"
#include "oscompat/SingleInstance.h"

int runProcessEntry(const std::string& commandLine) {
  // 1. One instance: a second start brings the first one's window to the front and ends.
  oscompat::SingleInstance instance("Vokaran PK");
  if (!instance.acquire() && instance.askFirstInstanceToRaise()) return 0;

  // 2. The main window's name.
  Win32AppHelper::setApplicationName(L"Vokaran PK");

  // 3. Work in the installation folder; the previous folder comes back at the end.
  char previous[PATH_MAX] = {};
  const bool hadPrevious = getcwd(previous, sizeof(previous)) != nullptr;
  if (chdir(moduleDirectoryUtf8().c_str()) != 0)
    appLogError("chdir(" + moduleDirectoryUtf8() + ") failed");

  // 4. The application object.
  auto app = std::make_unique<VokaranPlayerApp>();
  VokaranPlayerApp::setInstance(app.get());

  // 5.-7. The launcher's parameters count only while the launcher is there.
  const bool launcher = oscompat::launcherLink().connect();
  app->setLauncherPresent(launcher);
  if (launcher) {
    LaunchParams params;
    if (!parseLaunchParams(params, commandLine)) {
      oscompat::messageBox(L"传递参数不完整，请重新启动", L"", oscompat::MB_OK);
      oscompat::launcherLink().close();
      app.release();  // left to the end of the process, as nothing of it was started
      return 0;
    }
    distributeLaunchParams(params, app->launchContext());
    guishell::startLauncherEvents();
  }

  // 8. The loop, then the way back.
  instance.listenForRaise([raw = app.get()] {
    appLog("another start of the module asked for the main window; raising it");
    raw->requestRaise();
  });
  CEGuiSample::installTerminationHandlers();
  const int result = app->run();
  instance.stopListening();
  oscompat::launcherLink().close();
  VokaranPlayerApp::setInstance(nullptr);
  app.reset();
  if (hadPrevious && chdir(previous) != 0) appLogError("restoring the working folder failed");
  return result;
}

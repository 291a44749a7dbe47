#include "guishell/LauncherEvents.h"

#include "guishell/PostQueue.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/LauncherLink.h"
#include "oscompat/Log.h"

namespace guishell {
namespace {

void postGlobal(const CEGUI::String& name, CEGUI::EventArgs* args) {
  PostedItem item;
  item.toGlobalSet = true;
  item.name = name;
  item.args.reset(args);
  postQueue().push(std::move(item));
}

// Launcher link reader thread.
void onFrame(const oscompat::LauncherFrame& frame) {
  using M = oscompat::LauncherMessage;
  switch (frame.type) {
    case M::ExitApp:
      postGlobal(Win32AppHelper::eventExitApp, new CEGUI::EventArgs);
      break;
    case M::PkExitApp:
      postGlobal(Win32AppHelper::eventPkExitApp, new CEGUI::EventArgs);
      break;
    case M::SettingAudioDevChange:
      postGlobal(Win32AppHelper::eventSettingAudioDevChange,
                 new LauncherDataEventArgs(frame.payload));
      break;
    case M::AudioDevChange:
      postGlobal(Win32AppHelper::eventAudioDevChange, new CEGUI::EventArgs);
      break;
    default:
      oscompat::log(oscompat::LogLevel::Warning,
                    "launcher link: unknown message " +
                        std::to_string(static_cast<unsigned>(frame.type)) + " ignored");
  }
}

}  // namespace

void startLauncherEvents() {
  auto& link = oscompat::launcherLink();
  if (!link.isConnected()) return;
  link.startReceiving(onFrame, [] {
    oscompat::log(oscompat::LogLevel::Info, "launcher link: the launcher closed the link");
  });
}

}  // namespace guishell

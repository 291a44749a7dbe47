#pragma once
// The shell's services for the application: its name, posting events to the GUI thread from
// any thread, messages to the launcher, and the names of the four events the shell raises for
// the launcher and the audio system.
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class UserInfor;

class Win32AppHelper {
 public:
  // Exit after confirmation (from the launcher).
  static const CEGUI::String eventExitApp;
  // Exit at once (from the launcher).
  static const CEGUI::String eventPkExitApp;
  // The launcher changed the audio devices; the arguments are LauncherDataEventArgs holding
  // the device choice record.
  static const CEGUI::String eventSettingAudioDevChange;
  // An audio device changed under the program.
  static const CEGUI::String eventAudioDevChange;

  // The main window's class name and caption.
  static void setApplicationName(const wchar_t* name);
  static std::wstring applicationName();

  // Any thread. Takes ownership of `args` (heap-allocated, never touched again by the caller);
  // the shell fires `name` on `target` later on the GUI thread, then deletes `args`.
  // Returns 1 when queued, 0 when target or args is null (args is then deleted).
  static int postEvent(CEGUI::EventSet* target, const CEGUI::String& name, CEGUI::EventArgs* args,
                       const CEGUI::String& eventNamespace);

  // Any thread except the GUI thread: runs `work` on the GUI thread and waits for it. Returns
  // false when the loop ended before it could run. Exceptions from `work` reach the caller.
  // On the GUI thread the work runs at once.
  static bool invokeOnGuiThread(const std::function<void()>& work);
  static bool isGuiThread();

  // Sends the user context to the launcher with a message code. The application supplies
  // the text form of its user record once (setUserInforEncoder).
  static bool sendMsgToApp(UserInfor& user, int code);
  static void setUserInforEncoder(std::function<std::string(const UserInfor&)> encoder);
};

// Arguments of launcher events that carry data (the device choice record).
class LauncherDataEventArgs : public CEGUI::EventArgs {
 public:
  explicit LauncherDataEventArgs(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}
  std::vector<uint8_t> data;
};

#include "guishell/Win32AppHelper.h"

#include <future>
#include <memory>
#include <mutex>

#include "guishell/PostQueue.h"
#include "guishell/ShellRuntime.h"
#include "oscompat/LauncherLink.h"

const CEGUI::String Win32AppHelper::eventExitApp("ShellExitApp");
const CEGUI::String Win32AppHelper::eventPkExitApp("ShellPkExitApp");
const CEGUI::String Win32AppHelper::eventSettingAudioDevChange("ShellSettingAudioDevChange");
const CEGUI::String Win32AppHelper::eventAudioDevChange("ShellAudioDevChange");

namespace {
std::mutex& helperMutex() {
  static std::mutex m;
  return m;
}
std::wstring& appName() {
  static std::wstring name;
  return name;
}
std::function<std::string(const UserInfor&)>& encoder() {
  static std::function<std::string(const UserInfor&)> e;
  return e;
}
}  // namespace

void Win32AppHelper::setApplicationName(const wchar_t* name) {
  std::lock_guard<std::mutex> lock(helperMutex());
  appName() = name ? name : L"";
}

std::wstring Win32AppHelper::applicationName() {
  std::lock_guard<std::mutex> lock(helperMutex());
  return appName();
}

int Win32AppHelper::postEvent(CEGUI::EventSet* target, const CEGUI::String& name,
                              CEGUI::EventArgs* args, const CEGUI::String& eventNamespace) {
  std::unique_ptr<CEGUI::EventArgs> owned(args);
  if (!target || !owned) return 0;
  guishell::PostedItem item;
  item.target = target;
  item.name = name;
  item.eventNamespace = eventNamespace;
  item.args = std::move(owned);
  guishell::postQueue().push(std::move(item));
  return 1;
}

bool Win32AppHelper::isGuiThread() { return guishell::ShellRuntime::isGuiThread(); }

bool Win32AppHelper::invokeOnGuiThread(const std::function<void()>& work) {
  if (isGuiThread()) {
    work();
    return true;
  }
  auto task = std::make_shared<std::packaged_task<void()>>(work);
  std::future<void> done = task->get_future();
  guishell::PostedItem item;
  item.work = [task] { (*task)(); };
  if (!guishell::postQueue().push(std::move(item))) return false;
  task.reset();  // the queue holds the only reference: dropping it unrun breaks the promise
  try {
    done.get();
  } catch (const std::future_error&) {
    return false;  // the loop ended and dropped the hand-over
  }
  return true;
}

bool Win32AppHelper::sendMsgToApp(UserInfor& user, int code) {
  std::function<std::string(const UserInfor&)> encode;
  {
    std::lock_guard<std::mutex> lock(helperMutex());
    encode = encoder();
  }
  if (!encode) return false;
  return oscompat::launcherLink().sendUserContext(code, encode(user));
}

void Win32AppHelper::setUserInforEncoder(std::function<std::string(const UserInfor&)> e) {
  std::lock_guard<std::mutex> lock(helperMutex());
  encoder() = std::move(e);
}

// The application's settings: the configuration read at construction, and the registry of
// sets loaded at the end of start-up and saved in the clean-up.
#include <CEGUI/CEGUI.h>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/ConfigSet.h"
#include "AppSet/KeyMap.h"
#include "AppSet/NameValueSet.h"
#include "AppSet/SetXml.h"
#include "AppSet/TunedCtrl.h"
#include "app/AppLog.h"
#include "app/ModulePaths.h"
#include "app/TextConvert.h"
#include "app/VokaranPlayerApp.h"

namespace {

std::wstring appSetsPath(const wchar_t* name) {
  return moduleDirectory() + L"/PKData/AppSets/" + name;
}

// Window sizes the shell can honour; anything else keeps its default size.
bool usableWindowSize(int width, int height) {
  return width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

}  // namespace

// Main thread, before the GUI exists: Config.xml decides the window.
void VokaranPlayerApp::loadConfiguration() {
  configSet_ = std::make_unique<CConfigSet>(appSetsPath(L"Config.xml"));
  if (!configSet_->LoadSets()) return;  // the shell's window settings stay
  ShellWindowSettings& window = windowSettings();
  window.windowed = !configSet_->fullScreen();
  if (!configSet_->hasWindowSize()) return;
  if (usableWindowSize(configSet_->windowWidth(), configSet_->windowHeight())) {
    window.width = configSet_->windowWidth();
    window.height = configSet_->windowHeight();
  } else {
    appLogError("Config.xml: the window size " + std::to_string(configSet_->windowWidth()) + " x " +
                std::to_string(configSet_->windowHeight()) + " is not usable; the default size stays");
  }
}

// Start-up thread. The sets read through the GUI system's XML parser, which the GUI thread
// uses meanwhile, so the loading runs there.
bool VokaranPlayerApp::loadSettings() {
  return onGui([this] {
    devSets_ = std::make_unique<CDevSets>(appSetsPath(L"device.xml"));
    userSet_ = std::make_unique<CUserSet>(appSetsPath(L"UserSet.xml"));
    keyMap_ = std::make_unique<CKeyMap>(appSetsPath(L"KEYMAP.xml"));
    setRegistry_.registerSet(L"AudioSets", &audioSet_);
    setRegistry_.registerSet(L"DevSets", devSets_.get());
    setRegistry_.registerSet(L"UserSet", userSet_.get());
    setRegistry_.registerSet(L"KeyMap", keyMap_.get());
    setRegistry_.registerSet(L"TunedInfo", tunedCtrl_.get());
    const int loaded = setRegistry_.loadAll();
    appLog("settings: " + std::to_string(loaded) + " of " +
           std::to_string(setRegistry_.sets().size()) + " settings files read");
    std::wstring autoHide;
    if (userSet_->getValue(L"AutoHidems", autoHide)) autoHideMs_ = xmlToInt(guiString(autoHide));
  });
}

// The application object: construction, the shell's two hooks and the operations other parts
// of the program call.
#include "app/VokaranPlayerApp.h"

#include <CEGUI/CEGUI.h>

#include <filesystem>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/ConfigSet.h"
#include "AppSet/KeyMap.h"
#include "AppSet/NameValueSet.h"
#include "AppSet/OCXManager.h"
#include "AppSet/TunedCtrl.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkInterfaceFactoryManager.h"
#include "PK/CMissonManager.h"
#include "app/CPlayCtrolBar.h"
#include "engine/CVokaPlayCtrol.h"
#include "RUR/elements/LayoutRegistry.h"
#include "Upload/CAlbumManager.h"
#include "Upload/CMixManager.h"
#include "RUR/elements/MenuXmlManager.h"
#include "app/AppLog.h"
#include "audio/CMicDelay.h"
#include "app/PracticeMenu.h"
#include "app/CInfoTipManager.h"
#include "app/IPageCtrl.h"
#include "app/LoadingInfo.h"
#include "app/ModulePaths.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "audio/AudioDeviceManager.h"
#include "audio/EngineDevices.h"
#include "audio/SystemAudio.h"
#include "guishell/ShellClock.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Display.h"
#include "oscompat/DynamicLibrary.h"
#include "widgets/WidgetRegistration.h"
#include "dialogs/CMessageBoxWnd.h"
#include "NetWork/CPay.h"
#include "app/CurrentUser.h"
#include "vokaran/Vokaran.h"

namespace {
VokaranPlayerApp* theApp = nullptr;
}

VokaranPlayerApp* VokaranPlayerApp::instance() { return theApp; }

void VokaranPlayerApp::setInstance(VokaranPlayerApp* app) { theApp = app; }

VokaranPlayerApp::VokaranPlayerApp() {
  setCurrentUserInfor(&launch_.user);
  // The launcher receives the user context as text.
  Win32AppHelper::setUserInforEncoder([](const UserInfor& user) { return user.toText(); });
  marquee_ = std::make_unique<CTitleMarquee>([this] { return marqueeSongs(); });
  // The tone records (registered with the network replies once the network facade exists).
  tunedCtrl_ = std::make_unique<TunedCtrl>(moduleDirectory() + L"/PKData/AppSets/TunedInfo.xml");
  audioSet_.setPath(moduleDirectory() + L"/PKData/AppSets/Audio.xml");
  audioSet_.setEngine(&engineAudio_);
  loadConfiguration();
  const std::string appSets = moduleDirectoryUtf8() + "/PKData/AppSets/";
  audioDevUse_ = std::make_unique<CAudioDevUseSet>(guiStringUtf8(appSets + "AudioDevUse.xml"));
  audioDevConfig_ = std::make_unique<CAudioDevConfigSet>(guiStringUtf8(appSets + "AudioDeviceConfig.xml"));
  engineDevices_ = std::make_unique<CEngineDevices>();
  deviceManager_ = std::make_unique<AudioDeviceManager>(*engineDevices_, moduleDirectory());
}

VokaranPlayerApp::~VokaranPlayerApp() {
  if (isStarted()) shutDown();
  if (startupThread_.joinable()) startupThread_.join();
  if (theApp == this) theApp = nullptr;
  if (currentUserInfor() == &launch_.user) setCurrentUserInfor(nullptr);
}

bool VokaranPlayerApp::initialiseApp() {
  startMs_ = guishell::SteadyClock().nowMs();
  auto& windows = CEGUI::WindowManager::getSingleton();
  try {
    registerWidgets();
    CEGUI::SchemeManager::getSingleton().createFromFile("TaharezLook.scheme");
    CEGUI::System::getSingleton().getDefaultGUIContext().setDefaultFont("MSYH_20");
    CEGUI::AnimationManager::getSingleton().loadAnimationsFromXML("Animation.xml");
    rootWindow_ = windows.loadLayoutFromFile("PK_AppRoot.layout");
    guiContext().setRootWindow(rootWindow_);
    initWindow_ = windows.loadLayoutFromFile("PK_AppInit.layout");
    rootWindow_->addChild(initWindow_);
    installGuiMessageBoxes(rootWindow_);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("initialiseApp: the GUI data files could not be loaded: ") + e.what());
    return false;
  }
  // The picture sets' default pictures are named relative to the installation folder.
  auto* resources = static_cast<CEGUI::DefaultResourceProvider*>(
      CEGUI::System::getSingleton().getResourceProvider());
  for (const char* group : {"HeadPicture", "ThemePicture"})
    resources->setResourceGroupDirectory(group, (moduleDirectoryUtf8() + "/").c_str());
  // The main window's cursor.
  setMainWindowCursor(moduleDirectoryUtf8() + "/datafiles/imagesets/cursor.cur");
  startupThread_ = std::thread([this] { startupThreadMain(); });
  return true;
}

void VokaranPlayerApp::requestQuit() { quit(true); }

void VokaranPlayerApp::showMainMenu(bool show) {
  if (!mainMenu_) return;
  // A contest song being sung keeps the bar hidden.
  mainMenu_->setVisible(show && !contestSinging());
}

void VokaranPlayerApp::showLoadingInfo(bool show) { ::showLoadingInfo(show); }

void VokaranPlayerApp::cleanupApp() {
  const std::string where = "cleanupApp";
  // A start-up thread still running finds the loop gone and ends; the waits it may be in are
  // released.
  closeMessageBoxes();
  menuReady_.set();
  if (startupThread_.joinable()) startupThread_.join();

  // 1. Title marquee and screen saver.
  if (marquee_) marquee_->stop();
  deviceCheckTimer_.KillTimer();
  if (screenSaverOff_) oscompat::setScreenSaverEnabled(true);
  // 2. Engine callbacks and playback.
  VokaSetCBFun(nullptr);
  VokaSetMixCBFun(nullptr);
  VokaStop();
  // 3. Practice menu file handling and the layout registry.
  practiceMenu_.reset();
  menuXml_.reset();
  layoutRegistry_.reset();
  // 4. The network facade and its factory registry. Releasing the library answers the
  // requests still open.
  if (auto* registry = NetworkInterfaceFactoryManager::getSingletonPtr()) {
    if (auto* net = NetworkInterface::getSingletonPtr()) {
      if (auto* factory = registry->getFactory(NetworkInterface::TypeName))
        factory->destroy(net);
      else
        delete net;
    }
    registry->removeAllFactories();
    delete registry;
  }
  // 5. The mission manager (it saves the sang list) and the play control bar.
  shutDownMissonManager();
  // 6. Every registered settings set is saved (none when start-up did not get that far, so
  // files that were never read are not overwritten with defaults).
  if (!setRegistry_.saveAll()) appLogError(where + ": not every settings file could be saved");
  setRegistry_.clear();
  // 7. The system audio component: the levels it had before the module set them.
  restoreSystemAudio();
  // 8. The component manager.
  if (ocxManager_) {
    ocxManager_->unregisterAll();
    ocxManager_.reset();
  }
  // 9. Settings sets and the mixing manager.
  devSets_.reset();
  userSet_.reset();
  configSet_.reset();
  keyMap_.reset();
  if (mixManager_) {
    mixManager_->terminate();
    mixManager_.reset();
  }
  // 10. The remaining records and singletons; open dialogs and pages go with their windows.
  for (auto& entry : dialogMap_) delete entry.second;
  dialogMap_.clear();
  // A delay measurement still running ends before the engine closes.
  micDelay_.reset();
  // A fee dialog still open ends as cancelled.
  pay_.reset();
  album_.reset();
  for (auto& entry : menuPageMap_) delete entry.second;
  menuPageMap_.clear();
  delete currentPage_;
  currentPage_ = nullptr;
  for (auto& c : connections_) c->disconnect();
  connections_.clear();
  tunedCtrl_.reset();
  songEvents_.reset();
  tips_.reset();
  oscompat::freeLibrary(micReplayLibrary_);
  VokaClose();
  micReplayLibrary_ = nullptr;
  cleanupDone_ = true;
  appLog("VokaranPlayerApp: cleanupApp done");
}

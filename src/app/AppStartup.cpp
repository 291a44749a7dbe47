// Start-up: the sequence on the start-up thread behind the progress bar, then the finishing
// steps on the GUI thread ("AppInitDone").
#include <CEGUI/CEGUI.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "AppSet/KeyMap.h"
#include "AppSet/OCXManager.h"
#include "NetWork/CPay.h"
#include "NetWork/NetTextConvert.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkInterfaceFactoryManager.h"
#include "PK/UnfinishedPerformances.h"
#include "Upload/CAlbumManager.h"
#include "Upload/CMixManager.h"
#include "catalog/CPKMainWnd.h"
#include "catalog/CatalogueLists.h"
#include "catalog/QueueLists.h"
#include "RUR/elements/LayoutRegistry.h"
#include "RUR/elements/MenuXmlManager.h"
#include "app/AppLog.h"
#include "audio/CMicDelay.h"
#include "app/PracticeMenu.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/ModulePaths.h"
#include "app/SafeFileName.h"
#include "app/SongIEventSet.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "guishell/ShellClock.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Display.h"
#include "oscompat/DynamicLibrary.h"
#include "oscompat/MessageBox.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"
#include "widgets/WidgetGallery.h"

// The window work of start-up runs on the GUI thread: the GUI library is not thread-safe, and
// the GUI thread is drawing the progress bar meanwhile. False when the loop has ended.
bool VokaranPlayerApp::onGui(const std::function<void()>& work) {
  try {
    return Win32AppHelper::invokeOnGuiThread(work);
  } catch (const std::exception& e) {
    appLogError(std::string("runStartup: a GUI step failed: ") + e.what());
    return false;
  }
}

void VokaranPlayerApp::setProgress(float value) {
  onGui([value] {
    if (auto* bar = dynamic_cast<CEGUI::ProgressBar*>(findWindow("AppInit/ProgressInit")))
      bar->setProgress(value);
  });
}

namespace {

// Start-up step 6: the network facade through its factory, then the user's session and the
// first requests about the user.
void connectNetwork(const LaunchContext& launch) {
  const std::string where = "runStartup";
  try {
    addNetworkInterfaceFactory<NetworkInterface>();
  } catch (const CEGUI::Exception& e) {
    appLogError(where + ": the network facade's factory was not registered: " + e.what());
  }
  auto* registry = NetworkInterfaceFactoryManager::getSingletonPtr();
  NetworkInterfaceFactory* factory = registry ? registry->getFactory(NetworkInterface::TypeName) : nullptr;
  NetworkInterface* net = factory ? factory->create() : nullptr;
  if (!net) {
    appLogError(where + ": no network facade; the module runs without the contest service");
    return;
  }
  net->SetClientId("6");
  const std::string session = narrowFromWide(launch.sessionId, 0);
  net->SetUploadSession(session);
  net->SetSession(session, launch.user.UserID);
  net->SetUserMail(launch.user.Mail);
  net->RequestUserInfo();
  net->RequestUserPermit(1, 0);
  net->RequestUserTone(1);
  const std::string folder = narrowFromWide(moduleDirectory(), 0);
  if (folder.empty())
    appLogError(where + ": the installation folder cannot be written in the system code page; "
                        "the upload record path is not set");
  else
    net->SetUploadRecordPath(folder + "/PKData/UploadRecord.xml");
}

}  // namespace

void VokaranPlayerApp::startupThreadMain() {
  const bool ok = runStartup();
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(),
                            ok ? EventNames::AppInitDone : EventNames::ExitSystem,
                            new CEGUI::EventArgs, "");
}

bool VokaranPlayerApp::runStartup() {
  const std::string where = "runStartup";
  // 1. The application's handlers.
  if (!onGui([this] { subscribeAppHandlers(); })) return false;

  // 2. The optional microphone replay library: loaded and resolved, never called.
  micReplayLibrary_ = oscompat::loadLibrary(moduleDirectoryUtf8() + "/VokaMicReplay.so");
  for (const char* name : {"MicIn_Start", "MicIn_Stop", "MicOut_Play", "MicOut_Stop", "MicSetVolume"})
    if (micReplayLibrary_ && !oscompat::findSymbol(micReplayLibrary_, name))
      appLog(where + ": VokaMicReplay has no " + name);

  // 3. (Component initialisation for this thread has no counterpart here.)
  // 4. The program-wide singletons, in their order.
  ocxManager_ = std::make_unique<OCXManager>(moduleDirectory() + L"/PKData/AppSets/ocx.xml");
  layoutRegistry_ = std::make_unique<CEGUI::LayoutRegistry>();
  menuXml_ = std::make_unique<CEGUI::MenuXmlManager>(*layoutRegistry_);
  if (!NetworkInterfaceFactoryManager::getSingletonPtr())
    new NetworkInterfaceFactoryManager;  // deleted by the clean-up
  mixManager_ = std::make_unique<CMixManager>();
  if (!onGui([this] {
        pay_ = std::make_unique<CPay>(launch_.user, launch_.urls.at(UrlTable::strData_CHONGZHI));
        album_ = std::make_unique<CAlbumManager>();
        createMissonManager();
        songEvents_ = std::make_unique<SongIEventSet>();
        tips_ = std::make_unique<CInfoTipManager>();
      }))
    return false;

  // 5. Components: the list is read through the GUI system's parser, the components are
  // registered here.
  if (!onGui([this] { ocxManager_->loadList(); })) return false;
  ocxManager_->registerAll();
  setProgress(0.1f);
  // 6. The network facade and the user's session.
  connectNetwork(launch_);
  setProgress(0.2f);
  // 7. The mission manager's events and sang list.
  if (!onGui([this] { connectMissonManager(); })) return false;
  setProgress(0.3f);
  // 8. The engine's song database.
  const std::wstring dataFile = moduleDirectory() + L"/PKData/RadeZuz76e.sdc";
  const int opened = VokaOpenW(dataFile.c_str());
  if (opened < 0) {
    appLogError(where + ": VokaOpenW failed with " + std::to_string(opened));
    oscompat::messageBox(L"VokaOpen() of Vokaran.dll not open file", L"Error",
                         oscompat::MB_OK | oscompat::MB_ICONWARNING);
    return false;
  }
  // 9. The engine callbacks: a finished song reaches the GUI thread as "SingOver".
  VokaSetCBFun([] {
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver,
                              new CEGUI::EventArgs, "");
  });
  VokaSetMixCBFun([] {});
  setProgress(0.4f);

  // 10. The main menu bar.
  if (!onGui([this] {
        mainMenu_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_MainMenu.layout");
        mainMenu_->hide();
        rootWindow_->addChild(mainMenu_);
      }))
    return false;
  // 11. The practice menu from the server's menu document: the version is asked for, and the
  // handler of its reply (or of the new document) lets start-up go on. The library answers
  // every request, failed ones included, so the wait ends.
  // The early read finds a damaged document before the network layer compares its version.
  if (menuXml_->menuFileExists()) menuXml_->loadMenu();
  if (auto* net = NetworkInterface::getSingletonPtr()) {
    net->RequestNetMenuVersion();
    menuReady_.wait();
    appLog(where + ": the menu version reply was handled");
  }
  // 12. The play-control bar.
  if (!onGui([this] { buildPlayCtrolBar(); })) return false;
  setProgress(0.5f);
  // 13. The device check: a one-shot timer that reads the device lists again and opens the
  // device selection dialog; started when start-up finds none of the chosen devices.
  if (!onGui([this] {
        connections_.push_back(deviceCheckTimer_.subscribeEvent(
            CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&VokaranPlayerApp::onDeviceCheck, this)));
      }))
    return false;
  setProgress(0.6f);
  // 14. Screen saver and the temporary folder.
  if (screenSaverOff_) onGui([] { oscompat::setScreenSaverEnabled(false); });
  std::error_code error;
  std::filesystem::create_directories(tempDirectoryUtf8(), error);
  if (error) appLogError(where + ": creating " + tempDirectoryUtf8() + " failed: " + error.message());
  for (const std::string& name : removeUnfinishedPerformances(tempDirectoryUtf8()))
    appLog(where + ": removed " + name + ", left by a song that never ended");
  setProgress(0.7f);
  // 15. Audio devices: the system mixer, the device files, the launcher's or the saved devices
  // and the chosen microphone's settings, applied to the engine; the delay measured for these
  // devices goes to the scoring before the first song.
  if (!onGui([this] {
        setUpAudioDevices();
        micDelay_ = std::make_unique<CMicDelay>(*audioDevConfig_, *audioDevUse_);
        micDelay_->applyStored();
      }))
    return false;
  setProgress(0.8f);
  // 16. Settings: the registry's sets, then the user's "AutoHidems".
  if (!loadSettings()) return false;
  readSingingPreview();
  setProgress(1.0f);
  return true;
}

bool VokaranPlayerApp::onAppInitDone(const CEGUI::EventArgs&) {
  if (startupThread_.joinable()) startupThread_.join();
  const std::string where = "onAppInitDone";
  // 1. The start-up window goes; the system cursor shows.
  if (initWindow_) {
    CEGUI::WindowManager::getSingleton().destroyWindow(initWindow_);
    initWindow_ = nullptr;
  }
  oscompat::showSystemCursor(true);
  // 2. The user's works file (the user id becomes part of its name).
  const std::wstring worksFile =
      moduleDirectory() + L"/PKData/" + safeFileNameComponent(launch_.user.UserID) + L".xml";
  if (album_) {
    album_->setWorksFilePath(worksFile);
    album_->setUser(launch_.user.UserID);
    album_->setResumeUploads(launch_.options.NorSet_Upload != 0);
    album_->reloadRecordings();
    album_->requestNetRecordings();
  }
  // 3. The title marquee.
  marquee_->start();
  marquee_->tick();
  // 4. Menu bar, title bar.
  wireMainMenu();
  // 5. Show the bar, activate it; the GUI library's own cursor stays hidden.
  showMainMenu(true);
  // The bar itself takes the keys: the first arrow key focuses its first enabled item.
  if (mainMenu_) {
    if (CEGUI::Window* bar = mainMenu_->getChildRecursive("Menubar"))
      bar->activate();
    else
      mainMenu_->activate();
  }
  guiContext().getMouseCursor().hide();
  // 6. The contest main window as the first page, and the square information. The GUI
  // thread does not wait for the square: its songs, pictures and "GetPKSquareInfo" arrive as
  // posted events, in that order, while the loading notice shows.
  currentPage_ = createContestHub(rootWindow_, launch_.user.UserID, launch_.urls.at(UrlTable::strPKRuleURL));
  // The start-up benchmark reads when the singer first sees the hub.
  // (A subscriber must not disconnect itself while the event runs it: it only stops logging.)
  if (CEGUI::Window* hub = currentPage_ ? currentPage_->pageWindow() : nullptr) {
    auto logged = std::make_shared<bool>(false);
    hubDrawn_ = hub->subscribeEvent(CEGUI::Window::EventRenderingEnded,
                                    CEGUI::Event::Subscriber([this, logged](const CEGUI::EventArgs&) {
                                      if (*logged) return false;
                                      *logged = true;
                                      appLog("VokaranPlayerApp: the contest hub's first frame was drawn " +
                                             std::to_string(guishell::SteadyClock().nowMs() - startMs_) +
                                             " ms after the start");
                                      return false;
                                    }));
  }
  queueSongsFromEnvironment();
  openListFromEnvironment();
  queueSingingPreview();
  if (auto* net = NetworkInterface::getSingletonPtr()) {
    showLoadingInfo(true);
    net->RequestSquareInfo();
  }
  // 7. Its menu item marks the section.
  if (auto* item = findWindow("MainMenu/Menubar/PK")) item->disable();
  currentMenuItem_ = "MainMenu/Menubar/PK";
  // Development: the widget gallery over the stage instead of the menus.
  if (const char* gallery = std::getenv("VOKARAN_GALLERY"); gallery && std::string(gallery) == "1") {
    showMainMenu(false);
    CEGUI::Window* page = createWidgetGallery();
    rootWindow_->addChild(page);
    focusWidgetGallery(page);
    appLog("VokaranPlayerApp: the widget gallery is open (VOKARAN_GALLERY=1)");
  }
  startDeviceCheckIfNeeded();
  startupDone_ = true;
  appLog("VokaranPlayerApp: AppInitDone, start-up finished in " +
         std::to_string(guishell::SteadyClock().nowMs() - startMs_) + " ms");
  return true;
}

// Development: VOKARAN_OPEN_LIST="songs|singers:KIND:SCOPE:KEYWORD" opens a catalogue list when
// start-up has finished, before the practice menu exists to open one.
void VokaranPlayerApp::openListFromEnvironment() {
  if (const char* search = std::getenv("VOKARAN_OPEN_SEARCH"); search && *search) {
    if (openSearchWindow(search)) appLog(std::string("opened the search ") + search + " (VOKARAN_OPEN_SEARCH)");
    else appLogError(std::string("VOKARAN_OPEN_SEARCH: not pinyin-songs, pinyin-singers, strokes, words or songbook: ") + search);
  }
  const char* request = std::getenv("VOKARAN_OPEN_LIST");
  if (!request || !*request) return;
  if (std::string(request) == "queue" || std::string(request) == "sang") {
    if (std::string(request) == "queue") openQueueList();
    else openSangList();
    appLog(std::string("opened the list ") + request + " (VOKARAN_OPEN_LIST)");
    return;
  }
  bool singers = false;
  CSearchInfo query;
  if (!parseListRequest(request, singers, query)) {
    appLogError(std::string("VOKARAN_OPEN_LIST: not songs|singers:KIND:SCOPE:KEYWORD: ") + request);
    return;
  }
  if (singers) openSingerList(query);
  else openSongList(query);
  appLog(std::string("opened the list ") + request + " (VOKARAN_OPEN_LIST)");
}

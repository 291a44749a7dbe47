#pragma once
// The one application object: creates and owns the program-wide managers, runs the start-up
// sequence on a worker thread behind a progress bar, wires the main menu bar, the title bar
// and the global keys, answers the application-level events, and tears everything down in a
// fixed order.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AppSet/AudioSet.h"
#include "AppSet/SetRegistry.h"
#include "app/EngineAudio.h"
#include "app/LaunchParams.h"
#include "app/TitleMarquee.h"
#include "guishell/CEGUITimer.h"
#include "guishell/CEGuiSample.h"
#include "oscompat/AutoResetEvent.h"

class AudioDeviceManager;
class CAlbumManager;
class CEngineDevices;
class CSystemAudio;
struct AudioDeviceChoice;
class CPay;
class CMixManager;
class CAudioDevConfigSet;
class CMissonManager;
class CPlayCtrolBar;
class CPKSelectToneWnd;
class CVokaPlayCtrol;
class CAudioDevUseSet;
class CAudioSetupModle;
class CMicDelay;
class CConfigSet;
class CDevSets;
class CInfoTipManager;
class CKeyMap;
class CUserSet;
class OCXManager;
class TunedCtrl;
class IPageCtrl;
class CPracticeMenu;
class SongIEventSet;
namespace CEGUI {
class EventArgs;
class LayoutRegistry;
class MenuXmlManager;
class Window;
}  // namespace CEGUI

class VokaranPlayerApp : public CEGuiSample {
 public:
  VokaranPlayerApp();
  ~VokaranPlayerApp() override;

  // The program-wide application pointer, published by the process entry.
  static VokaranPlayerApp* instance();
  static void setInstance(VokaranPlayerApp* app);

  // Ends the loop; the clean-up hook then runs.
  void requestQuit();
  // Shows the main menu bar when asked to and no contest song is being sung; hides it otherwise.
  void showMainMenu(bool show);
  // The sing queue (from start-up on) and the play control bar (from its step on).
  CMissonManager* missonManager() const { return missons_.get(); }
  CPlayCtrolBar* playCtrolBar() const { return playBar_.get(); }
  // Whether a contest song is being sung (playing or paused).
  bool contestSinging() const;
  // The bar's commands and the global stop key.
  void toggleGuideMelody();
  void cutSong();
  void reSing();
  void pauseOrResume();
  bool guideMelodyOn() const { return melodyOn_; }
  // The loading notice "AppRoot/LoadingInfo".
  void showLoadingInfo(bool show);
  // Opens the device selection dialog (once: a second call while it is open does nothing).
  // When it ends with a new choice, the devices change as for a launcher's choice and the
  // launcher hears of it.
  void openDeviceSelection();
  // The audio devices (from construction on).
  AudioDeviceManager* audioDeviceManager() const { return deviceManager_.get(); }

  UserInfor& userInfor() { return launch_.user; }
  UrlTable& urlTable() { return launch_.urls; }
  std::wstring& sessionId() { return launch_.sessionId; }
  AppOptions& appOptions() { return launch_.options; }
  LaunchDevices& launchDevices() { return launch_.devices; }
  LaunchContext& launchContext() { return launch_; }
  // Whether the launcher was there at start (its parameters were taken).
  void setLauncherPresent(bool present) { launcherPresent_ = present; }
  bool launcherPresent() const { return launcherPresent_; }

  IPageCtrl* currentPage() const { return currentPage_; }
  // The practice menu (its window exists once a menu reply has been handled).
  CPracticeMenu* practiceMenu() const { return practiceMenu_.get(); }
  // The user's works (from start-up on).
  CAlbumManager* album() const { return album_.get(); }
  const std::map<CEGUI::String, IPageCtrl*>& dialogs() const { return dialogMap_; }
  std::map<CEGUI::String, IPageCtrl*>& menuPages() { return menuPageMap_; }
  // The settings sets. The configuration, the audio device sets, the audio settings and the
  // tone records exist from construction; the others from the end of start-up.
  CAudioSet& audioSet() { return audioSet_; }
  CConfigSet* configSet() const { return configSet_.get(); }
  CAudioDevUseSet* audioDevUseSet() const { return audioDevUse_.get(); }
  CAudioDevConfigSet* audioDevConfigSet() const { return audioDevConfig_.get(); }
  // The measured microphone delay of the devices in use (null before the device settings
  // are read at start-up).
  CMicDelay* micDelay() const { return micDelay_.get(); }
  // The audio setup page while it is open (the play control bar's audio button opens it).
  CAudioSetupModle* audioSetupPage() const;
  TunedCtrl* tunedCtrl() const { return tunedCtrl_.get(); }
  CDevSets* devSets() const { return devSets_.get(); }
  CUserSet* userSet() const { return userSet_.get(); }
  CKeyMap* keyMap() const { return keyMap_.get(); }
  CSetRegistry& setRegistry() { return setRegistry_; }
  // "AutoHidems" of UserSet.xml (stored only).
  int autoHideMs() const { return autoHideMs_; }

  // The two tone values of the last "RecBackUserTone" reply.
  std::pair<int, int> lastUserTone() const { return lastUserTone_; }
  // The key choice open before the current song, or null.
  CPKSelectToneWnd* toneChoice() const { return toneWnd_; }

  // For tests and the log: how far start-up went.
  bool startupDone() const { return startupDone_; }
  bool cleanupDone() const { return cleanupDone_; }

 protected:
  bool initialiseApp() override;
  void cleanupApp() override;

 private:
  // Start-up thread.
  void startupThreadMain();
  bool runStartup();
  bool onGui(const std::function<void()>& work);
  void setProgress(float value);

  // GUI thread.
  void subscribeAppHandlers();
  bool onAppInitDone(const CEGUI::EventArgs& args);
  bool onExitSystem(const CEGUI::EventArgs& args);
  bool onNetError(const CEGUI::EventArgs& args);
  bool onNetErrorWnd(const CEGUI::EventArgs& args);
  bool onNetMenuReply(const CEGUI::EventArgs& args);
  bool onSquareInfo(const CEGUI::EventArgs& args);
  bool onUserSpecialInfo(const CEGUI::EventArgs& args);
  bool onUserPermit(const CEGUI::EventArgs& args);
  bool onUserTone(const CEGUI::EventArgs& args);
  bool onSongBookAddNotify(const CEGUI::EventArgs& args);
  bool onShellExitApp(const CEGUI::EventArgs& args);
  bool onShellPkExitApp(const CEGUI::EventArgs& args);
  bool onShellAudioDevChange(const CEGUI::EventArgs& args);
  bool onShellSettingAudioDevChange(const CEGUI::EventArgs& args);
  bool onGlobalKey(const CEGUI::EventArgs& args);
  // Audio devices (AppDevices.cpp).
  void setUpAudioDevices();
  void restoreSystemAudio();
  void applyDeviceChoice(const AudioDeviceChoice& choice, const char* from);
  bool onDeviceCheck(const CEGUI::EventArgs& args);
  void startDeviceCheckIfNeeded();

  void openExitConfirmation();
  void openQuitDialog(const CEGUI::String& name, IPageCtrl* page);
  void wireMainMenu();
  void rebuildPracticeMenu();
  void focusMainMenu();
  bool onMainMenuKey(const CEGUI::EventArgs& args);
  void onMainMenuItem(const CEGUI::String& item);
  void openWorksWindow();
  bool onOpenWorksWindow(const CEGUI::EventArgs& args);
  void switchSection(const CEGUI::String& item);
  void endMenuPages();
  void closeCurrentPage();
  void stopSinging();
  // Singing (AppSongPlay.cpp).
  void createMissonManager();
  void connectMissonManager();
  void buildPlayCtrolBar();
  void shutDownMissonManager();
  bool onSongStart(const CEGUI::EventArgs& args);
  bool onSongStop(const CEGUI::EventArgs& args);
  bool onSongInput(const CEGUI::EventArgs& args);
  // The song start after the key choice (0: the song's own key).
  void startSong(int toneChoice);
  void applyToneChoice(int choice);
  bool openToneChoice();
  // Closes an open key choice without starting its song; `now` frees it at once (clean-up,
  // when no event is handled any more). True when one was open.
  bool dropToneChoice(bool now);
  void showPlayTime();
  void openAudioSettings();
  MarqueeSongs marqueeSongs() const;
  void queueSongsFromEnvironment();
  void openListFromEnvironment();
  // The singing preview (AppSingingPreview.cpp).
  void readSingingPreview();
  void queueSingingPreview();
  bool singingPreviewActive() const;
  void previewSongStarting();
  void previewSongStarted();
  void previewSongEnded();
  void loadConfiguration();
  bool loadSettings();
  void subscribeGlobal(const CEGUI::String& name, bool (VokaranPlayerApp::*handler)(const CEGUI::EventArgs&));

  LaunchContext launch_;
  bool launcherPresent_ = false;

  CEGUI::Window* rootWindow_ = nullptr;
  CEGUI::Window* initWindow_ = nullptr;
  CEGUI::Window* mainMenu_ = nullptr;
  IPageCtrl* currentPage_ = nullptr;
  CEGUI::String currentMenuItem_;
  std::map<CEGUI::String, IPageCtrl*> dialogMap_;
  std::map<CEGUI::String, IPageCtrl*> menuPageMap_;

  std::unique_ptr<CTitleMarquee> marquee_;
  std::unique_ptr<CVokaPlayCtrol> playCtrol_;
  std::unique_ptr<CMissonManager> missons_;
  std::unique_ptr<CPlayCtrolBar> playBar_;
  CEGUITimer songTimer_;        // the running time, every second while a song plays
  CEGUITimer melodyInfoTimer_;  // hides the guide-melody notice
  bool melodyOn_ = true;
  int rememberedMelody_ = 0;
  std::vector<CEGUI::Event::Connection> songConnections_;  // the queue's song start and stop
  std::vector<CEGUI::Event::Connection> songInput_;        // while a song plays
  CPKSelectToneWnd* toneWnd_ = nullptr;  // the key choice before the current song
  CEGUI::Event::Connection toneEnd_;
  std::shared_ptr<const std::vector<unsigned char>> previewSong_;  // the preview's song file
  std::unique_ptr<SongIEventSet> songEvents_;
  std::unique_ptr<CInfoTipManager> tips_;
  // Settings (the registry refers to them; it owns none).
  std::unique_ptr<TunedCtrl> tunedCtrl_;
  CEngineAudio engineAudio_;
  std::unique_ptr<CEngineDevices> engineDevices_;
  std::unique_ptr<AudioDeviceManager> deviceManager_;
  std::unique_ptr<CSystemAudio> systemAudio_;
  CEGUITimer deviceCheckTimer_;   // one shot: the device lists again and the dialog
  bool deviceDialogAtStart_ = false;
  CAudioSet audioSet_;
  std::unique_ptr<CConfigSet> configSet_;
  std::unique_ptr<CAudioDevUseSet> audioDevUse_;
  std::unique_ptr<CAudioDevConfigSet> audioDevConfig_;
  std::unique_ptr<CMicDelay> micDelay_;
  std::unique_ptr<CDevSets> devSets_;
  std::unique_ptr<CUserSet> userSet_;
  std::unique_ptr<CKeyMap> keyMap_;
  CSetRegistry setRegistry_;
  std::unique_ptr<OCXManager> ocxManager_;
  std::unique_ptr<CPay> pay_;
  std::unique_ptr<CAlbumManager> album_;
  std::unique_ptr<CMixManager> mixManager_;
  std::unique_ptr<CEGUI::LayoutRegistry> layoutRegistry_;
  std::unique_ptr<CEGUI::MenuXmlManager> menuXml_;
  std::unique_ptr<CPracticeMenu> practiceMenu_;

  oscompat::AutoResetEvent menuReady_;
  std::thread startupThread_;
  std::vector<CEGUI::Event::Connection> connections_;
  CEGUI::Event::Connection hubDrawn_;  // the start-up benchmark's mark

  void* micReplayLibrary_ = nullptr;
  bool screenSaverOff_ = true;
  int autoHideMs_ = 10000;
  std::pair<int, int> lastUserTone_{0, 0};
  std::atomic<bool> startupDone_{false};
  bool cleanupDone_ = false;
  uint64_t startMs_ = 0;
};

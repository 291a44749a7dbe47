// The application's part in singing: the sing queue and the play control bar are set up at
// start-up; a song's start (after the key choice, when the launcher asks for one) and stop show
// and hide the bar; the bar's commands (time display, guide melody, cut, re-sing, pause) act on
// the engine and the queue. GUI thread.
#include <CEGUI/CEGUI.h>

#include <cstdlib>

#include "AppSet/ConfigSet.h"
#include "AppSet/KeyMap.h"
#include "PK/CMissonManager.h"
#include "PK/CMissonPk.h"
#include "PK/CPKSelectToneWnd.h"
#include "app/AppLog.h"
#include "audio/CAudioSetupModle.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "app/ModulePaths.h"
#include "app/CPlayCtrolBar.h"
#include "app/TextConvert.h"
#include "app/PracticeMenu.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/ShellEvents.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace {
constexpr unsigned kSongTimerMs = 1000;
constexpr unsigned kMelodyInfoMs = 2000;

std::wstring sangListPath() { return moduleDirectory() + L"/PKData/AppSets/SangSet.xml"; }

void resetSetting(CAudioSet& audio, const wchar_t* name) {
  if (Item* item = audio.getItem(name)) item->resetValue();
}
}  // namespace

bool VokaranPlayerApp::contestSinging() const {
  const CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  return m && m->GetType() == CMissonPk::kType &&
         (m->state == CBaseMisson::Playing || m->state == CBaseMisson::Paused);
}

// Start-up: the manager exists before the network facade, so nothing it asks for is lost.
void VokaranPlayerApp::createMissonManager() {
  playCtrol_ = std::make_unique<CVokaPlayCtrol>();
  missons_ = std::make_unique<CMissonManager>();
  missons_->setAudioSet(&audioSet_);
}

void VokaranPlayerApp::connectMissonManager() {
  songConnections_.push_back(missons_->subscribeEvent(
      CMissonManager::EventPlay, CEGUI::Event::Subscriber(&VokaranPlayerApp::onSongStart, this)));
  songConnections_.push_back(missons_->subscribeEvent(
      CMissonManager::EventStop, CEGUI::Event::Subscriber(&VokaranPlayerApp::onSongStop, this)));
  missons_->setSangMaxNum(configSet_ ? configSet_->sangMaxNum() : CMissonManager::kDefaultSangMax);
  missons_->LoadSang(sangListPath());
  songTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                              showPlayTime();
                              return true;
                            }));
  melodyInfoTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([](const CEGUI::EventArgs&) {
                                    if (CEGUI::Window* info = findWindow("AppRoot/MelodyInfo")) info->hide();
                                    return true;
                                  }));
}

void VokaranPlayerApp::buildPlayCtrolBar() {
  playBar_ = std::make_unique<CPlayCtrolBar>(rootWindow_);
  playBar_->onCut = [this] { cutSong(); };
  playBar_->onReplay = [this] { reSing(); };
  playBar_->onMelody = [this] { toggleGuideMelody(); };
  playBar_->onAudioSettings = [this] { openAudioSettings(); };
}

void VokaranPlayerApp::shutDownMissonManager() {
  // A key choice still open at exit starts nothing.
  dropToneChoice(true);
  songTimer_.KillTimer();
  melodyInfoTimer_.KillTimer();
  for (auto& c : songInput_) c->disconnect();
  songInput_.clear();
  for (auto& c : songConnections_) c->disconnect();
  songConnections_.clear();
  if (missons_ && startupDone_ && !missons_->SaveSang(sangListPath()))
    appLogError("cleanupApp: the sang list could not be saved");
  missons_.reset();
  // A song's silent video still being completed is finished before the module goes.
  if (!CMissonPk::finishCaptures(5000)) appLogError("cleanupApp: a silent video was not completed");
  playBar_.reset();
  playCtrol_.reset();
}

bool VokaranPlayerApp::onSongStart(const CEGUI::EventArgs&) {
  CBaseMisson* misson = missons_ ? missons_->current() : nullptr;
  if (!misson) return false;
  // A second start signal for the song whose key is being chosen asks nothing new.
  if (toneWnd_) return true;
  if (launch_.options.NorSet_SelTone && openToneChoice()) return true;
  startSong(CPKSelectToneWnd::None);
  return true;
}

// The key choice comes up over the sheet; the song starts when it ends, unless the song has
// gone meanwhile (cut, or another one current).
bool VokaranPlayerApp::openToneChoice() {
  auto* page = new CPKSelectToneWnd(lastUserTone_.second != 0);
  page->attach(rootWindow_);
  if (!page->loaded()) {
    appLogError("the key choice could not be shown; the song starts in its own key");
    page->endModal(0);
    delete page;
    return false;
  }
  toneWnd_ = page;
  const MissonKey key = missons_->current()->key;
  toneEnd_ = page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this, page, key](const CEGUI::EventArgs&) {
    // The connection goes with the page, freed after this handler.
    toneWnd_ = nullptr;
    IPageCtrl::freeLater(page);
    const CBaseMisson* m = missons_ ? missons_->current() : nullptr;
    if (m && m->key == key && m->state == CBaseMisson::Prepared)
      startSong(page->result() == 1 ? page->selection() : CPKSelectToneWnd::None);
    return true;
  }));
  return true;
}

bool VokaranPlayerApp::dropToneChoice(bool now) {
  CPKSelectToneWnd* page = toneWnd_;
  if (!page) return false;
  toneEnd_->disconnect();
  toneWnd_ = nullptr;
  page->endModal(0);
  if (now)
    delete page;
  else
    IPageCtrl::freeLater(page);
  return true;
}

void VokaranPlayerApp::applyToneChoice(int choice) {
  Item* key = audioSet_.getItem(L"KEY");
  switch (choice) {
    case CPKSelectToneWnd::MyTone: {
      // The engine fits the key to the singer's level (the level goes first).
      const int shift = VokaSetSingerLevel(lastUserTone_.second, lastUserTone_.first);
      if (key && !key->setValue(shift, true)) appLog("the fitted key " + std::to_string(shift) + " is out of range");
      if (tips_) tips_->showKeyShift(shift);
      break;
    }
    case CPKSelectToneWnd::MaleTone:
    case CPKSelectToneWnd::FemalTone:
      if (key) key->resetValue();
      VokaSetSingerType(choice == CPKSelectToneWnd::MaleTone ? 1 : 0);
      break;
    default:
      if (key) key->resetValue();
      break;
  }
  resetSetting(audioSet_, L"TEMPO");
}

void VokaranPlayerApp::startSong(int toneChoice) {
  CBaseMisson* misson = missons_ ? missons_->current() : nullptr;
  if (!misson) return;
  applyToneChoice(toneChoice);
  songTimer_.SetTimer(kSongTimerMs);
  if (mainMenu_) mainMenu_->hide();
  if (practiceMenu_) practiceMenu_->hide();
  if (playBar_) {
    playBar_->setTime(0, VokaGetTotalTime());
    playBar_->setMelodyOn(melodyOn_);
    // Over a page the singer is using (choosing the next songs) the bar waits for its end.
    if (!CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow()) playBar_->show();
  }
  for (auto& c : songInput_) c->disconnect();
  songInput_.clear();
  auto& system = CEGUI::System::getSingleton();
  for (const CEGUI::String* name : {&guishell::System_EventInjectKeyDown, &guishell::System_EventInjectMouseMove})
    songInput_.push_back(system.subscribeEvent(*name, CEGUI::Event::Subscriber(&VokaranPlayerApp::onSongInput, this)));
  songInput_.push_back(CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::DevChanged), CEGUI::Event::Subscriber([](const CEGUI::EventArgs&) {
        // A new device: the song goes on and the microphone is taken up again.
        if (VokaGetPlayState() == 2) VokaPausePlay();
        MicIn_Stop();
        MicIn_Start();
        MicOut_Stop();
        MicOut_Play();
        return false;
      })));
  previewSongStarting();
  misson->Play();
  previewSongStarted();
  if (tips_) tips_->showSongInfo(misson->song().SongName, misson->song().SingerName);
  appLog("song started: " + oscompat::utf8FromWide(misson->songId()));
}

bool VokaranPlayerApp::onSongStop(const CEGUI::EventArgs&) {
  songTimer_.KillTimer();
  for (auto& c : songInput_) c->disconnect();
  songInput_.clear();
  if (playBar_) playBar_->hide();
  const auto it = dialogMap_.find("AudioSetting");
  if (it != dialogMap_.end() && it->second) it->second->endModal(2);
  showMainMenu(true);
  // Back in the practice section, its menu returns unless one of its pages is still open.
  if (practiceMenu_ && currentMenuItem_ == "MainMenu/Menubar/Practice" && menuPageMap_.empty()) practiceMenu_->show();
  appLog("song stopped");
  previewSongEnded();
  return true;
}

bool VokaranPlayerApp::onSongInput(const CEGUI::EventArgs&) {
  // A page opened over the song (a list to choose the next songs from) keeps the keys: the bar
  // would take the focus from it.
  if (CEGUI::System::getSingleton().getDefaultGUIContext().getModalWindow()) return false;
  const CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  if (playBar_ && m && m->state != CBaseMisson::Paused && m->state != CBaseMisson::Idle) playBar_->show();
  return false;  // the input goes on to its window
}

void VokaranPlayerApp::showPlayTime() {
  if (playBar_) playBar_->setTime(VokaGetMidiTime() / VOKA_TICKS_PER_SECOND, VokaGetTotalTime());
}

void VokaranPlayerApp::toggleGuideMelody() {
  CEGUI::Window* info = findWindow("AppRoot/MelodyInfo");
  if (melodyOn_) {
    rememberedMelody_ = MidiGetMelodyVolume();
    MidiSetMelodyVolume(0);
    if (info) info->setText(guiString(L"主旋关闭"));
  } else {
    MidiSetMelodyVolume(rememberedMelody_);
    if (info) info->setText(guiString(L"主旋打开"));
  }
  melodyOn_ = !melodyOn_;
  if (info) info->show();
  melodyInfoTimer_.SetTimer(kMelodyInfoMs);
  if (playBar_) playBar_->setMelodyOn(melodyOn_);
}

void VokaranPlayerApp::cutSong() {
  if (CEGUI::Window* flag = findWindow("AppRoot/StateFlg"); flag && flag->isPropertyPresent("Image"))
    flag->setProperty("Image", "");
  if (dropToneChoice(false)) {
    // The song waited for its key and never started: the queue moves on.
    missons_->PlayNext();
    return;
  }
  CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  if (m && m->state != CBaseMisson::Idle) {
    VokaStop();
    if (playBar_) playBar_->hide();
  }
}

void VokaranPlayerApp::reSing() {
  CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  if (!m) return;
  if (auto* pk = dynamic_cast<CMissonPk*>(m)) pk->requestReplay();
  missons_->InsertFront(m->Clone());
  cutSong();
}

void VokaranPlayerApp::pauseOrResume() {
  CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  // Only a free song pauses; a contest song is sung through.
  if (!m || m->GetType() != 0) return;
  if (m->state == CBaseMisson::Paused) {
    m->Resume();
    m->state = CBaseMisson::Playing;
  } else if (m->state == CBaseMisson::Playing) {
    m->Pause();
  }
}

CAudioSetupModle* VokaranPlayerApp::audioSetupPage() const {
  const auto it = dialogMap_.find("AudioSetting");
  return it == dialogMap_.end() ? nullptr : dynamic_cast<CAudioSetupModle*>(it->second);
}

// The audio setup page over the song; the song's end closes it (onSongStop). What was changed
// is heard at once and saved when the page closes.
void VokaranPlayerApp::openAudioSettings() {
  if (dialogMap_.count("AudioSetting")) return;
  const CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  const auto* pk = dynamic_cast<const CMissonPk*>(m);
  const bool challenge = pk && pk->challenge && contestSinging();
  auto* page = new CAudioSetupModle(audioSet_, challenge, micDelay_.get());
  page->onChooseDevices = [this] { openDeviceSelection(); };
  page->attach(rootWindow_);
  if (!page->loaded()) {
    appLogError("the audio setup page could not be shown");
    page->endModal(0);
    delete page;
    return;
  }
  dialogMap_["AudioSetting"] = page;
  page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this, page](const CEGUI::EventArgs&) {
    dialogMap_.erase("AudioSetting");
    if (!audioSet_.SaveSets()) appLogError("the audio settings could not be saved");
    if (playBar_ && contestSinging()) playBar_->show();
    IPageCtrl::freeLater(page);
    return true;
  }));
}

void VokaranPlayerApp::stopSinging() {
  if (CEGUI::Window* flag = findWindow("AppRoot/StateFlg"); flag && flag->isPropertyPresent("Image"))
    flag->setProperty("Image", "");
  const CBaseMisson* m = missons_ ? missons_->current() : nullptr;
  if (dropToneChoice(false)) {
    missons_->PlayNext();  // the song never started
  } else if (m && m->GetType() == CMissonPk::kType && m->state != CBaseMisson::Idle) {
    VokaStop();
    if (playBar_) playBar_->hide();
  }
  if (tips_) tips_->closeAllTips();
}

MarqueeSongs VokaranPlayerApp::marqueeSongs() const {
  MarqueeSongs songs;
  if (!missons_) return songs;
  const CBaseMisson* m = missons_->current();
  if (m && m->GetType() == CMissonPk::kType) songs.current = m->song().SongName;
  for (const auto& w : missons_->waiting()) songs.queued.push_back(w->song().SongName);
  return songs;
}

// Development: VOKARAN_QUEUE_SONGS="id[:name],..." queues contest songs when start-up has
// finished, before any catalogue page exists to choose them from.
void VokaranPlayerApp::queueSongsFromEnvironment() {
  const char* list = std::getenv("VOKARAN_QUEUE_SONGS");
  if (!list || !*list || !missons_) return;
  std::string rest = list;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string item = rest.substr(0, comma);
    rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    if (item.empty()) continue;
    const std::size_t colon = item.find(':');
    SongRecord song;
    song.SongID = oscompat::wideFromUtf8(item.substr(0, colon));
    song.SongName = oscompat::wideFromUtf8(colon == std::string::npos ? item : item.substr(colon + 1));
    missons_->Add(new CMissonPk(song));
    appLog("queued " + item + " (VOKARAN_QUEUE_SONGS)");
  }
}

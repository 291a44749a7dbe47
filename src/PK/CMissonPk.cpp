#include "PK/CMissonPk.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "AppSet/AudioSet.h"
#include "NetWork/CPay.h"
#include "NetWork/NetworkInterface.h"
#include "PK/CMissonManager.h"
#include "PK/PKScoreWnd.h"
#include "PK/grade/CGradeModule.h"
#include "PK/grade/PKScorePresent.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/ModulePaths.h"
#include "avmedia/FilterGraph.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"
#include "app/WindowPath.h"

namespace {
void fireGlobal(const CEGUI::String& name) {
  CEGUI::EventArgs args;
  CEGUI::GlobalEventSet::getSingleton().fireEvent(name, args, "");
}

Item* melodySetting() {
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  CAudioSet* audio = manager ? manager->audioSet() : nullptr;
  return audio ? audio->getItem(L"MELODY") : nullptr;
}

bool fileExists(const std::wstring& path) {
  std::error_code error;
  return std::filesystem::exists(oscompat::utf8FromWide(path), error);
}
}  // namespace

CMissonPk::CMissonPk(const SongRecord& song) : CBaseMisson(song) {
  files.defaultVideoPath = defaultMusicVideoPath();
  feeConnection_ = timer_.subscribeEvent(CEGUITimer::EventTimer,
                                         CEGUI::Event::Subscriber(&CMissonPk::onFeeTimer, this));
}

CMissonPk::~CMissonPk() {
  // A score window still open goes first: the GUI gets its modal target back and nothing
  // reaches this mission any more.
  while (!pages.empty()) dropPage(pages.begin()->first, false);
  disconnectFeeEvents();
  feeConnection_->disconnect();
  timer_.KillTimer();
  stopCapture();
  stopSingingScreen();
  restoreContestBackground();
}

namespace {
}  // namespace

// The lyrics and melody windows and the grade display come up with the song; the engine's
// contest mode, microphone and recording are switched by the caller around this.
void CMissonPk::startSingingScreen() {
  grade_ = std::make_unique<CGradeModule>();
  CEGUI::Window* sheet = guiSheet();
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  if (!sheet || !manager) return;
  // A damaged data file costs the screen its windows, never the song.
  try {
    lyricsView_.Create(sheet, manager->lyrics());
    grade_->Build(sheet);
    sheet->activate();
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CMissonPk: the singing screen could not be built: ") + e.what());
  }
}

void CMissonPk::stopSingingScreen() {
  lyricsView_.Stop();
  if (grade_) grade_->Stop();
}

CBaseMisson* CMissonPk::Clone() const {
  auto* copy = new CMissonPk(song());
  copy->copyIdentityFrom(*this);
  copy->challenge = challenge;
  copy->contestSong = contestSong;
  copy->paid = paid;
  return copy;
}

int CMissonPk::Prepare() {
  state = Prepared;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  files = makePerformanceFiles(tempDirectory(), songId(), local, fileExists);
  subscribeFeeEvents();
  return 0;
}

int CMissonPk::Play() {
  state = Playing;
  replayRequested = 0;
  recordingIncomplete_ = false;
  timer_.SetTimer(kFeePeriodMs);
  // The user's rights and record are refreshed for every song.
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) {
    net->RequestUserPermit(1, 0);
    net->RequestUserInfo();
  }
  if (challenge) fireGlobal(EventNames::ChallengeBegin);
  showContestBackground();
  const int melody = challenge ? kMelodyChallenge : kMelodyNormal;
  MidiSetMelodyVolume(melody);
  if (Item* setting = melodySetting()) {
    savedMelodyVolume_ = setting->value();
    setting->setValue(melody, true);
  }
  if (CMissonManager* manager = CMissonManager::getSingletonPtr()) manager->ReloadLyrics();
  startSingingScreen();
  VokaSetPKMode(1);
  VokaSetEvaluating(1);
  if (MicIn_Start() < 0)
    appLogError("CMissonPk: no microphone; " + oscompat::utf8FromWide(songId()) + " is sung without a voice");
  MicOut_Play();
  lyricsView_.Start();
  grade_->setNoteData(&lyricsView_.notes());
  if (lyricsView_.hasRange()) grade_->setPitchRange(lyricsView_.notes().low(0), lyricsView_.notes().high(0));
  grade_->Start();
  SetRecNames(files.voicePath.c_str(), files.musicPath.c_str());
  if (StartRecording() < 0)
    appLogError("CMissonPk: recording could not start for " + oscompat::utf8FromWide(files.baseName));
  CVokaPlayCtrol* play = CVokaPlayCtrol::getSingletonPtr();
  if (!play || !play->Play()) {
    // The engine reports no end for a song that never started: the mission ends through the
    // same path as any other song.
    appLogError("CMissonPk: the song " + oscompat::utf8FromWide(songId()) + " did not start");
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver,
                              new CEGUI::EventArgs, "");
    return 1;
  }
  startCapture();
  // The sing is paid once it has started: a song that never starts costs nothing.
  requestFee();
  return 0;
}

void CMissonPk::stopEngineWork() {
  // A recording that could not be written to its end (a full disk) keeps what was written.
  if (StopRecording() == VOKA_ERR_IO) {
    recordingIncomplete_ = true;
    appLogError("CMissonPk: the recording of " + oscompat::utf8FromWide(files.baseName) + " is incomplete");
  }
  MicIn_Stop();
  MicOut_Stop();
  VokaSetEvaluating(0);
  VokaSetPKMode(0);
}

int CMissonPk::End() {
  state = Idle;
  timer_.KillTimer();
  disconnectFeeEvents();
  if (challenge) fireGlobal(EventNames::ChallengeEnd);
  restoreContestBackground();
  if (captureFailed()) recordingIncomplete_ = true;
  stopCapture();
  stopSingingScreen();
  stopEngineWork();
  if (Item* setting = melodySetting(); setting && savedMelodyVolume_ >= 0)
    setting->setValue(savedMelodyVolume_, true);
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  if (manager && !manager->SaveLyrics(files.lyricPath))
    appLogError("CMissonPk: the lyrics were not saved to " + oscompat::utf8FromWide(files.lyricPath));
  if (grade_) {
    scores.pitch = grade_->presenter().pitchTotal();
    scores.emotion = grade_->presenter().expressionTotal();
    scores.tempo = grade_->presenter().rhythmTotal();
    scores.bonus = grade_->bonusPoints();
    // Its windows go with it: the next song builds its own.
    grade_.reset();
  }
  scores.fullScore = VokaPKGetWordCount() * 30;
  scores.engineTotal = VokaPKGetTotalScore();
  recordedSeconds = GetRecMixPlayTotalTimeW(files.voicePath.c_str(), files.musicPath.c_str());
  if (recordedSeconds <= 0) showScore = false;
  else fillWorks();
  keepRank();
  appLog("CMissonPk: " + oscompat::utf8FromWide(songId()) + " ended: total " +
         std::to_string(scores.engineTotal) + ", " + std::to_string(scores.fullScore / 30) +
         " words scored, " + std::to_string(recordedSeconds > 0 ? recordedSeconds : 0) + " s recorded");
  if (replayRequested) {
    // Sung again at once: the re-sing command queued a clone in front.
    dropPage(kScorePage, true);
    if (manager) manager->PlayNext();
  } else if (showScore) {
    openScoreWindow();
  } else if (manager) {
    // Nothing was recorded: there is nothing to show, the queue moves on.
    manager->PlayNext();
  }
  return 0;
}

void CMissonPk::fillWorks() {
  works = UploadItem{};
  works.Key = files.baseName;
  works.Song = song().SongName;
  works.Singer = song().SingerName;
  works.SongID = songId();
  works.SingerID = song().SingerKey;
  works.UploadFile = files.videoPath;
  works.LyricFile = files.lyricPath;
  works.MusicPcmFile = files.musicPath;
  works.VoicePcmFile = files.voicePath;
  works.SoundlessVideoFile = files.silentVideoPath;
  works.MixedAudioFile = files.wavePath;
  works.RecordTime = files.dateText;
  works.PitchScore = scores.pitch;
  works.BeatScore = scores.tempo;
  works.EmotionScore = scores.emotion;
  works.TotalScore = scores.engineTotal;
  works.Type = contestSong ? 1 : 0;
  works.incomplete = recordingIncomplete_;
  // The delay the contest scoring used for this performance is the work's.
  works.MicDelay = std::max(0, VokaGetMicDelay());
}

void CMissonPk::openScoreWindow() {
  dropPage(kScorePage, true);
  auto* page = new PKScoreWnd;
  page->setScores(scores);
  page->setWorks(works);
  pages[kScorePage] = page;
  scoreEndConnection_ = page->subscribeEvent(
      EventNames::EndModal, CEGUI::Event::Subscriber(&CMissonPk::onScoreWindowEnded, this));
  page->attach(guiSheet());
  if (!page->pageWindow()) {
    // Without its layout the window cannot be left by the singer: the queue must not wait.
    appLogError("CMissonPk: the score window could not be shown");
    dropPage(kScorePage, true);
    if (CMissonManager* manager = CMissonManager::getSingletonPtr()) manager->PlayNext();
  }
}

bool CMissonPk::onScoreWindowEnded(const CEGUI::EventArgs&) {
  // Inside the page's own handler: it is deleted once that has returned.
  dropPage(kScorePage, true);
  if (CMissonManager* manager = CMissonManager::getSingletonPtr()) manager->PlayNext();
  return true;
}

void CMissonPk::dropPage(const CEGUI::String& name, bool deferDelete) {
  auto it = pages.find(name);
  if (it == pages.end()) return;
  IPageCtrl* page = it->second;
  pages.erase(it);
  // A page freed later keeps its subscription until it goes (this may run inside that very
  // handler, which a disconnect would destroy while it runs); one deleted now loses it first.
  if (!deferDelete && name == kScorePage && scoreEndConnection_.isValid()) scoreEndConnection_->disconnect();
  if (page->pageWindow()) page->endModal(1);
  if (deferDelete) IPageCtrl::freeLater(page);
  else delete page;
}

int CMissonPk::Pause() {
  state = Paused;
  const int play = VokaGetPlayState();
  if (play == 1) {
    VokaPauseStop();
    StopRecording();
    return 0;
  }
  return play == 2 ? 0 : 1;
}

int CMissonPk::Resume() {
  const int play = VokaGetPlayState();
  if (play == 1) return 0;
  if (play == 2) {
    // The recording goes on before the song does: a block rendered in between would be heard
    // and scored but missing from the recording.
    VokaSetRecording(0);
    VokaPausePlay();
    return 0;
  }
  return 1;
}

// The song from its start, with a fresh recording and grading; the song end of the stopped
// song is not this performance's end (the manager ignores a song end while the engine plays).
int CMissonPk::Restart() {
  VokaStop();
  timer_.KillTimer();
  restoreContestBackground();
  stopCapture();
  stopSingingScreen();
  grade_.reset();
  stopEngineWork();
  if (Item* setting = melodySetting(); setting && savedMelodyVolume_ >= 0)
    setting->setValue(savedMelodyVolume_, true);
  return Play();
}

// Each ten minutes of singing beyond the first cost one more sing (a song that long is rare).
bool CMissonPk::onFeeTimer(const CEGUI::EventArgs&) {
  requestFee();
  return true;
}

void CMissonPk::requestFee() {
  if (!paid) return;
  CPay* pay = CPay::getSingletonPtr();
  if (!pay) {
    appLog("CMissonPk: no payment object; the sing of " + oscompat::utf8FromWide(songId()) + " is not charged");
    return;
  }
  pay->charge(ChargeFeeinParam(ChargeFeeinParam::kSing, songId(), song().SongName));
}

void CMissonPk::subscribeFeeEvents() {
  disconnectFeeEvents();
  CPay* pay = CPay::getSingletonPtr();
  if (!pay) return;
  auto on = [&](const CEGUI::String& name, bool (CMissonPk::*handler)(const CEGUI::EventArgs&)) {
    feeEvents_.push_back(pay->subscribeEvent(name, CEGUI::Event::Subscriber(handler, this)));
  };
  on(CPay::EventChargeTipOpen, &CMissonPk::onFeeDialogOpen);
  on(CPay::EventReChargeOpen, &CMissonPk::onFeeDialogOpen);
  on(CPay::EventChargeConfirm, &CMissonPk::onFeePaid);
  // Charged without a dialog: after a finished recharge the song paused for it goes on.
  on(CPay::EventCharged, &CMissonPk::onFeePaid);
  on(CPay::EventChargeCancel, &CMissonPk::onFeeRefused);
}

// At the end of the performance: a fee dialog still open closes as cancelled, so nothing is
// charged for a song that is over.
void CMissonPk::disconnectFeeEvents() {
  for (auto& c : feeEvents_) c->disconnect();
  feeEvents_.clear();
  if (feeDialogOpen_) {
    feeDialogOpen_ = false;
    if (CPay* pay = CPay::getSingletonPtr()) pay->withdraw();
  }
}

bool CMissonPk::onFeeDialogOpen(const CEGUI::EventArgs&) {
  feeDialogOpen_ = true;
  if (state == Playing || state == Paused) Pause();
  return true;
}

bool CMissonPk::onFeePaid(const CEGUI::EventArgs&) {
  if (!feeDialogOpen_) return true;
  feeDialogOpen_ = false;
  if (state == Paused) {
    Resume();
    state = Playing;
  }
  return true;
}

bool CMissonPk::onFeeRefused(const CEGUI::EventArgs&) {
  if (!feeDialogOpen_) return true;
  feeDialogOpen_ = false;
  // The song ends through the song-end path, with its recording and score so far.
  if (state != Idle) VokaStop();
  return true;
}

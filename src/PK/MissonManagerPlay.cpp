// The sing queue in motion: the next mission is prepared, its song file is made available and
// opened in the engine, and the end of the song ends the mission.
#include <CEGUI/GlobalEventSet.h>

#include "PK/CMissonManager.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/LoadingInfo.h"
#include "engine/CCacheMicData.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"
#include "oscompat/VideoInput.h"
#include "vokaran/Vokaran.h"

namespace {
constexpr unsigned kLoadFailedMs = 3000;
}

bool CMissonManager::isMixIdle() { return GetRecMixState() == 0; }

void CMissonManager::releaseSong(const CBaseMisson& misson) { cache_->Release(misson.songId()); }

void CMissonManager::finishCurrent(std::unique_ptr<SangRecord>& sang) {
  if (!current_) return;
  sang = std::make_unique<SangRecord>();
  sang->song = current_->song();
  sang->type = current_->GetType();
  sang->key = current_->key;
  // Its use of the song file ends here (the file stays cached until room is needed).
  releaseSong(*current_);
  retired_ = std::move(current_);
}

void CMissonManager::PlayNext() {
  loadTimeout_.KillTimer();
  std::unique_ptr<SangRecord> sang;
  finishCurrent(sang);
  if (!waiting_.empty()) {
    current_ = std::move(waiting_.front());
    waiting_.erase(waiting_.begin());
    fire(EventMissonChange);
  }
  if (sang) {
    sang_.insert(sang_.begin(), std::move(sang));
    trimSang();
    fire(EventSangChange);
  }
  if (current_) startCurrent();
}

void CMissonManager::startCurrent() {
  if (current_->videoMode == 2 && !oscompat::hasVideoInputDevice()) current_->videoMode = 1;
  current_->Prepare();
  showLoadingInfo(true);
  const std::wstring& id = current_->songId();
  CTaskMicDown* task = cache_->Find(id);
  if (!task || !task->isDone()) {
    // Not here yet: "MicDownloaded" brings it. A song without any task (its file was given
    // up when room was needed) is asked for again.
    if (!task && cache_->DownloadNow(id) == 0) cache_->Request(id, true);
    loadTimeout_.SetTimer(kLoadTimeoutMs);
    return;
  }
  showLoadingInfo(false);
  if (task->checkSumTest()) {
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::MicDownloaded,
                              new TaskEventarges(*task), "");
    loadTimeout_.SetTimer(kLoadTimeoutMs);
  } else {
    loadFailed();
  }
}

// The song cannot be sung: the user is told and the queue moves on.
void CMissonManager::loadFailed() {
  loadTimeout_.KillTimer();
  showLoadingInfo(false);
  if (current_)
    appLogError("CMissonManager: the song " + oscompat::utf8FromWide(current_->songId()) +
                " could not be loaded");
  if (auto* tips = CInfoTipManager::getSingletonPtr())
    tips->showStandardNotice(L"歌曲加载失败", L"LoadSongFail", kLoadFailedMs);
  PlayNext();
}

bool CMissonManager::onMicDownloaded(const CEGUI::EventArgs& args) {
  const auto& data = static_cast<const TaskEventarges&>(args);
  if (!current_ || current_->state != CBaseMisson::Prepared || data.songId != current_->songId())
    return false;
  loadTimeout_.KillTimer();
  showLoadingInfo(false);
  if (!data.checkSumTest()) {
    loadFailed();
    return true;
  }
  CVokaPlayCtrol* play = CVokaPlayCtrol::getSingletonPtr();
  if (!play || !play->OpenLyrics(data.bytes)) {
    loadFailed();
    return true;
  }
  fire(EventPlay);
  return true;
}

bool CMissonManager::onSingOver(const CEGUI::EventArgs&) {
  // Only a mission that is singing can end; a stale signal must not end one being prepared.
  if (!current_ || (current_->state != CBaseMisson::Playing && current_->state != CBaseMisson::Paused))
    return false;
  // A song end that arrives while the engine plays belongs to an earlier song (one stopped to be
  // sung again, or a song end reported twice): the song now playing goes on.
  if (VokaGetPlayState() != 0) return false;
  // End may already start the next mission; EventStop is about the one that ended.
  current_->End();
  fire(EventStop);
  return true;
}

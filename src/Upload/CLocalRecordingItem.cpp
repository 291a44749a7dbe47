#include "Upload/CLocalRecordingItem.h"

#include <CEGUI/CEGUI.h>

#include "Upload/CAlbumManager.h"
#include "Upload/CPKPlaybackWnd.h"
#include "Upload/PlaybackSource.h"
#include "Upload/UploadItem.h"
#include "Upload/WorkRemoval.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "oscompat/Utf.h"
#include "app/WindowPath.h"

const CEGUI::String CLocalRecordingItem::EventMix("EventMix");
const CEGUI::String CLocalRecordingItem::kLayout("PK_LocalRecordingItem.layout");

namespace {
// One prefix per row, process-wide, so that rows of several lists never share a name.
int itemCounter = 0;

const char* const kChildren[] = {"PKFlg", "Song", "RecordTime", "Play", "Share", "Delete", "Progress"};
const std::string kPlayBack = "PlayBack";

}  // namespace

CLocalRecordingItem::CLocalRecordingItem(CEGUI::Window* parent, int row) {
  const std::string prefix = std::to_string(++itemCounter);
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CLocalRecordingItem: the layout was not loaded: ") + e.getMessage().c_str());
    return;
  }
  root_->setName(CEGUI::String(prefix.c_str()) + root_->getName());
  root_->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(row / 6.0f, 0), CEGUI::UDim(1, 0),
                              CEGUI::UDim((row + 1) / 6.0f, 0)));
  if (parent) parent->addChild(root_);
  if (CEGUI::Window* time = child("RecordTime")) recordTimeArea_ = time->getArea();
  if (CEGUI::Window* share = child("Share"))
    buttonConnections_.push_back(share->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CLocalRecordingItem::onShare, this)));
  if (CEGUI::Window* del = child("Delete"))
    buttonConnections_.push_back(del->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CLocalRecordingItem::onDelete, this)));
  if (CEGUI::Window* play = child("Play"))
    buttonConnections_.push_back(play->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CLocalRecordingItem::onPlay, this)));
  clear();
}

CLocalRecordingItem::~CLocalRecordingItem() {
  dropPlayback(false);
  disconnectWork();
  for (auto& c : buttonConnections_) c->disconnect();
  if (root_) CEGUI::WindowManager::getSingleton().destroyWindow(root_);
}

CEGUI::Window* CLocalRecordingItem::child(const CEGUI::String& name) const {
  return root_ && root_->isChild(name) ? root_->getChild(name) : nullptr;
}

void CLocalRecordingItem::setShareImages(bool pause) {
  CEGUI::Window* share = child("Share");
  if (!share) return;
  const CEGUI::String face = pause ? "PK0/PauseEllipse_" : "PK0/UpLoadEllipse_";
  share->setProperty("NormalImage", face + "Normal");
  share->setProperty("HoverImage", face + "Hover");
  share->setProperty("PushedImage", face + "Down");
}

void CLocalRecordingItem::showWork(UploadItem* work) {
  clear();
  if (!work || !root_) return;
  work_ = work;
  key_ = work->Key;
  if (work->Type == 1) child("PKFlg")->show();
  auto* bar = static_cast<CEGUI::ProgressBar*>(child("Progress"));
  bar->show();
  child("Song")->setText(guiString(work->Song));
  child("RecordTime")->setText(guiString(work->RecordTime));
  if (work->DataPacketTotal != 0 && work->SentDataPacket != 0) {
    const float progress = static_cast<float>(work->SentDataPacket) / static_cast<float>(work->DataPacketTotal);
    bar->setProgress(progress);
    bar->setText(CEGUI::PropertyHelper<int>::toString(static_cast<int>(progress * 100.0f)) + "%");
  }
  for (const char* name : {"Song", "RecordTime", "Play"}) child(name)->show();
  // A work whose recordings were removed (a cleaned Temp folder) cannot be played back; when it
  // was not mixed either, it cannot be shared: the row says so and leaves Delete.
  const bool recorded = recordingsExist(playbackSourceOf(*work));
  child("Play")->setEnabled(recorded);
  const bool shareable = recorded || work->Mixed == 1;
  child("Share")->setEnabled(shareable);
  if (!shareable) {
    // The upload bar has nothing to show: the date and the reason take its place.
    bar->hide();
    CEGUI::Window* time = child("RecordTime");
    const CEGUI::URect barArea = bar->getArea();
    time->setArea(CEGUI::URect(recordTimeArea_.d_min, CEGUI::UVector2(barArea.d_max.d_x, recordTimeArea_.d_max.d_y)));
    time->setText(guiString(work->RecordTime + L"　录音已不存在"));
  }
  switch (work->UploadState) {
    case 1:
      setShareImages(true);
      showingUpload_ = true;
      break;
    case 0:
    case 2:
      setShareImages(false);
      showingUpload_ = false;
      break;
    default:  // 3: the file is on the server; the button keeps what it had
      break;
  }
  child("Share")->show();
  child("Delete")->show();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) {
    const CEGUI::String key = guiString(key_);
    keyedEvents_ = {"UploadPause" + key, "UploadBegin" + key};
    workConnections_.push_back(album->subscribeEvent(keyedEvents_[0], CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
      setShareImages(false);
      showingUpload_ = false;
      return false;
    })));
    workConnections_.push_back(album->subscribeEvent(keyedEvents_[1], CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
      setShareImages(true);
      showingUpload_ = true;
      return false;
    })));
  }
}

void CLocalRecordingItem::disconnectWork() {
  for (auto& c : workConnections_) c->disconnect();
  workConnections_.clear();
  // The keyed events exist for the rows only: they go with the row's interest in them.
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr())
    for (const CEGUI::String& name : keyedEvents_) album->removeEvent(name);
  keyedEvents_.clear();
}

void CLocalRecordingItem::clear() {
  disconnectWork();
  work_ = nullptr;
  key_.clear();
  showingUpload_ = false;
  if (!root_) return;
  for (const char* name : kChildren)
    if (CEGUI::Window* w = child(name)) w->hide();
  if (CEGUI::Window* time = child("RecordTime")) time->setArea(recordTimeArea_);
  if (auto* bar = dynamic_cast<CEGUI::ProgressBar*>(child("Progress"))) {
    bar->setProgress(0.0f);
    bar->setText("");
  }
}

void CLocalRecordingItem::share() {
  if (!work_) return;
  CAlbumManager* album = CAlbumManager::getSingletonPtr();
  if (work_->Mixed == 1) {
    if (!album) return;
    if (showingUpload_) {
      album->pauseUpload();
      showingUpload_ = false;
    } else {
      album->requestUpload(key_);
      showingUpload_ = true;
    }
    return;
  }
  RecordingEventArgs args(key_);
  fireEvent(EventMix, args, "");
}

std::vector<CEGUI::Window*> CLocalRecordingItem::focusButtons() const {
  std::vector<CEGUI::Window*> out;
  if (!work_) return out;
  for (const char* name : {"Play", "Share", "Delete"}) {
    CEGUI::Window* w = child(name);
    if (w && w->isEffectiveVisible() && !w->isEffectiveDisabled()) out.push_back(w);
  }
  return out;
}

IPageCtrl* CLocalRecordingItem::dialog(const std::string& name) const {
  const auto it = dialogs_.find(name);
  return it == dialogs_.end() ? nullptr : it->second;
}

void CLocalRecordingItem::play() {
  if (!work_ || dialog(kPlayBack)) return;
  const PlaybackSource source = playbackSourceOf(*work_);
  // The files may have gone since the row was drawn.
  if (!recordingsExist(source)) {
    if (CEGUI::Window* button = child("Play")) button->disable();
    appLogError("works: the recordings of " + oscompat::utf8FromWide(key_) + " are gone");
    if (CInfoTipManager* tips = CInfoTipManager::getSingletonPtr())
      tips->showStandardNotice(L"作品" + work_->Song + L"的录音文件已不存在", L"PlayBack", 2000);
    return;
  }
  CPKPlaybackWnd* page = playbackFactory_ ? playbackFactory_() : new CPKPlaybackWnd;
  dialogs_[kPlayBack] = page;
  playbackEnded_ = page->subscribeEvent(EventNames::EndModal,
                                        CEGUI::Event::Subscriber(&CLocalRecordingItem::onPlaybackEnded, this));
  page->attach(guiSheet());
  if (!page->pageWindow()) {
    appLogError("works: the playback window could not be shown");
    dropPlayback(false);
    return;
  }
  page->setSource(source);
}

bool CLocalRecordingItem::onPlay(const CEGUI::EventArgs&) {
  play();
  return true;
}

bool CLocalRecordingItem::onPlaybackEnded(const CEGUI::EventArgs&) {
  IPageCtrl* page = dialog(kPlayBack);
  const int result = page ? page->result() : 0;
  // Inside the page's own handler: it goes once that has returned.
  dropPlayback(true);
  // Upload from the playback is this row's upload (a mix first when the work has none); one
  // under way already goes on.
  if (result == 1 && work_ && !showingUpload_) share();
  return true;
}

void CLocalRecordingItem::dropPlayback(bool deferred) {
  const auto it = dialogs_.find(kPlayBack);
  if (it == dialogs_.end()) return;
  IPageCtrl* page = it->second;
  dialogs_.erase(it);
  if (deferred) {
    playbackEnded_ = CEGUI::Event::Connection();
    IPageCtrl::freeLater(page);
    return;
  }
  if (playbackEnded_.isValid()) playbackEnded_->disconnect();
  if (page->pageWindow()) page->endModal(0);
  delete page;
}

bool CLocalRecordingItem::onShare(const CEGUI::EventArgs&) {
  share();
  return true;
}

bool CLocalRecordingItem::onDelete(const CEGUI::EventArgs&) {
  if (!work_) return true;
  CAlbumManager* album = CAlbumManager::getSingletonPtr();
  if (!album) return true;
  // The album redraws the list (and so this row) before it returns: the work is copied first,
  // and only the album is reached once the singer has said yes.
  const UploadItem work = *work_;
  confirmWorkRemoval(work.Song, [work] {
    if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) album->deleteRecording(work);
  });
  return true;
}

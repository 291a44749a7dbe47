#include "Upload/CNetRecordingItem.h"

#include <CEGUI/CEGUI.h>

#include "Upload/CAlbumManager.h"
#include "Upload/WorkRemoval.h"
#include "app/AppLog.h"
#include "app/TextConvert.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/Utf.h"

const CEGUI::String CNetRecordingItem::kLayout("PK_NetRecordingItem.layout");

namespace {
int itemCounter = 0;
const char* const kChildren[] = {"PKFlg", "Song", "RecordTime", "Play", "Delete"};
}  // namespace

CNetRecordingItem::CNetRecordingItem(CEGUI::Window* parent, int row, UrlOpener openUrl)
    : openUrl_(std::move(openUrl)) {
  const std::string prefix = std::to_string(++itemCounter);
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CNetRecordingItem: the layout was not loaded: ") + e.getMessage().c_str());
    return;
  }
  root_->setName(CEGUI::String(prefix.c_str()) + root_->getName());
  root_->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(row / 6.0f, 0), CEGUI::UDim(1, 0),
                              CEGUI::UDim((row + 1) / 6.0f, 0)));
  if (parent) parent->addChild(root_);
  if (CEGUI::Window* play = child("Play"))
    buttonConnections_.push_back(play->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CNetRecordingItem::onPlay, this)));
  if (CEGUI::Window* del = child("Delete"))
    buttonConnections_.push_back(del->subscribeEvent(
        CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CNetRecordingItem::onDelete, this)));
  clear();
}

CNetRecordingItem::~CNetRecordingItem() {
  disconnectWork();
  for (auto& c : buttonConnections_) c->disconnect();
  if (root_) CEGUI::WindowManager::getSingleton().destroyWindow(root_);
}

CEGUI::Window* CNetRecordingItem::child(const CEGUI::String& name) const {
  return root_ && root_->isChild(name) ? root_->getChild(name) : nullptr;
}

void CNetRecordingItem::showWork(const NetRecording& work) {
  clear();
  if (!root_) return;
  work_ = work;
  showing_ = true;
  CEGUI::Window* del = child("Delete");
  del->enable();
  if (work.Type == 1) {
    // A contest work stays in its contest: it cannot be deleted here.
    child("PKFlg")->show();
    del->disable();
  }
  child("Song")->setText(guiString(work.Song));
  child("RecordTime")->setText(guiString(work.RecordTime));
  for (const char* name : {"Song", "RecordTime", "Play", "Delete"}) child(name)->show();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) {
    const CEGUI::String key = guiString(work.Key);
    keyedEvents_ = {"DelNetRecordingFail" + key, "DelNetRecordingSuccess" + key};
    for (const CEGUI::String& name : keyedEvents_)
      workConnections_.push_back(
          album->subscribeEvent(name, CEGUI::Event::Subscriber(&CNetRecordingItem::onDeleteReply, this)));
  }
}

void CNetRecordingItem::disconnectWork() {
  for (auto& c : workConnections_) c->disconnect();
  workConnections_.clear();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr())
    for (const CEGUI::String& name : keyedEvents_) album->removeEvent(name);
  keyedEvents_.clear();
}

void CNetRecordingItem::clear() {
  disconnectWork();
  work_ = NetRecording{};
  showing_ = false;
  if (!root_) return;
  for (const char* name : kChildren)
    if (CEGUI::Window* w = child(name)) w->hide();
}

std::vector<CEGUI::Window*> CNetRecordingItem::focusButtons() const {
  std::vector<CEGUI::Window*> out;
  if (!showing_) return out;
  for (const char* name : {"Play", "Delete"}) {
    CEGUI::Window* w = child(name);
    if (w && w->isEffectiveVisible() && !w->isEffectiveDisabled()) out.push_back(w);
  }
  return out;
}

std::wstring CNetRecordingItem::playAddress(const NetRecording& work) {
  return work.WebUrl.empty() ? work.FileUrl : work.WebUrl;
}

bool CNetRecordingItem::onPlay(const CEGUI::EventArgs&) {
  if (!showing_) return true;
  const std::wstring url = playAddress(work_);
  if (url.empty()) {
    appLog("works: the published work " + oscompat::utf8FromWide(work_.Key) + " has no web address");
    return true;
  }
  // The address is opened as it stands; a failure of the shell is not the user's to act on.
  if (openUrl_) openUrl_(url);
  else oscompat::shellOpen(oscompat::utf8FromWide(url));
  return true;
}

bool CNetRecordingItem::onDelete(const CEGUI::EventArgs&) {
  if (!showing_ || work_.Type == 1) return true;
  CAlbumManager* album = CAlbumManager::getSingletonPtr();
  if (!album) return true;
  // The row may show another work by the time the singer answers: the key is kept, and the
  // button is disabled only while this row still shows that work.
  const std::wstring key = work_.Key;
  std::weak_ptr<bool> alive = alive_;
  confirmWorkRemoval(work_.Song, [this, key, alive] {
    CAlbumManager* album = CAlbumManager::getSingletonPtr();
    if (!album) return;
    if (alive.lock() && showing_ && work_.Key == key)
      if (CEGUI::Window* del = child("Delete")) del->disable();
    album->deleteNetRecording(key);
  });
  return true;
}

bool CNetRecordingItem::onDeleteReply(const CEGUI::EventArgs&) {
  if (CEGUI::Window* del = child("Delete"))
    if (work_.Type != 1) del->enable();
  return false;
}

#include "Upload/CLocalRecordingList.h"

#include <CEGUI/CEGUI.h>

#include "Upload/CAlbumManager.h"
#include "Upload/CMixImageWMV.h"
#include "Upload/CMixProssCtrl.h"
#include "Upload/UploadItem.h"
#include "app/AppLog.h"
#include "app/CurrentUser.h"
#include "app/TextConvert.h"
#include "app/UserInfor.h"
#include "dialogs/CTelInputWnd.h"
#include "app/EventNames.h"
#include "oscompat/Utf.h"
#include "app/WindowPath.h"

const CEGUI::String CLocalRecordingList::kLayout("PK_LocalRecordingList.layout");

namespace {
const std::string kMix = "Mix";
const std::string kTelInput = "TelInput";
}  // namespace

CLocalRecordingList::CLocalRecordingList(MixFactory mixFactory, CLocalRecordingItem::PlaybackFactory playbackFactory)
    : RecordingListBase("LocalRecording", kLayout),
      mixFactory_(std::move(mixFactory)),
      playbackFactory_(std::move(playbackFactory)) {
  if (!mixFactory_)
    mixFactory_ = [](const UploadItem& work) -> std::unique_ptr<IMix> { return CMixImageWMV::forWork(work); };
}

CLocalRecordingList::~CLocalRecordingList() {
  for (auto& c : albumConnections_) c->disconnect();
  albumConnections_.clear();
  // A mix still open (the program ends under it): its dialog cancels and waits for the worker
  // before the job goes.
  dropMixDialog(false);
  // A phone number form still open gives the GUI back what it took; no mix follows.
  if (const auto it = dialogs_.find(kTelInput); it != dialogs_.end()) {
    IPageCtrl* page = it->second;
    dialogs_.erase(it);
    if (page->pageWindow()) page->endModal(0);
    delete page;
  }
  items_.clear();
}

IPageCtrl* CLocalRecordingList::dialog(const std::string& name) const {
  const auto it = dialogs_.find(name);
  return it == dialogs_.end() ? nullptr : it->second;
}

int CLocalRecordingList::takeWorks() {
  works_.clear();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) album->listLocalRecordings(works_);
  return static_cast<int>(works_.size());
}

void CLocalRecordingList::createRows(CEGUI::Window* area) {
  items_.clear();
  for (int row = 0; row < pageSize; ++row) {
    items_.push_back(std::make_unique<CLocalRecordingItem>(area, row));
    items_.back()->setPlaybackFactory(playbackFactory_);
    items_.back()->subscribeEvent(CLocalRecordingItem::EventMix,
                                  CEGUI::Event::Subscriber(&CLocalRecordingList::onEventMix, this));
  }
}

void CLocalRecordingList::clearRow(int row) { items_[static_cast<std::size_t>(row)]->clear(); }

void CLocalRecordingList::fillRow(int row, int work) {
  items_[static_cast<std::size_t>(row)]->showWork(works_[static_cast<std::size_t>(work)]);
}

CEGUI::Window* CLocalRecordingList::rowWindow(int row) const {
  return items_[static_cast<std::size_t>(row)]->rootWindow();
}

std::vector<CEGUI::Window*> CLocalRecordingList::rowButtons(int row) const {
  return items_[static_cast<std::size_t>(row)]->focusButtons();
}

void CLocalRecordingList::subscribeAlbum() {
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr())
    albumConnections_.push_back(album->subscribeEvent(
        "UpdateLocalRecording", CEGUI::Event::Subscriber(&CLocalRecordingList::onUpdateLocalRecording, this)));
}

bool CLocalRecordingList::onUpdateLocalRecording(const CEGUI::EventArgs&) {
  refresh();
  return false;
}

bool CLocalRecordingList::onEventMix(const CEGUI::EventArgs& args) {
  // One mix at a time: the dialog is modal, so a second request can only come from code.
  if (dialog(kMix)) return true;
  if (dialog(kTelInput)) return true;
  mixKey_ = static_cast<const RecordingEventArgs&>(args).key;
  // A work is shared with the singer's phone number: a user who has none gives it first.
  UserInfor* user = currentUserInfor();
  if (!user || !user->Telphone.empty()) {
    startMix();
    return true;
  }
  auto* page = new CTelInputWnd(user->Mail, user->UserID);
  dialogs_[kTelInput] = page;
  page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber(&CLocalRecordingList::onTelInputEnded, this));
  page->attach(guiSheet());
  if (!page->pageWindow()) {
    appLogError("works: the phone number form could not be shown");
    dialogs_.erase(kTelInput);
    delete page;
  }
  return true;
}

bool CLocalRecordingList::onTelInputEnded(const CEGUI::EventArgs&) {
  const auto it = dialogs_.find(kTelInput);
  if (it == dialogs_.end()) return true;
  auto* page = static_cast<CTelInputWnd*>(it->second);
  dialogs_.erase(it);
  // Inside the form's own handler: it is deleted once that has returned.
  IPageCtrl::freeLater(page);
  if (page->result() != 1) return true;
  // The number the service now holds: the next share does not ask again.
  if (UserInfor* user = currentUserInfor()) user->Telphone = wideFromGui(page->phoneNumber());
  startMix();
  return true;
}

void CLocalRecordingList::startMix() {
  CAlbumManager* album = CAlbumManager::getSingletonPtr();
  UploadItem* work = album ? album->findByKey(mixKey_) : nullptr;
  if (!work) return;
  std::unique_ptr<IMix> job = mixFactory_(*work);
  if (!job) {
    appLogError("works: no mix could be made for " + oscompat::utf8FromWide(mixKey_));
    return;
  }
  auto* page = new CMixProssCtrl(job.get());
  mixJob_ = std::move(job);
  dialogs_[kMix] = page;
  mixEnded_ = page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber(&CLocalRecordingList::onMixEnded, this));
  page->attach(guiSheet());
  if (!page->pageWindow()) {
    appLogError("works: the mixing dialog could not be shown");
    dropMixDialog(false);
  }
}

bool CLocalRecordingList::onMixEnded(const CEGUI::EventArgs&) {
  IPageCtrl* page = dialog(kMix);
  const int result = page ? page->result() : 0;
  // Inside the dialog's own handler: the dialog and its job go once it has returned.
  dropMixDialog(true);
  if (result != 1) return true;
  CAlbumManager* album = CAlbumManager::getSingletonPtr();
  if (!album || !album->findByKey(mixKey_)) return true;  // deleted meanwhile
  album->markMixed(mixKey_);  // saves, and the rows are drawn again
  for (auto& item : items_)
    if (item->work() && item->work()->Key == mixKey_) {
      item->share();
      return true;
    }
  // The work is not on the page shown: its upload starts all the same.
  album->requestUpload(mixKey_);
  return true;
}

void CLocalRecordingList::dropMixDialog(bool deferred) {
  const auto it = dialogs_.find(kMix);
  if (it == dialogs_.end()) return;
  IPageCtrl* page = it->second;
  dialogs_.erase(it);
  IMix* job = mixJob_.release();
  if (deferred) {
    // The subscription stays with the dialog until it goes: a disconnect here would destroy
    // the handler that runs now.
    mixEnded_ = CEGUI::Event::Connection();
    IPageCtrl::freeLater(page);
    IPageCtrl::freeLater(job);
  } else {
    if (mixEnded_.isValid()) mixEnded_->disconnect();
    // The modal state it took is given back; its destructor cancels a mix still running.
    if (page->pageWindow()) page->endModal(0);
    delete page;
    delete job;
  }
}

#include "Upload/CAlbumManager.h"

#include <CEGUI/CEGUI.h>

#include <filesystem>

#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkReplyDispatcher.h"
#include "Upload/UploadProductInfo.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/TextConvert.h"
#include "oscompat/Utf.h"

namespace {

CAlbumManager* s_instance = nullptr;

class FacadeWorksNetwork : public IWorksNetwork {
 public:
  NetworkInterface* net() const { return NetworkInterface::getSingletonPtr(); }
  int RequestUpload(const IUploadProductInfo* p) override { return net() ? net()->RequestUpload(p) : -1; }
  int ResumeUpload(int id) override { return net() ? net()->ResumeUpload(id) : -1; }
  int SuspendUpload() override { return net() ? net()->SuspendUpload() : -1; }
  int UploadFile(const std::wstring& e, const std::wstring& p, const std::wstring& k) override {
    return net() ? net()->UploadFile(e, p, k) : -1;
  }
  int RequestWorksList(int user) override { return net() ? net()->RequestWorksList(user) : -1; }
  int DeleteWork(int id) override { return net() ? net()->DeleteWork(id) : -1; }
};

void removeFile(const std::wstring& path) {
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(oscompat::utf8FromWide(path), ignored);
}

std::wstring withExtension(const std::wstring& path, const std::wstring& extension) {
  const std::wstring old = fileExtension(path);
  return path.substr(0, path.size() - old.size()) + extension;
}

int decimal(const std::wstring& text) {
  try {
    return std::stoi(text);
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

std::unique_ptr<IWorksNetwork> facadeWorksNetwork() { return std::make_unique<FacadeWorksNetwork>(); }

CAlbumManager* CAlbumManager::getSingletonPtr() { return s_instance; }

CAlbumManager::CAlbumManager(std::unique_ptr<IWorksNetwork> network) : network_(std::move(network)) {
  s_instance = this;
  subscribeReplies();
  auto& dispatcher = NetworkReplyDispatcher::instance();
  dispatcher.setWorksManager(this);
  dispatcher.setRetryUpload([this] { retryUpload(); });
}

CAlbumManager::~CAlbumManager() {
  auto& dispatcher = NetworkReplyDispatcher::instance();
  if (dispatcher.worksManager() == this) {
    dispatcher.setWorksManager(nullptr);
    dispatcher.setRetryUpload(nullptr);
  }
  for (auto& c : connections_) c->disconnect();
  if (s_instance == this) s_instance = nullptr;
}

void CAlbumManager::subscribeReplies() {
  auto on = [this](const CEGUI::String& name, bool (CAlbumManager::*handler)(const CEGUI::EventArgs&)) {
    connections_.push_back(subscribeEvent(name, CEGUI::Event::Subscriber(handler, this)));
  };
  on(NetEventNames::UploadReqSuccess, &CAlbumManager::onUploadReqSuccess);
  on(NetEventNames::BeginUploadUpdate, &CAlbumManager::onBeginUploadUpdate);
  on(NetEventNames::FileUploadFinish, &CAlbumManager::onFileUploadFinish);
  on(NetEventNames::UploadSuccess, &CAlbumManager::onUploadSuccess);
  on(NetEventNames::UploadFail, &CAlbumManager::onUploadFail);
  on(NetEventNames::SuspendSuccess, &CAlbumManager::onSuspendSuccess);
  on(NetEventNames::GetNetRecordingSuccess, &CAlbumManager::onGetNetRecordingSuccess);
  on(NetEventNames::DelNetRecordingSuccess, &CAlbumManager::onDelNetRecordingSuccess);
  on(NetEventNames::DelNetRecordingFail, &CAlbumManager::onDelNetRecordingFail);
  connections_.push_back(subscribeEvent("UpdateLocalRecording", CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                          saveRecordings();
                                          return false;
                                        })));
}

void CAlbumManager::fire(const CEGUI::String& name) {
  CEGUI::EventArgs args;
  fireEvent(name, args, "");
}

// ---------------------------------------------------------------------------------------------
// The local works

void CAlbumManager::reloadRecordings() {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    currentUpload_ = pendingUpload_ = nullptr;
    uploading_ = pendingStart_ = false;
  }
  set_.LoadSets();
  auto& items = set_.items();
  // A work read twice (a file edited by hand) is one work: the first stays.
  for (size_t i = 0; i < items.size(); ++i)
    for (size_t j = items.size(); j-- > i + 1;)
      if (items[j].Key == items[i].Key) {
        appLogError("works: " + oscompat::utf8FromWide(items[j].Key) + " is listed twice; the first entry stays");
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(j));
      }
  // The program ended during an upload: it resumes by itself when the launcher says so.
  std::wstring resume;
  for (UploadItem& w : items) {
    if (w.UploadState != 1) continue;
    if (resumeUploads_ && resume.empty())
      resume = w.Key;
    else
      w.UploadState = 2;
  }
  fire("UpdateLocalRecording");
  if (!resume.empty()) requestUpload(resume);
}

void CAlbumManager::saveRecordings() { set_.SaveSets(); }

UploadItem* CAlbumManager::findByKey(const std::wstring& key) {
  for (UploadItem& w : set_.items())
    if (w.Key == key) return &w;
  return nullptr;
}

UploadItem* CAlbumManager::findByUploadId(int uploadId) {
  for (UploadItem& w : set_.items())
    if (w.UploadID == uploadId) return &w;
  return nullptr;
}

void CAlbumManager::addRecording(const UploadItem& work) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  // The list holds works by value: pointers into it are found again by key afterwards (an
  // upload not yet accepted has no upload id to find it by).
  const std::wstring running = currentUpload_ ? currentUpload_->Key : std::wstring();
  const std::wstring pending = pendingUpload_ ? pendingUpload_->Key : std::wstring();
  if (UploadItem* same = findByKey(work.Key)) {
    *same = work;
  } else {
    set_.items().push_back(work);
  }
  currentUpload_ = running.empty() ? nullptr : findByKey(running);
  pendingUpload_ = pending.empty() ? nullptr : findByKey(pending);
  fire("UpdateLocalRecording");
}

void CAlbumManager::deleteRecording(const UploadItem& work) {
  const std::wstring key = work.Key;  // `work` may be the entry that goes
  UploadItem* found = findByKey(key);
  if (!found) return;
  for (const std::wstring* path : {&found->LyricFile, &found->MusicPcmFile, &found->VoicePcmFile,
                                   &found->SoundlessVideoFile, &found->UploadFile})
    removeFile(*path);
  removeFile(withExtension(found->MusicPcmFile, L".WAV"));
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (currentUpload_ && currentUpload_->Key == key) {
    pauseUpload();
    currentUpload_ = nullptr;
    uploading_ = false;
  }
  const std::wstring running = currentUpload_ ? currentUpload_->Key : std::wstring();
  const std::wstring pending = pendingUpload_ && pendingUpload_->Key != key ? pendingUpload_->Key : std::wstring();
  auto& items = set_.items();
  found = findByKey(key);
  items.erase(items.begin() + (found - items.data()));
  currentUpload_ = running.empty() ? nullptr : findByKey(running);
  pendingUpload_ = pending.empty() ? nullptr : findByKey(pending);
  if (!pendingUpload_) pendingStart_ = false;
  fire("UpdateLocalRecording");
}

void CAlbumManager::markMixed(const std::wstring& key) {
  if (UploadItem* w = findByKey(key)) {
    w->Mixed = 1;
    fire("UpdateLocalRecording");
  }
}

void CAlbumManager::listLocalRecordings(std::vector<UploadItem*>& out) {
  out.clear();
  for (UploadItem& w : set_.items()) out.push_back(&w);
}

void CAlbumManager::listNetRecordings(std::vector<NetRecording>& out) const { out = netRecordings_; }

// ---------------------------------------------------------------------------------------------
// Uploads

void CAlbumManager::requestUpload(const std::wstring& key) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (uploading_ && currentUpload_ && currentUpload_->Key == key) return;
  UploadItem* work = findByKey(key);
  if (!work || work->Mixed == 0) return;
  pendingUpload_ = work;
  pendingStart_ = true;
  // Another upload stops first; this one starts when the library says it has stopped.
  if (uploading_)
    pauseUpload();
  else
    startPendingUpload();
}

void CAlbumManager::startPendingUpload() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!pendingStart_ || !pendingUpload_) return;
  pendingStart_ = false;
  UploadItem* work = pendingUpload_;
  if (work->UploadID != 0 && work->UploadState != 3) {
    network_->ResumeUpload(work->UploadID);
  } else {
    const UploadProductInfo product(*work, userId_);
    network_->RequestUpload(&product);
  }
  if (work->UploadState != 3) work->UploadState = 1;
  uploading_ = true;
  currentUpload_ = work;
  fire("UploadBegin" + guiString(work->Key));
  pendingUpload_ = nullptr;
}

void CAlbumManager::pauseUpload() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!uploading_ || !currentUpload_) return;
  network_->SuspendUpload();
  uploading_ = false;
  UploadItem* work = currentUpload_;
  fire("UploadPause" + guiString(work->Key));
  if (work->UploadState != 3) work->UploadState = 2;
  currentUpload_ = nullptr;
  saveRecordings();
}

void CAlbumManager::retryUpload() {
  std::wstring extension, path, key;
  int uploadId = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!currentUpload_) return;
    uploadId = currentUpload_->UploadID;
    extension = fileExtension(currentUpload_->UploadFile);
    path = currentUpload_->UploadFile;
    key = currentUpload_->Key;
  }
  if (uploadId != 0)
    network_->ResumeUpload(uploadId);
  else
    network_->UploadFile(extension, path, key);
}

bool CAlbumManager::onUploadReqSuccess(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const BlockUploadBackEventArgs&>(args);
  if (!uploading_ || !currentUpload_) return true;
  currentUpload_->DataPacketTotal = e.packetTotal;
  currentUpload_->UploadID = e.uploadId;
  fire("UpdateLocalRecording");
  return true;
}

bool CAlbumManager::onBeginUploadUpdate(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const BlockUploadBackEventArgs&>(args);
  if (!currentUpload_ || currentUpload_->UploadID != e.uploadId) return true;
  currentUpload_->SentDataPacket = e.packetsSent;
  if (worksWindowOpen_) {
    fire("UpdateLocalRecording");
    fire("UploadUpdate");
  }
  return true;
}

bool CAlbumManager::onFileUploadFinish(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const UploadUrlInfoEventArgs&>(args);
  if (!currentUpload_ || currentUpload_->UploadID != e.uploadId) return true;
  currentUpload_->SentDataPacket = currentUpload_->DataPacketTotal;
  currentUpload_->UploadState = 3;
  currentUpload_->UploadUrl = e.fileUrl;
  fire("UpdateLocalRecording");
  fire("UploadUpdate");
  return true;
}

bool CAlbumManager::onUploadSuccess(const CEGUI::EventArgs&) {
  std::wstring published;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (currentUpload_) published = currentUpload_->Key;
    // Published: nothing to stop before its files go.
    uploading_ = false;
    currentUpload_ = nullptr;
  }
  if (UploadItem* work = findByKey(published); work && !published.empty()) deleteRecording(*work);
  requestNetRecordings();
  return true;
}

bool CAlbumManager::onUploadFail(const CEGUI::EventArgs&) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  currentUpload_ = nullptr;
  uploading_ = false;
  return true;
}

bool CAlbumManager::onSuspendSuccess(const CEGUI::EventArgs&) {
  startPendingUpload();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Published works

void CAlbumManager::requestNetRecordings() {
  network_->RequestWorksList(decimal(userId_));
  fire("BeginGetNetRecording");
}

bool CAlbumManager::onGetNetRecordingSuccess(const CEGUI::EventArgs& args) {
  netRecordings_ = static_cast<const NetRecordingListArgs&>(args).works;
  fire("UpdateNetRecording");
  return true;
}

void CAlbumManager::deleteNetRecording(const std::wstring& workId) {
  deletionsAsked_.push_back(workId);
  network_->DeleteWork(decimal(workId));
}

std::wstring CAlbumManager::deletionReplyId(const CEGUI::EventArgs& args) {
  std::wstring id = static_cast<const StringEventArgs&>(args).text;
  // A failed reply may not name its work: it answers the oldest deletion asked for.
  if (id.empty() && !deletionsAsked_.empty()) id = deletionsAsked_.front();
  for (auto it = deletionsAsked_.begin(); it != deletionsAsked_.end(); ++it)
    if (*it == id) {
      deletionsAsked_.erase(it);
      break;
    }
  return id;
}

void CAlbumManager::removeNetRecording(const std::wstring& workId) {
  for (auto it = netRecordings_.begin(); it != netRecordings_.end(); ++it)
    if (it->Key == workId) {
      netRecordings_.erase(it);
      break;
    }
  fire("DelNetRecordingSuccess" + guiString(workId));
  fire("UpdateNetRecording");
}

bool CAlbumManager::onDelNetRecordingSuccess(const CEGUI::EventArgs& args) {
  removeNetRecording(deletionReplyId(args));
  return true;
}

bool CAlbumManager::onDelNetRecordingFail(const CEGUI::EventArgs& args) {
  const std::wstring id = deletionReplyId(args);
  for (const NetRecording& w : netRecordings_) {
    if (w.Key != id) continue;
    if (auto* tips = CInfoTipManager::getSingletonPtr())
      tips->showStandardNotice(L"作品" + w.Song + L"删除失败", L"NetError", 2000);
    fire("DelNetRecordingFail" + guiString(id));
    return true;
  }
  return true;
}

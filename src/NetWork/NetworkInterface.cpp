#include "NetWork/NetworkInterface.h"

#include <cstdlib>
#include <shared_mutex>

#include "NetWork/NetworkReplyDispatcher.h"
#include "app/AppLog.h"

template <>
NetworkInterface* CEGUI::Singleton<NetworkInterface>::ms_Singleton = nullptr;

const std::wstring NetworkInterface::TypeName = L"NetworkInterface";

namespace {

// The facade that song downloads from worker threads may use. Downloads hold the gate shared
// for their call; the facade's destructor takes it exclusively before it releases anything.
std::shared_mutex& downloadGate() {
  static std::shared_mutex gate;
  return gate;
}
NetworkInterface* downloadFacade = nullptr;

constexpr int kCancelled = -15008;  // the library's status for a request it will not make

}  // namespace

NetworkInterface::NetworkInterface() {
  const char* url = std::getenv("VOKARAN_SERVICE_URL");
  appLog(std::string("NetworkInterface: the contest service is ") +
         (url ? (*url ? url : "(none: VOKARAN_SERVICE_URL is empty)") : "http://127.0.0.1:8730"));
  main_ = CMainInterface::CreateInstance();
  song_ = CSongInterface::CreateInstance();
  upload_ = CUploadInterface::CreateInstance(main_);
  user_ = CUserDataInterface::CreateInstance(main_);
  auto callback = &NetworkReplyDispatcher::NetworkCallback;
  main_->SetCallback(callback);
  song_->SetCallback(callback);
  upload_->SetCallback(callback);
  user_->SetCallback(callback);
  std::unique_lock<std::shared_mutex> lock(downloadGate());
  downloadFacade = this;
}

NetworkInterface::~NetworkInterface() {
  {
    // Waits for song downloads in progress on other threads.
    std::unique_lock<std::shared_mutex> lock(downloadGate());
    if (downloadFacade == this) downloadFacade = nullptr;
  }
  // Each release answers the object's queued requests before it returns.
  CUploadInterface::ReleaseInstance(upload_);
  CSongInterface::ReleaseInstance(song_);
  main_->Shutdown();
  CUserDataInterface::ReleaseInstance(user_);
  CMainInterface::ReleaseInstance(main_);
  upload_ = nullptr;
  song_ = nullptr;
  user_ = nullptr;
  main_ = nullptr;
  appLog("NetworkInterface: released");
}

int NetworkInterface::SetClientId(const std::string& clientId) { return main_->SetClientId(clientId.c_str()); }

int NetworkInterface::SetSession(const std::string& sessionId, const std::wstring& userId) {
  NetworkReplyDispatcher::instance().setCurrentUserId(userId);
  return main_->SetSession(sessionId.c_str(), userId.c_str());
}

int NetworkInterface::SetUserMail(const std::wstring& mail) { return main_->SetUserMail(mail.c_str()); }

int NetworkInterface::AddToSongBook(const ISongInfo* entry) { return main_->AddToSongBook(entry); }

int NetworkInterface::RemoveFromSongBook(int songNumber) { return main_->RemoveFromSongBook(songNumber); }

int NetworkInterface::RequestSongBookPage(int pageSize, int page) {
  return main_->RequestSongBookPage(pageSize, page);
}

int NetworkInterface::RequestProductPicture(const std::wstring& productKey) {
  return main_->RequestProductPicture(productKey.c_str());
}

int NetworkInterface::Shutdown() { return main_->Shutdown(); }

int NetworkInterface::RequestCharge(const IChargeFeeinParam* charge) { return main_->RequestCharge(charge); }

int NetworkInterface::SendPacket(const ICParsePacket* packet) { return main_->SendPacket(packet); }

int NetworkInterface::RequestUserTone(int kind) { return main_->RequestUserTone(kind); }

int NetworkInterface::RequestUserPermit(int kind, int flags) { return main_->RequestUserPermit(kind, flags); }

int NetworkInterface::RequestCompetitionProducts(int songNumber, int ordering, int count, int page) {
  return main_->RequestCompetitionProducts(songNumber, ordering, count, page);
}

int NetworkInterface::RequestSquareInfo() { return main_->RequestSquareInfo(); }

int NetworkInterface::RequestWorksList(int userId) { return main_->RequestWorksList(userId); }

int NetworkInterface::RequestMyRank(int userNumber, int songNumber) {
  return main_->RequestMyRank(userNumber, songNumber);
}

int NetworkInterface::RequestPeriodInfo() { return main_->RequestPeriodInfo(); }

int NetworkInterface::SetServiceUrl(const std::string& url) { return song_->SetServiceUrl(url.c_str()); }

int NetworkInterface::DownloadSongData(ISynMidiFileList* buffer, const std::wstring& songId) {
  return song_->DownloadSongData(buffer, songId.c_str());
}

int NetworkInterface::DownloadSongDataFromAnyThread(ISynMidiFileList* buffer, const std::wstring& songId) {
  std::shared_lock<std::shared_mutex> lock(downloadGate());
  if (!downloadFacade) return kCancelled;
  return downloadFacade->DownloadSongData(buffer, songId);
}

int NetworkInterface::RequestSongPage(const ISearchInfo* query) { return song_->RequestSongPage(query); }

int NetworkInterface::RequestSingerPage(const ISearchInfo* query) { return song_->RequestSingerPage(query); }

int NetworkInterface::RequestNetMenuVersion() { return song_->RequestNetMenuVersion(); }

int NetworkInterface::SetUploadSession(const std::string& sessionId) {
  return upload_->SetUploadSession(sessionId.c_str());
}

int NetworkInterface::UploadFile(const std::wstring& extension, const std::wstring& path,
                                 const std::wstring& key) {
  return upload_->UploadFile(extension.c_str(), path.c_str(), key.c_str());
}

int NetworkInterface::SetUploadRecordPath(const std::string& path) {
  return upload_->SetUploadRecordPath(path.c_str());
}

int NetworkInterface::SuspendUpload() { return upload_->SuspendUpload(); }

int NetworkInterface::ResumeUpload(int uploadId) { return upload_->ResumeUpload(uploadId); }

int NetworkInterface::RequestUpload(const IUploadProductInfo* product) { return upload_->RequestUpload(product); }

int NetworkInterface::DeleteWork(int workId) { return upload_->DeleteWork(workId); }

int NetworkInterface::PayFee(const ILocalFeeData* fee) { return user_->PayFee(fee); }

int NetworkInterface::RequestUserInfo() { return user_->RequestUserInfo(); }

#pragma once
// The one owner of the user's works: the local works (recorded here, maybe not yet mixed or
// uploaded), saved in the user's works file, and the published ones. It uploads one local work
// at a time through the network facade and turns the facade's replies (posted to it as events)
// into the events the works windows refresh on:
//   "UpdateLocalRecording", "UploadUpdate", "UpdateNetRecording", "BeginGetNetRecording",
//   "UploadBegin" + key, "UploadPause" + key, "DelNetRecordingSuccess" + id,
//   "DelNetRecordingFail" + id.
// GUI thread, except retryUpload (the library's callback thread).
#include <CEGUI/EventSet.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Upload/UploadItem.h"
#include "Upload/UploadSongSet.h"

class IUploadProductInfo;

// The facade's upload and works calls (the network facade in the program; a fake in tests).
class IWorksNetwork {
 public:
  virtual ~IWorksNetwork() = default;
  virtual int RequestUpload(const IUploadProductInfo* product) = 0;
  virtual int ResumeUpload(int uploadId) = 0;
  virtual int SuspendUpload() = 0;
  virtual int UploadFile(const std::wstring& extension, const std::wstring& path, const std::wstring& key) = 0;
  virtual int RequestWorksList(int userId) = 0;
  virtual int DeleteWork(int workId) = 0;
};

// The network facade, when it exists.
std::unique_ptr<IWorksNetwork> facadeWorksNetwork();

class CAlbumManager : public CEGUI::EventSet {
 public:
  explicit CAlbumManager(std::unique_ptr<IWorksNetwork> network = facadeWorksNetwork());
  ~CAlbumManager() override;
  CAlbumManager(const CAlbumManager&) = delete;
  CAlbumManager& operator=(const CAlbumManager&) = delete;

  static CAlbumManager* getSingletonPtr();

  // Set once at start-up before the first reload.
  void setWorksFilePath(const std::wstring& path) { set_.setPath(path); }
  const std::wstring& worksFilePath() const { return set_.path(); }
  // The logged-in user (the works' owner) and the launcher's "NorSet_Upload".
  void setUser(const std::wstring& userId) { userId_ = userId; }
  void setResumeUploads(bool resume) { resumeUploads_ = resume; }
  // Set while the works window shows: progress events reach the windows only then.
  void setWorksWindowOpen(bool open) { worksWindowOpen_ = open; }

  void reloadRecordings();
  void saveRecordings();
  void addRecording(const UploadItem& work);
  void deleteRecording(const UploadItem& work);
  void requestUpload(const std::wstring& key);
  void startPendingUpload();
  void pauseUpload();
  // Any thread: the library reports a packet error.
  void retryUpload();
  void requestNetRecordings();
  // Asks the service to delete a published work.
  void deleteNetRecording(const std::wstring& workId);
  void removeNetRecording(const std::wstring& workId);
  // Sets a work's Mixed flag once its mix is done, and saves.
  void markMixed(const std::wstring& key);

  UploadItem* findByUploadId(int uploadId);
  UploadItem* findByKey(const std::wstring& key);
  void listLocalRecordings(std::vector<UploadItem*>& out);
  void listNetRecordings(std::vector<NetRecording>& out) const;

  bool uploading() const { return uploading_; }
  const UploadItem* currentUpload() const { return currentUpload_; }

 private:
  void subscribeReplies();
  void fire(const CEGUI::String& name);
  bool onUploadReqSuccess(const CEGUI::EventArgs& args);
  bool onBeginUploadUpdate(const CEGUI::EventArgs& args);
  bool onFileUploadFinish(const CEGUI::EventArgs& args);
  bool onUploadSuccess(const CEGUI::EventArgs& args);
  bool onUploadFail(const CEGUI::EventArgs& args);
  bool onSuspendSuccess(const CEGUI::EventArgs& args);
  bool onGetNetRecordingSuccess(const CEGUI::EventArgs& args);
  bool onDelNetRecordingSuccess(const CEGUI::EventArgs& args);
  bool onDelNetRecordingFail(const CEGUI::EventArgs& args);
  // The work a deletion reply is about: its own id, or the oldest deletion asked for.
  std::wstring deletionReplyId(const CEGUI::EventArgs& args);

  std::unique_ptr<IWorksNetwork> network_;
  std::recursive_mutex lock_;
  bool uploading_ = false;
  UploadItem* currentUpload_ = nullptr;
  UploadItem* pendingUpload_ = nullptr;
  bool pendingStart_ = false;
  CUploadItemSet set_;  // the local works, in list order
  std::vector<NetRecording> netRecordings_;
  std::deque<std::wstring> deletionsAsked_;
  std::wstring userId_;
  bool resumeUploads_ = false;
  bool worksWindowOpen_ = false;
  std::vector<CEGUI::Event::Connection> connections_;
};

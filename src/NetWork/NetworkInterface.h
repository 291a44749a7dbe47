#pragma once
// The network facade: the one place where the program meets the networking library. It owns
// the library's four objects, offers each library operation as a method of the same name
// (text taken as std::string or std::wstring, the library's int result returned unchanged)
// and has every reply turned into an event for the GUI thread (NetworkReplyDispatcher).
//
// Created through the factory registry (NetworkInterfaceFactoryManager) by the start-up
// thread; destroyed by the application's clean-up. Its methods may be called from any thread.
#include <CEGUI/Singleton.h>

#include <string>

#include "vokanetlink/VokaNetLink.h"

class NetworkInterface : public CEGUI::Singleton<NetworkInterface> {
 public:
  // The facade's type name in the factory registry.
  static const std::wstring TypeName;

  // Creates the library objects (main, song, upload and user, the last two given main) and
  // gives each the dispatcher's callback.
  NetworkInterface();
  // Releases them in the library's order: upload, song, main's Shutdown, user, main. Requests
  // still queued are answered (with the library's cancel status) before it returns.
  ~NetworkInterface();
  NetworkInterface(const NetworkInterface&) = delete;
  NetworkInterface& operator=(const NetworkInterface&) = delete;

  static NetworkInterface* getSingletonPtr() { return ms_Singleton; }

  // --- main object
  int SetClientId(const std::string& clientId);
  // The login session (8-bit, system code page) and its user; the user id is also the one
  // the user record reply (6305) keeps.
  int SetSession(const std::string& sessionId, const std::wstring& userId);
  int SetUserMail(const std::wstring& mail);
  int AddToSongBook(const ISongInfo* entry);                 // 2502
  int RemoveFromSongBook(int songNumber);                    // 2503
  int RequestSongBookPage(int pageSize, int page);           // 2504
  int RequestProductPicture(const std::wstring& productKey); // 2531
  int Shutdown();
  int RequestCharge(const IChargeFeeinParam* charge);        // 6307
  int SendPacket(const ICParsePacket* packet);               // the packet's id
  int RequestUserTone(int kind);                             // 6318
  int RequestUserPermit(int kind, int flags);                // 6319
  int RequestCompetitionProducts(int songNumber, int ordering, int count, int page);  // 6322
  int RequestSquareInfo();                                   // 6323
  int RequestWorksList(int userId);                          // 6325
  int RequestMyRank(int userNumber, int songNumber);         // 6326
  int RequestPeriodInfo();                                   // 6327

  // --- song object
  int SetServiceUrl(const std::string& url);
  // Synchronous (the caller's thread): 0 once the whole file went to `buffer`.
  int DownloadSongData(ISynMidiFileList* buffer, const std::wstring& songId);
  // The same through whichever facade exists, for worker threads that may outlive it (the
  // song-file download tasks): -15008 when there is none. The facade's destructor waits
  // for downloads in progress before it releases the library.
  static int DownloadSongDataFromAnyThread(ISynMidiFileList* buffer, const std::wstring& songId);
  int RequestSongPage(const ISearchInfo* query);    // 5011; returns the request's tag
  int RequestSingerPage(const ISearchInfo* query);  // 5012; returns the request's tag
  int RequestNetMenuVersion();                      // 5023 or 5024

  // --- upload object
  int SetUploadSession(const std::string& sessionId);
  int UploadFile(const std::wstring& extension, const std::wstring& path, const std::wstring& key);
  int SetUploadRecordPath(const std::string& path);
  int SuspendUpload();                                  // 6205
  int ResumeUpload(int uploadId);                       // 6203…, 6202, 6302
  int RequestUpload(const IUploadProductInfo* product); // 6201, 6203…, 6202, 6302
  int DeleteWork(int workId);                           // 6324

  // --- user object
  int PayFee(const ILocalFeeData* fee);  // 6320
  int RequestUserInfo();                 // 6305

 private:
  CMainInterface* main_ = nullptr;
  CSongInterface* song_ = nullptr;
  CUploadInterface* upload_ = nullptr;
  CUserDataInterface* user_ = nullptr;
};

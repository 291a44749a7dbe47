// The networking library: every request the module makes of the contest service.
//
// Objects: CMainInterface, CSongInterface, CUploadInterface and CUserDataInterface (the last
// two are created given the main object), and ICParsePacket for generic packets. Each object
// gets one callback through SetCallback.
//
// Requests return at once. Each is answered exactly once through the callback
// NetworkCallbackFunc(result, tag, messageId, status), on a library thread (several may run
// at the same time): status 0 is success; `result` is owned by the library and valid only
// during the call (null when a request failed or has no result). A service that is down or
// slow is answered too: a failed connection gives -15004, a missing service address -15005,
// a time-out -15006, an unreadable reply -15007, a request cancelled by Shutdown or
// ReleaseInstance -15008. The service's own statuses are listed in docs/service-protocol.md.
// Uploads answer with several replies (progress, then the file's address, then the product
// record's acceptance).
//
// The service address comes from the environment variable VOKARAN_SERVICE_URL (default
// http://127.0.0.1:8730). 8-bit texts passed in and handed out are in the system code page:
// UTF-8, or what VOKARAN_CODEPAGE names (e.g. GBK). Wide texts are UTF-32 wchar_t.
//
// Order of release: upload, song, main's Shutdown, user, main. ReleaseInstance answers the
// object's queued requests with -15008 and returns once no callback for it is running; after
// it returns no callback for that object comes.
#pragma once

typedef int (*NetworkCallbackFunc)(void* result, int tag, int messageId, int status);

// ---------------------------------------------------------------------------------------
// Records the caller implements and the library reads (during the call that takes them).

// A song-book entry: text 0 song id, 1 song name, 7 to 9 singer name, 11 to 15 flash codes
// 1 to 5, 16 singer key; the other texts and the integers are not read.
class ISongInfo {
 public:
  virtual ~ISongInfo() = default;
  virtual int GetInt0() const = 0;
  virtual int GetInt1() const = 0;
  virtual int GetInt2() const = 0;
  virtual int GetInt3() const = 0;
  virtual const wchar_t* GetText0() const = 0;
  virtual const wchar_t* GetText1() const = 0;
  virtual const wchar_t* GetText2() const = 0;
  virtual const wchar_t* GetText3() const = 0;
  virtual const wchar_t* GetText4() const = 0;
  virtual const wchar_t* GetText5() const = 0;
  virtual const wchar_t* GetText6() const = 0;
  virtual const wchar_t* GetText7() const = 0;
  virtual const wchar_t* GetText8() const = 0;
  virtual const wchar_t* GetText9() const = 0;
  virtual const wchar_t* GetText10() const = 0;
  virtual const wchar_t* GetText11() const = 0;
  virtual const wchar_t* GetText12() const = 0;
  virtual const wchar_t* GetText13() const = 0;
  virtual const wchar_t* GetText14() const = 0;
  virtual const wchar_t* GetText15() const = 0;
  virtual const wchar_t* GetText16() const = 0;
  virtual const wchar_t* GetText17() const = 0;
};

// A catalogue query. Kinds: songs "6" pinyin initials, "1" name-length range ("1-2",
// "11-100"), "3" a singer's songs (keyword: the singer key), "5" the category named by the
// scope; singers "4" pinyin initials, "2" surname stroke range ("1-4", "17-"), "5" category.
// The scope is a category or a search scope of the menu; empty means the whole catalogue.
class ISearchInfo {
 public:
  virtual int GetPage() const = 0;  // from 1
  virtual int GetInt1() const = 0;
  virtual int GetInt2() const = 0;
  virtual int GetPageSize() const = 0;
  virtual const wchar_t* GetScope() const = 0;
  virtual const wchar_t* GetKind() const = 0;
  virtual const wchar_t* GetKeyword() const = 0;
  virtual int GetInt3() const = 0;
  virtual const wchar_t* GetText3() const = 0;

 protected:
  ~ISearchInfo() = default;
};

// One work to upload. Slots 6, 9, 12, 18 and 21 are passed on and not used.
class IUploadProductInfo {
 public:
  virtual ~IUploadProductInfo() = default;
  virtual const wchar_t* GetExtension() const = 0;  // ".WMV"
  virtual const wchar_t* GetSongName() const = 0;
  virtual const wchar_t* GetSongId() const = 0;
  virtual const wchar_t* GetSingerName() const = 0;
  virtual const wchar_t* GetSingerId() const = 0;
  virtual const wchar_t* GetText6() const = 0;
  virtual const wchar_t* GetFilePath() const = 0;
  virtual const wchar_t* GetFileUrl() const = 0;  // known once the file is on the service
  virtual const wchar_t* GetText9() const = 0;
  virtual const wchar_t* GetTimeLength() const = 0;
  virtual int GetFileSize() const = 0;
  virtual int GetInt12() const = 0;
  virtual int GetTotalScore() const = 0;  // pitch + expression + rhythm + extra
  virtual int GetPitchScore() const = 0;
  virtual int GetExpressionScore() const = 0;
  virtual int GetRhythmScore() const = 0;
  virtual int GetEngineTotal() const = 0;
  virtual const wchar_t* GetText18() const = 0;
  virtual const wchar_t* GetUploadId() const = 0;  // decimal, empty before the first request
  virtual const wchar_t* GetUserId() const = 0;
  virtual int GetInt21() const = 0;
  virtual bool IsContestWork() const = 0;
  virtual bool IsFileUploaded() const = 0;  // only the product record is still to be submitted
};

// A charge: kind 1 a sing, 2 an upload.
class IChargeFeeinParam {
 public:
  virtual ~IChargeFeeinParam() = default;
  virtual int getKind() const = 0;
  virtual const wchar_t* getSongId() const = 0;
  virtual const wchar_t* getSongName() const = 0;
  virtual const wchar_t* getExtra() const = 0;
};

// What the caller believes it has left after a charge; the service records it, the
// service's own balance stays authoritative.
class ILocalFeeData {
 public:
  virtual ~ILocalFeeData() = default;
  virtual int getRemainingSings() const = 0;
  virtual int getRemainingUploads() const = 0;
  virtual const wchar_t* getCoins() const = 0;
};

// Receives a downloaded song file (DownloadSongData); may be called more than once, in order.
class ISynMidiFileList {
 public:
  virtual ~ISynMidiFileList() = default;
  virtual void ReceiveData(const unsigned char* data, unsigned int length) = 0;
};

// The user's audio settings: C to J are VOL, MIC, MICRC, Accompany, MELODY, KEY, ECHO and
// Depth, K the effect mode's id; A, B, L, M and the texts are kept as given.
class ILocalSettingInfo {
 public:
  virtual ~ILocalSettingInfo() = default;
  virtual int GetA() const = 0;
  virtual int GetB() const = 0;
  virtual const char* GetText0() const = 0;
  virtual const char* GetText1() const = 0;
  virtual const char* GetText2() const = 0;
  virtual const char* GetText3() const = 0;
  virtual int GetC() const = 0;
  virtual int GetD() const = 0;
  virtual int GetE() const = 0;
  virtual int GetF() const = 0;
  virtual int GetG() const = 0;
  virtual int GetH() const = 0;
  virtual int GetI() const = 0;
  virtual int GetJ() const = 0;
  virtual int GetK() const = 0;
  virtual int GetL() const = 0;
  virtual int GetM() const = 0;
};

// ---------------------------------------------------------------------------------------
// Result objects handed to the callback (library-owned, valid during the call).

class IPageInfo {
 public:
  virtual int GetPageNumber() const = 0;  // from 1
  virtual int GetPageCount() const = 0;

 protected:
  ~IPageInfo() = default;
};

// 5011 items, 2504 items.
class ISongItem {
 public:
  virtual int GetPageNumber() const = 0;  // from 1
  virtual int GetPageCount() const = 0;
  virtual int GetSongNumber() const = 0;
  virtual const wchar_t* GetSongId() const = 0;
  virtual const wchar_t* GetSongName() const = 0;
  virtual const wchar_t* GetSongKey() const = 0;  // decimal text
  virtual const wchar_t* GetSingerName() const = 0;
  virtual const wchar_t* GetFlashCode(int number) const = 0;  // 1..5; empty text otherwise
  virtual const wchar_t* GetSingerKey() const = 0;

 protected:
  ~ISongItem() = default;
};

// 5011: a page of songs.
class ISongList {
 public:
  virtual int GetCount() const = 0;
  virtual const ISongItem* GetItem(int index) const = 0;  // null out of range

 protected:
  ~ISongList() = default;
};

// 2504: a page of the song book.
class ISongBookList : public ISongList {
 public:
  virtual const IPageInfo* GetPage() const = 0;

 protected:
  ~ISongBookList() = default;
};

// 5012 items.
class ISingerItem {
 public:
  virtual int GetPageNumber() const = 0;
  virtual int GetPageCount() const = 0;
  virtual const wchar_t* GetSingerName() const = 0;
  virtual const wchar_t* GetSingerKey() const = 0;

 protected:
  ~ISingerItem() = default;
};

class ISingerList {
 public:
  virtual int GetCount() const = 0;
  virtual const ISingerItem* GetItem(int index) const = 0;

 protected:
  ~ISingerList() = default;
};

// 5023 (the menu version), 5024 (the menu document, UTF-8 XML as its declaration says).
class ITextResult {
 public:
  virtual const char* GetText() const = 0;

 protected:
  ~ITextResult() = default;
};

// 2531: 4-byte little-endian length L1, L1 bytes of the product key (system code page),
// 4-byte length L2, L2 picture bytes (PNG or JPEG).
class IByteBlock {
 public:
  virtual const unsigned char* GetData() const = 0;
  virtual int GetLength() const = 0;

 protected:
  ~IByteBlock() = default;
};

// 6323 items.
class IContestSongItem {
 public:
  virtual const wchar_t* GetSongId() const = 0;
  virtual const wchar_t* GetSongName() const = 0;
  virtual const wchar_t* GetSingerKey() const = 0;
  virtual const wchar_t* GetSingerName() const = 0;
  virtual const wchar_t* GetPictureUrl() const = 0;
  virtual const wchar_t* GetWebUrl() const = 0;

 protected:
  ~IContestSongItem() = default;
};

class IContestSongList {
 public:
  virtual int GetCount() const = 0;
  virtual const IContestSongItem* GetItem(int index) const = 0;

 protected:
  ~IContestSongList() = default;
};

// 6322 items: a published work for a contest song.
class IProductItem {
 public:
  virtual const wchar_t* GetDisplayText() const = 0;  // the singer's nickname
  virtual const wchar_t* GetPictureKey() const = 0;   // for RequestProductPicture
  virtual const wchar_t* GetWebUrl() const = 0;       // the work's web page
  virtual const wchar_t* GetUserId() const = 0;
  virtual const wchar_t* GetSongId() const = 0;
  virtual int GetTotalScore() const = 0;
  virtual int GetFlowers() const = 0;
  virtual int GetListens() const = 0;
  virtual const wchar_t* GetCreated() const = 0;

 protected:
  ~IProductItem() = default;
};

class IProductList {
 public:
  virtual int GetCount() const = 0;
  virtual const IProductItem* GetItem(int index) const = 0;

 protected:
  ~IProductList() = default;
};

// 6326: the user's rank under orderings 1 to 4 (score, popularity, newest, flowers); 0 = none.
class IRankResult {
 public:
  virtual int GetScoreRank() const = 0;
  virtual int GetPopularityRank() const = 0;
  virtual int GetNewestRank() const = 0;
  virtual int GetFlowersRank() const = 0;

 protected:
  ~IRankResult() = default;
};

// 6327 items: the contest period.
class IPeriodItem {
 public:
  virtual const wchar_t* GetStart() const = 0;
  virtual const wchar_t* GetEnd() const = 0;
  virtual const wchar_t* GetTitle() const = 0;

 protected:
  ~IPeriodItem() = default;
};

class IPeriodList {
 public:
  virtual int GetCount() const = 0;
  virtual const IPeriodItem* GetItem(int index) const = 0;

 protected:
  ~IPeriodList() = default;
};

// 6318: the first tone value and the raw tone level 0..6, decimal texts.
class IToneResult {
 public:
  virtual const char* GetToneValue() const = 0;
  virtual const char* GetToneLevel() const = 0;

 protected:
  ~IToneResult() = default;
};

// 6319: the account's rights.
class IRightsResult {
 public:
  virtual int GetIsVod() const = 0;
  virtual int GetIsUpload() const = 0;
  virtual int GetIsVodCoins() const = 0;
  virtual int GetIsUploadCoins() const = 0;

 protected:
  ~IRightsResult() = default;
};

// 6305 items: the user's record in the launcher's order, without the user id (last).
class IUserItem {
 public:
  virtual int GetRuzaZuv() const = 0;
  virtual const wchar_t* GetVokaCoin() const = 0;
  virtual const wchar_t* GetLevel() const = 0;
  virtual const wchar_t* GetExper() const = 0;
  virtual int GetIPercent() const = 0;
  virtual int GetTotalCanSingRecNum() const = 0;
  virtual int GetTotalCanSingRecNumCopy() const = 0;
  virtual int GetTotalCanUploadNum() const = 0;
  virtual int GetLeaveCanSingRecNum() const = 0;
  virtual int GetLeaveCanSingRecNumCopy() const = 0;
  virtual int GetLeaveCanUploadNum() const = 0;
  virtual int GetJudedSongNum() const = 0;
  virtual const wchar_t* GetOverDate() const = 0;
  virtual int GetKtvNum() const = 0;
  virtual int GetUploadNum() const = 0;
  virtual const wchar_t* GetSecretKey() const = 0;
  virtual const wchar_t* GetMail() const = 0;
  virtual const wchar_t* GetTelphone() const = 0;
  virtual int GetIsVod() const = 0;
  virtual int GetIsUpload() const = 0;
  virtual int GetIsVodCoins() const = 0;
  virtual int GetIsUploadCoins() const = 0;
  virtual const wchar_t* GetUserId() const = 0;

 protected:
  ~IUserItem() = default;
};

class IUserList {
 public:
  virtual int GetCount() const = 0;
  virtual const IUserItem* GetItem(int index) const = 0;

 protected:
  ~IUserList() = default;
};

// 6325 items: one of the user's published works; scores and counts as decimal texts.
class IWorkItem {
 public:
  virtual const wchar_t* GetKey() const = 0;  // the work id, for DeleteWork
  virtual const wchar_t* GetSongName() const = 0;
  virtual const wchar_t* GetSongId() const = 0;
  virtual const wchar_t* GetSingerName() const = 0;
  virtual const wchar_t* GetSingerId() const = 0;
  virtual const wchar_t* GetTotalScore() const = 0;
  virtual const wchar_t* GetPitchScore() const = 0;
  virtual const wchar_t* GetExpressionScore() const = 0;
  virtual const wchar_t* GetRhythmScore() const = 0;
  virtual const wchar_t* GetEngineTotal() const = 0;
  virtual const wchar_t* GetFlowers() const = 0;
  virtual const wchar_t* GetListens() const = 0;
  virtual const wchar_t* GetRecordTime() const = 0;
  virtual const wchar_t* GetWebUrl() const = 0;
  virtual const wchar_t* GetPictureUrl() const = 0;
  virtual const wchar_t* GetType() const = 0;  // "1" a contest work
  virtual const wchar_t* GetFileUrl() const = 0;

 protected:
  ~IWorkItem() = default;
};

class IWorkList {
 public:
  virtual int GetCount() const = 0;
  virtual const IWorkItem* GetItem(int index) const = 0;

 protected:
  ~IWorkList() = default;
};

// 6324: the deleted work's id.
class IWorkIdResult {
 public:
  virtual const wchar_t* GetWorkId() const = 0;

 protected:
  ~IWorkIdResult() = default;
};

// 6201: the service accepted an upload.
class IUploadTicket {
 public:
  virtual int GetUploadId() const = 0;
  virtual int GetPacketTotal() const = 0;

 protected:
  ~IUploadTicket() = default;
};

// 6203: after every packet the service acknowledged.
class IUploadProgress {
 public:
  virtual int GetPacketsSent() const = 0;
  virtual int GetUploadId() const = 0;

 protected:
  ~IUploadProgress() = default;
};

class IUploadedFile {
 public:
  virtual const wchar_t* GetAddress() const = 0;

 protected:
  ~IUploadedFile() = default;
};

// 6202: the whole file is on the service.
class IUploadFinished {
 public:
  virtual int GetUploadId() const = 0;
  virtual const IUploadedFile* GetFile() const = 0;

 protected:
  ~IUploadFinished() = default;
};

// 2588 items: a tone record.
class IToneItem {
 public:
  virtual int GetIndex() const = 0;  // slot 0..6
  virtual int GetIsMale() const = 0;
  virtual int GetHighPitch() const = 0;
  virtual int GetHighKey() const = 0;
  virtual int GetLowPitch() const = 0;
  virtual bool GetUse() const = 0;
  virtual int GetLowKey() const = 0;
  virtual const char* GetRangeCode() const = 0;
  virtual const wchar_t* GetLeave() const = 0;  // the level, decimal text
  virtual int GetSamples() const = 0;
  virtual bool GetVerified() const = 0;

 protected:
  ~IToneItem() = default;
};

class IToneList {
 public:
  virtual int GetCount() const = 0;
  virtual const IToneItem* GetItem(int index) const = 0;

 protected:
  ~IToneList() = default;
};

// 2565: the audio settings (one item).
class IAudioSettingsList {
 public:
  virtual int GetCount() const = 0;
  virtual const ILocalSettingInfo* GetItem(int index) const = 0;

 protected:
  ~IAudioSettingsList() = default;
};

// 6307: "1" when the service charged, "0" when it did not (no allowance, not enough coins).
class IChargeAnswer {
 public:
  virtual const char* GetResult() const = 0;
  virtual int GetKind() const = 0;

 protected:
  ~IChargeAnswer() = default;
};

// ---------------------------------------------------------------------------------------
// The objects. Every int result is 0 when the request was queued (RequestSongPage and
// RequestSingerPage: the request's tag, above 0); the answer comes through the callback.

// A generic message: Begin, then fields (NextItem starts another item), Finish, an id; sent
// with CMainInterface::SendPacket and answered under its own message id.
class ICParsePacket {
 public:
  // `strict`: field names must be letters, digits and '_' (AddField refuses others).
  static ICParsePacket* CreateInstance(bool strict);
  static void ReleaseInstance(ICParsePacket* packet);

  virtual int Begin(const char* rootName, const char* itemName) = 0;
  virtual int AddField(const char* key, const char* value) = 0;
  virtual int Finish() = 0;
  virtual int NextItem() = 0;
  virtual int SetMessageId(int messageId) = 0;

 protected:
  virtual ~ICParsePacket() = default;
};

class CMainInterface {
 public:
  static CMainInterface* CreateInstance();
  static void ReleaseInstance(CMainInterface* main);

  virtual int SetCallback(NetworkCallbackFunc callback) = 0;
  virtual int SetClientId(const char* clientId) = 0;
  // The login session and its user, sent with every request of every object.
  virtual int SetSession(const char* sessionId, const wchar_t* userId) = 0;
  virtual int SetUserMail(const wchar_t* mail) = 0;
  virtual int AddToSongBook(const ISongInfo* entry) = 0;       // 2502; -2246 already there
  virtual int RemoveFromSongBook(int songNumber) = 0;          // 2503; 0 empties the book
  virtual int RequestSongBookPage(int pageSize, int page) = 0; // 2504 ISongBookList; -2206 empty
  virtual int RequestProductPicture(const wchar_t* productKey) = 0;  // 2531 IByteBlock
  // Answers this object's queued requests with -15008 and waits for running ones; later
  // requests of this object are answered with -15008.
  virtual int Shutdown() = 0;
  virtual int RequestCharge(const IChargeFeeinParam* charge) = 0;  // 6307 IChargeAnswer
  // Answered under the packet's message id: 6315 the phone number (EMAIL, USERID, MOBILE),
  // 2564 save and 2565 read the audio settings (IAudioSettingsList), 2566 save the tone
  // values (TONEVALUE, TONELEVEL), 2586 save and 2588 read tone records (IToneList).
  virtual int SendPacket(const ICParsePacket* packet) = 0;
  virtual int RequestUserTone(int kind) = 0;                   // 6318 IToneResult
  virtual int RequestUserPermit(int kind, int flags) = 0;      // 6319 IRightsResult
  virtual int RequestCompetitionProducts(int songNumber, int ordering, int count, int page) = 0;  // 6322
  virtual int RequestSquareInfo() = 0;                         // 6323 IContestSongList
  virtual int RequestWorksList(int userId) = 0;                // 6325 IWorkList
  virtual int RequestMyRank(int userNumber, int songNumber) = 0;  // 6326 IRankResult
  virtual int RequestPeriodInfo() = 0;                         // 6327 IPeriodList

 protected:
  virtual ~CMainInterface() = default;
};

class CSongInterface {
 public:
  static CSongInterface* CreateInstance();
  static void ReleaseInstance(CSongInterface* song);

  // Replaces VOKARAN_SERVICE_URL for every object of this process ("" means no address).
  virtual int SetServiceUrl(const char* url) = 0;
  virtual int SetCallback(NetworkCallbackFunc callback) = 0;
  // Synchronous: 0 once the whole file went to `buffer`, a status otherwise.
  virtual int DownloadSongData(ISynMidiFileList* buffer, const wchar_t* songId) = 0;
  virtual int RequestSongPage(const ISearchInfo* query) = 0;    // 5011 ISongList
  virtual int RequestSingerPage(const ISearchInfo* query) = 0;  // 5012 ISingerList
  // 5023 with the version when the menu document at <install>/PKData/AppSets/NetMenu.xml
  // has it already; otherwise 5024 with the new document.
  virtual int RequestNetMenuVersion() = 0;

 protected:
  virtual ~CSongInterface() = default;
};

// Uploads run one at a time on the object's own thread, which also calls its callback.
class CUploadInterface {
 public:
  // `main` is the CMainInterface whose session the uploads use (null gives null).
  static CUploadInterface* CreateInstance(void* main);
  static void ReleaseInstance(CUploadInterface* upload);

  virtual int SetCallback(NetworkCallbackFunc callback) = 0;
  virtual int SetUploadSession(const char* sessionId) = 0;
  // Uploads a file without a product record, unless an earlier RequestUpload of the same file
  // left one: 6201, 6203 per packet, 6202, (6302).
  virtual int UploadFile(const wchar_t* extension, const wchar_t* path, const wchar_t* key) = 0;
  // The file where the library keeps its uploads, so they resume after a restart.
  virtual int SetUploadRecordPath(const char* path) = 0;
  // 6205 once the running upload stopped; an upload suspended (running or still queued) ends
  // without a further reply, and ResumeUpload continues it.
  virtual int SuspendUpload() = 0;
  virtual int ResumeUpload(int uploadId) = 0;       // 6203..., 6202, 6302
  // 6201 (upload id, packet total), 6203 per packet, 6202 (address), 6302 (the product
  // record: 0 accepted, -143 accepted before). A packet that keeps failing gives 6204: call
  // ResumeUpload to go on.
  virtual int RequestUpload(const IUploadProductInfo* product) = 0;
  virtual int DeleteWork(int workId) = 0;           // 6324 IWorkIdResult

 protected:
  virtual ~CUploadInterface() = default;
};

class CUserDataInterface {
 public:
  // `main` is the CMainInterface whose session the requests use (null gives null).
  static CUserDataInterface* CreateInstance(void* main);
  static void ReleaseInstance(CUserDataInterface* user);

  virtual int SetCallback(NetworkCallbackFunc callback) = 0;
  virtual int PayFee(const ILocalFeeData* fee) = 0;  // 6320
  virtual int RequestUserInfo() = 0;                 // 6305 IUserList

 protected:
  virtual ~CUserDataInterface() = default;
};

// The result objects handed to the callbacks: plain copies of a reply, owned by the library
// for the duration of the call.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "LinkContext.h"
#include "netwire/Utf8.h"
#include "netwire/WireTypes.h"
#include "vokanetlink/VokaNetLink.h"

namespace vk::netlink {

inline std::wstring wide(const std::string& utf8) { return wire::utf8ToWide(utf8); }

template <class Item, class Interface, class ItemInterface>
struct ListResult : ResultBase, Interface {
  std::vector<Item> items;
  int GetCount() const override { return static_cast<int>(items.size()); }
  const ItemInterface* GetItem(int index) const override {
    return index >= 0 && index < GetCount() ? &items[static_cast<std::size_t>(index)] : nullptr;
  }
};

struct SongItem final : ISongItem {
  int pageNumber = 0, pageCount = 0, songNumber = 0;
  std::wstring songId, songName, songKey, singerName, singerKey;
  std::array<std::wstring, 5> flash;
  std::wstring empty;
  SongItem(const wire::SongItem& s, int page, int pages)
      : pageNumber(page), pageCount(pages), songNumber(s.songNo), songId(wide(s.songId)), songName(wide(s.name)),
        songKey(wide(s.songKey)), singerName(wide(s.singerName)), singerKey(wide(s.singerKey)) {
    for (std::size_t i = 0; i < 5; ++i) flash[i] = wide(s.flash[i]);
  }
  int GetPageNumber() const override { return pageNumber; }
  int GetPageCount() const override { return pageCount; }
  int GetSongNumber() const override { return songNumber; }
  const wchar_t* GetSongId() const override { return songId.c_str(); }
  const wchar_t* GetSongName() const override { return songName.c_str(); }
  const wchar_t* GetSongKey() const override { return songKey.c_str(); }
  const wchar_t* GetSingerName() const override { return singerName.c_str(); }
  const wchar_t* GetFlashCode(int number) const override {
    return number >= 1 && number <= 5 ? flash[static_cast<std::size_t>(number - 1)].c_str() : empty.c_str();
  }
  const wchar_t* GetSingerKey() const override { return singerKey.c_str(); }
};

using SongList = ListResult<SongItem, ISongList, ISongItem>;

struct PageInfo final : IPageInfo {
  int number = 0, count = 0;
  int GetPageNumber() const override { return number; }
  int GetPageCount() const override { return count; }
};

struct SongBookList final : ResultBase, ISongBookList {
  std::vector<SongItem> items;
  PageInfo page;
  int GetCount() const override { return static_cast<int>(items.size()); }
  const ISongItem* GetItem(int index) const override {
    return index >= 0 && index < GetCount() ? &items[static_cast<std::size_t>(index)] : nullptr;
  }
  const IPageInfo* GetPage() const override { return &page; }
};

struct SingerItem final : ISingerItem {
  int pageNumber = 0, pageCount = 0;
  std::wstring name, key;
  int GetPageNumber() const override { return pageNumber; }
  int GetPageCount() const override { return pageCount; }
  const wchar_t* GetSingerName() const override { return name.c_str(); }
  const wchar_t* GetSingerKey() const override { return key.c_str(); }
};

using SingerList = ListResult<SingerItem, ISingerList, ISingerItem>;

struct TextResult final : ResultBase, ITextResult {
  std::string text;
  const char* GetText() const override { return text.c_str(); }
};

struct ByteBlock final : ResultBase, IByteBlock {
  std::string bytes;
  const unsigned char* GetData() const override { return reinterpret_cast<const unsigned char*>(bytes.data()); }
  int GetLength() const override { return static_cast<int>(bytes.size()); }
};

struct ContestSongItem final : IContestSongItem {
  std::wstring songId, songName, singerKey, singerName, pictureUrl, webUrl;
  const wchar_t* GetSongId() const override { return songId.c_str(); }
  const wchar_t* GetSongName() const override { return songName.c_str(); }
  const wchar_t* GetSingerKey() const override { return singerKey.c_str(); }
  const wchar_t* GetSingerName() const override { return singerName.c_str(); }
  const wchar_t* GetPictureUrl() const override { return pictureUrl.c_str(); }
  const wchar_t* GetWebUrl() const override { return webUrl.c_str(); }
};

using ContestSongList = ListResult<ContestSongItem, IContestSongList, IContestSongItem>;

struct ProductItem final : IProductItem {
  std::wstring displayText, pictureKey, webUrl, userId, songId, created;
  int total = 0, flowers = 0, listens = 0;
  const wchar_t* GetDisplayText() const override { return displayText.c_str(); }
  const wchar_t* GetPictureKey() const override { return pictureKey.c_str(); }
  const wchar_t* GetWebUrl() const override { return webUrl.c_str(); }
  const wchar_t* GetUserId() const override { return userId.c_str(); }
  const wchar_t* GetSongId() const override { return songId.c_str(); }
  int GetTotalScore() const override { return total; }
  int GetFlowers() const override { return flowers; }
  int GetListens() const override { return listens; }
  const wchar_t* GetCreated() const override { return created.c_str(); }
};

using ProductList = ListResult<ProductItem, IProductList, IProductItem>;

struct RankResult final : ResultBase, IRankResult {
  std::array<int, 4> ranks{};
  int GetScoreRank() const override { return ranks[0]; }
  int GetPopularityRank() const override { return ranks[1]; }
  int GetNewestRank() const override { return ranks[2]; }
  int GetFlowersRank() const override { return ranks[3]; }
};

struct PeriodItem final : IPeriodItem {
  std::wstring start, end, title;
  const wchar_t* GetStart() const override { return start.c_str(); }
  const wchar_t* GetEnd() const override { return end.c_str(); }
  const wchar_t* GetTitle() const override { return title.c_str(); }
};

using PeriodList = ListResult<PeriodItem, IPeriodList, IPeriodItem>;

struct ToneResult final : ResultBase, IToneResult {
  std::string value, level;
  const char* GetToneValue() const override { return value.c_str(); }
  const char* GetToneLevel() const override { return level.c_str(); }
};

struct RightsResult final : ResultBase, IRightsResult {
  wire::Rights rights;
  int GetIsVod() const override { return rights.IsVod; }
  int GetIsUpload() const override { return rights.IsUpload; }
  int GetIsVodCoins() const override { return rights.IsVodCoins; }
  int GetIsUploadCoins() const override { return rights.IsUploadCoins; }
};

struct UserItem final : IUserItem {
  wire::UserRecord u;
  std::wstring coin, level, exper, overDate, secretKey, mail, telphone, userId;
  explicit UserItem(const wire::UserRecord& record)
      : u(record), coin(wide(record.VokaCoin)), level(wide(record.level)), exper(wide(record.exper)),
        overDate(wide(record.overDate)), secretKey(wide(record.SecretKey)), mail(wide(record.Mail)),
        telphone(wide(record.Telphone)), userId(wide(record.UserID)) {}
  int GetRuzaZuv() const override { return u.ruzaZuv; }
  const wchar_t* GetVokaCoin() const override { return coin.c_str(); }
  const wchar_t* GetLevel() const override { return level.c_str(); }
  const wchar_t* GetExper() const override { return exper.c_str(); }
  int GetIPercent() const override { return u.iPercent; }
  int GetTotalCanSingRecNum() const override { return u.totalCanSingRecNum; }
  int GetTotalCanSingRecNumCopy() const override { return u.totalCanSingRecNum; }
  int GetTotalCanUploadNum() const override { return u.totalCanUploadNum; }
  int GetLeaveCanSingRecNum() const override { return u.leaveCanSingRecNum; }
  int GetLeaveCanSingRecNumCopy() const override { return u.leaveCanSingRecNum; }
  int GetLeaveCanUploadNum() const override { return u.leaveCanUploadNum; }
  int GetJudedSongNum() const override { return u.judedSongNum; }
  const wchar_t* GetOverDate() const override { return overDate.c_str(); }
  int GetKtvNum() const override { return u.ktvNum; }
  int GetUploadNum() const override { return u.uploadNum; }
  const wchar_t* GetSecretKey() const override { return secretKey.c_str(); }
  const wchar_t* GetMail() const override { return mail.c_str(); }
  const wchar_t* GetTelphone() const override { return telphone.c_str(); }
  int GetIsVod() const override { return u.IsVod; }
  int GetIsUpload() const override { return u.IsUpload; }
  int GetIsVodCoins() const override { return u.IsVodCoins; }
  int GetIsUploadCoins() const override { return u.IsUploadCoins; }
  const wchar_t* GetUserId() const override { return userId.c_str(); }
};

using UserList = ListResult<UserItem, IUserList, IUserItem>;

struct WorkItem final : IWorkItem {
  std::wstring key, songName, songId, singerName, singerId, total, pitch, expression, rhythm, engineTotal, flowers,
      listens, recordTime, webUrl, pictureUrl, type, fileUrl;
  explicit WorkItem(const wire::Work& w)
      : key(wide(w.key)), songName(wide(w.songName)), songId(wide(w.songId)), singerName(wide(w.singerName)),
        singerId(wide(w.singerId)), total(std::to_wstring(w.total)), pitch(std::to_wstring(w.pitch)),
        expression(std::to_wstring(w.expression)), rhythm(std::to_wstring(w.rhythm)),
        engineTotal(std::to_wstring(w.engineTotal)), flowers(std::to_wstring(w.flowers)),
        listens(std::to_wstring(w.listens)), recordTime(wide(w.recordTime)), webUrl(wide(w.webUrl)),
        pictureUrl(wide(w.pictureUrl)), type(std::to_wstring(w.type)), fileUrl(wide(w.fileUrl)) {}
  const wchar_t* GetKey() const override { return key.c_str(); }
  const wchar_t* GetSongName() const override { return songName.c_str(); }
  const wchar_t* GetSongId() const override { return songId.c_str(); }
  const wchar_t* GetSingerName() const override { return singerName.c_str(); }
  const wchar_t* GetSingerId() const override { return singerId.c_str(); }
  const wchar_t* GetTotalScore() const override { return total.c_str(); }
  const wchar_t* GetPitchScore() const override { return pitch.c_str(); }
  const wchar_t* GetExpressionScore() const override { return expression.c_str(); }
  const wchar_t* GetRhythmScore() const override { return rhythm.c_str(); }
  const wchar_t* GetEngineTotal() const override { return engineTotal.c_str(); }
  const wchar_t* GetFlowers() const override { return flowers.c_str(); }
  const wchar_t* GetListens() const override { return listens.c_str(); }
  const wchar_t* GetRecordTime() const override { return recordTime.c_str(); }
  const wchar_t* GetWebUrl() const override { return webUrl.c_str(); }
  const wchar_t* GetPictureUrl() const override { return pictureUrl.c_str(); }
  const wchar_t* GetType() const override { return type.c_str(); }
  const wchar_t* GetFileUrl() const override { return fileUrl.c_str(); }
};

using WorkList = ListResult<WorkItem, IWorkList, IWorkItem>;

struct WorkIdResult final : ResultBase, IWorkIdResult {
  std::wstring workId;
  const wchar_t* GetWorkId() const override { return workId.c_str(); }
};

struct UploadTicket final : ResultBase, IUploadTicket {
  int uploadId = 0, packetTotal = 0;
  int GetUploadId() const override { return uploadId; }
  int GetPacketTotal() const override { return packetTotal; }
};

struct UploadProgress final : ResultBase, IUploadProgress {
  int sent = 0, uploadId = 0;
  int GetPacketsSent() const override { return sent; }
  int GetUploadId() const override { return uploadId; }
};

struct UploadedFile final : IUploadedFile {
  std::wstring address;
  const wchar_t* GetAddress() const override { return address.c_str(); }
};

struct UploadFinished final : ResultBase, IUploadFinished {
  int uploadId = 0;
  UploadedFile file;
  int GetUploadId() const override { return uploadId; }
  const IUploadedFile* GetFile() const override { return &file; }
};

struct ToneItem final : IToneItem {
  wire::ToneItem t;
  std::string rangeCode;
  std::wstring leave;
  int GetIndex() const override { return t.index; }
  int GetIsMale() const override { return t.isMale; }
  int GetHighPitch() const override { return t.highPitch; }
  int GetHighKey() const override { return t.highKey; }
  int GetLowPitch() const override { return t.lowPitch; }
  bool GetUse() const override { return t.use; }
  int GetLowKey() const override { return t.lowKey; }
  const char* GetRangeCode() const override { return rangeCode.c_str(); }
  const wchar_t* GetLeave() const override { return leave.c_str(); }
  int GetSamples() const override { return t.samples; }
  bool GetVerified() const override { return t.verified; }
};

using ToneList = ListResult<ToneItem, IToneList, IToneItem>;

struct AudioSettingsItem final : ILocalSettingInfo {
  wire::AudioSettings a;
  std::array<std::string, 4> texts;  // in the system code page
  int GetA() const override { return a.a; }
  int GetB() const override { return a.b; }
  const char* GetText0() const override { return texts[0].c_str(); }
  const char* GetText1() const override { return texts[1].c_str(); }
  const char* GetText2() const override { return texts[2].c_str(); }
  const char* GetText3() const override { return texts[3].c_str(); }
  int GetC() const override { return a.values[0]; }
  int GetD() const override { return a.values[1]; }
  int GetE() const override { return a.values[2]; }
  int GetF() const override { return a.values[3]; }
  int GetG() const override { return a.values[4]; }
  int GetH() const override { return a.values[5]; }
  int GetI() const override { return a.values[6]; }
  int GetJ() const override { return a.values[7]; }
  int GetK() const override { return a.values[8]; }
  int GetL() const override { return a.values[9]; }
  int GetM() const override { return a.values[10]; }
};

using AudioSettingsList = ListResult<AudioSettingsItem, IAudioSettingsList, ILocalSettingInfo>;

struct ChargeAnswer final : ResultBase, IChargeAnswer {
  std::string result;
  int kind = 0;
  const char* GetResult() const override { return result.c_str(); }
  int GetKind() const override { return kind; }
};

}  // namespace vk::netlink

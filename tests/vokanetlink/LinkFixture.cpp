#include "LinkFixture.h"

#include <cstdlib>

#include "netwire/Utf8.h"

namespace vk::netlink::test {

using nlohmann::json;

std::string utf8(const wchar_t* text) { return text ? wire::wideToUtf8(text) : std::string("<null>"); }

namespace {

json songItem(const ISongItem& s) {
  json flash = json::array();
  for (int i = 1; i <= 5; ++i) flash.push_back(utf8(s.GetFlashCode(i)));
  return {{"page", s.GetPageNumber()}, {"pages", s.GetPageCount()}, {"no", s.GetSongNumber()},
          {"id", utf8(s.GetSongId())},  {"name", utf8(s.GetSongName())}, {"key", utf8(s.GetSongKey())},
          {"singer", utf8(s.GetSingerName())}, {"flash", flash}, {"singerKey", utf8(s.GetSingerKey())}};
}

template <class List, class Read>
json items(const List& list, Read read) {
  json out = json::array();
  for (int i = 0; i < list.GetCount(); ++i) out.push_back(read(*list.GetItem(i)));
  if (list.GetItem(list.GetCount()) != nullptr || list.GetItem(-1) != nullptr) out.push_back("out-of-range item");
  return out;
}

std::uint32_t readLength(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// What the module reads from each result object.
json extract(int id, void* result) {
  switch (id) {
    case 5011: return {{"items", items(*static_cast<ISongList*>(result), songItem)}};
    case 2504: {
      auto* book = static_cast<ISongBookList*>(result);
      return {{"page", book->GetPage()->GetPageNumber()}, {"pages", book->GetPage()->GetPageCount()},
              {"items", items(*book, songItem)}};
    }
    case 5012:
      return {{"items", items(*static_cast<ISingerList*>(result), [](const ISingerItem& s) {
                 return json{{"page", s.GetPageNumber()}, {"pages", s.GetPageCount()}, {"name", utf8(s.GetSingerName())},
                             {"key", utf8(s.GetSingerKey())}};
               })}};
    case 5023:
    case 5024: return {{"text", static_cast<ITextResult*>(result)->GetText()}};
    case 2531: {
      auto* block = static_cast<IByteBlock*>(result);
      const unsigned char* p = block->GetData();
      int length = block->GetLength();
      if (length < 8) return {{"malformed", true}};
      std::uint32_t keyLength = readLength(p);
      if (8u + keyLength > static_cast<std::uint32_t>(length)) return {{"malformed", true}};
      std::string key(reinterpret_cast<const char*>(p + 4), keyLength);
      std::uint32_t pictureLength = readLength(p + 4 + keyLength);
      std::string picture(reinterpret_cast<const char*>(p + 8 + keyLength), static_cast<std::size_t>(length) - 8 - keyLength);
      return {{"key", key}, {"pictureLength", pictureLength}, {"picture", picture.size()},
              {"png", picture.substr(0, 4) == "\x89PNG"}};
    }
    case 6323:
      return {{"items", items(*static_cast<IContestSongList*>(result), [](const IContestSongItem& s) {
                 return json{{"id", utf8(s.GetSongId())},       {"name", utf8(s.GetSongName())},
                             {"singerKey", utf8(s.GetSingerKey())}, {"singer", utf8(s.GetSingerName())},
                             {"picture", utf8(s.GetPictureUrl())}, {"web", utf8(s.GetWebUrl())}};
               })}};
    case 6322:
      return {{"items", items(*static_cast<IProductList*>(result), [](const IProductItem& p) {
                 return json{{"text", utf8(p.GetDisplayText())}, {"pictureKey", utf8(p.GetPictureKey())},
                             {"web", utf8(p.GetWebUrl())},       {"user", utf8(p.GetUserId())},
                             {"song", utf8(p.GetSongId())},      {"total", p.GetTotalScore()},
                             {"flowers", p.GetFlowers()},        {"listens", p.GetListens()}};
               })}};
    case 6326: {
      auto* r = static_cast<IRankResult*>(result);
      return {{"ranks", {r->GetScoreRank(), r->GetPopularityRank(), r->GetNewestRank(), r->GetFlowersRank()}}};
    }
    case 6327:
      return {{"items", items(*static_cast<IPeriodList*>(result), [](const IPeriodItem& p) {
                 return json{{"start", utf8(p.GetStart())}, {"end", utf8(p.GetEnd())}, {"title", utf8(p.GetTitle())}};
               })}};
    case 6318: {
      auto* t = static_cast<IToneResult*>(result);
      return {{"value", t->GetToneValue()}, {"level", t->GetToneLevel()}};
    }
    case 6319: {
      auto* r = static_cast<IRightsResult*>(result);
      return {{"rights", {r->GetIsVod(), r->GetIsUpload(), r->GetIsVodCoins(), r->GetIsUploadCoins()}}};
    }
    case 6305:
      return {{"items", items(*static_cast<IUserList*>(result), [](const IUserItem& u) {
                 return json{{"coin", utf8(u.GetVokaCoin())},
                             {"leaveSing", u.GetLeaveCanSingRecNum()},
                             {"leaveSingCopy", u.GetLeaveCanSingRecNumCopy()},
                             {"leaveUpload", u.GetLeaveCanUploadNum()},
                             {"ktv", u.GetKtvNum()},
                             {"mail", utf8(u.GetMail())},
                             {"secret", utf8(u.GetSecretKey())},
                             {"phone", utf8(u.GetTelphone())},
                             {"overDate", utf8(u.GetOverDate())},
                             {"rights", {u.GetIsVod(), u.GetIsUpload(), u.GetIsVodCoins(), u.GetIsUploadCoins()}},
                             {"user", utf8(u.GetUserId())}};
               })}};
    case 6325:
      return {{"items", items(*static_cast<IWorkList*>(result), [](const IWorkItem& w) {
                 return json{{"key", utf8(w.GetKey())},         {"song", utf8(w.GetSongName())},
                             {"songId", utf8(w.GetSongId())},   {"singer", utf8(w.GetSingerName())},
                             {"total", utf8(w.GetTotalScore())}, {"pitch", utf8(w.GetPitchScore())},
                             {"type", utf8(w.GetType())},       {"web", utf8(w.GetWebUrl())},
                             {"file", utf8(w.GetFileUrl())},    {"time", utf8(w.GetRecordTime())}};
               })}};
    case 6324: return {{"workId", utf8(static_cast<IWorkIdResult*>(result)->GetWorkId())}};
    case 6201: {
      auto* t = static_cast<IUploadTicket*>(result);
      return {{"upload", t->GetUploadId()}, {"total", t->GetPacketTotal()}};
    }
    case 6203: {
      auto* p = static_cast<IUploadProgress*>(result);
      return {{"sent", p->GetPacketsSent()}, {"upload", p->GetUploadId()}};
    }
    case 6202: {
      auto* f = static_cast<IUploadFinished*>(result);
      return {{"upload", f->GetUploadId()}, {"address", utf8(f->GetFile()->GetAddress())}};
    }
    case 2565:
      return {{"items", items(*static_cast<IAudioSettingsList*>(result), [](const ILocalSettingInfo& a) {
                 return json{{"vol", a.GetC()}, {"key", a.GetH()}, {"effect", a.GetK()}, {"text0", a.GetText0()}};
               })}};
    case 2588:
      return {{"items", items(*static_cast<IToneList*>(result), [](const IToneItem& t) {
                 return json{{"index", t.GetIndex()}, {"highPitch", t.GetHighPitch()}, {"use", t.GetUse()},
                             {"range", t.GetRangeCode()}, {"leave", utf8(t.GetLeave())}};
               })}};
    case 6307: {
      auto* a = static_cast<IChargeAnswer*>(result);
      return {{"result", a->GetResult()}, {"kind", a->GetKind()}};
    }
    default: return {{"unexpected result", true}};
  }
}

}  // namespace

Recorder& Recorder::instance() {
  static Recorder recorder;
  return recorder;
}

int Recorder::callback(void* result, int tag, int messageId, int status) {
  Record record{messageId, status, tag, result != nullptr, result ? extract(messageId, result) : json::object()};
  auto& self = instance();
  std::function<void(const Record&)> hook;
  {
    std::lock_guard lock(self.mutex_);
    self.records_.push_back(record);
    hook = self.hook_;
  }
  self.changed_.notify_all();
  if (hook) hook(record);
  return status;
}

void Recorder::reset() {
  std::lock_guard lock(mutex_);
  records_.clear();
  hook_ = nullptr;
}

std::vector<Record> Recorder::all() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<Record> Recorder::of(int id) const {
  std::lock_guard lock(mutex_);
  std::vector<Record> out;
  for (auto& r : records_)
    if (r.id == id) out.push_back(r);
  return out;
}

bool Recorder::waitFor(const std::function<bool(const std::vector<Record>&)>& ready) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return ready(records_); });
}

Record Recorder::first(int id) const {
  bool arrived = waitFor([id](const std::vector<Record>& records) {
    for (auto& r : records)
      if (r.id == id) return true;
    return false;
  });
  EXPECT_TRUE(arrived) << "no reply " << id;
  auto replies = of(id);
  return replies.empty() ? Record{} : replies.front();
}

void Recorder::onReply(std::function<void(const Record&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

void LinkFixture::SetUp() {
  recorder_.reset();
  dir_ = makeTempDir("vk-link-test");
  service_ = std::make_unique<ServiceProcess>(dir_);
  service_->start();
  useService(service_->url());
  createObjects();
}

void LinkFixture::TearDown() {
  releaseObjects();
  recorder_.reset();
  service_.reset();
  std::error_code error;
  std::filesystem::remove_all(dir_, error);
}

void LinkFixture::useService(const std::string& url) { ::setenv("VOKARAN_SERVICE_URL", url.c_str(), 1); }

void LinkFixture::createObjects() {
  main_ = CMainInterface::CreateInstance();
  song_ = CSongInterface::CreateInstance();
  upload_ = CUploadInterface::CreateInstance(main_);
  user_ = CUserDataInterface::CreateInstance(main_);
  main_->SetCallback(&Recorder::callback);
  song_->SetCallback(&Recorder::callback);
  upload_->SetCallback(&Recorder::callback);
  user_->SetCallback(&Recorder::callback);
  main_->SetClientId("6");
  main_->SetSession("vk-demo-session-10001", L"10001");
  upload_->SetUploadSession("vk-demo-session-10001");
  main_->SetUserMail(L"demo@vokaran.example");
  upload_->SetUploadRecordPath((dir_ / "PKData" / "UploadRecord.xml").c_str());
}

void LinkFixture::releaseObjects() {
  if (!main_) return;
  CUploadInterface::ReleaseInstance(upload_);
  CSongInterface::ReleaseInstance(song_);
  main_->Shutdown();
  CUserDataInterface::ReleaseInstance(user_);
  CMainInterface::ReleaseInstance(main_);
  main_ = nullptr;
  song_ = nullptr;
  upload_ = nullptr;
  user_ = nullptr;
}

}  // namespace vk::netlink::test

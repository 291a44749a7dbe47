// The song object: catalogue pages, song files, the menu document.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Objects.h"

namespace vk::netlink {

namespace st = wire::status;

int SongImpl::SetServiceUrl(const char* url) {
  std::string text = fromSystem(url);
  while (!text.empty() && (text.back() == '/' || text.back() == ' ')) text.pop_back();
  context_->update([&](Settings& s) {
    if (text.empty())
      s.serviceUrl.reset();
    else
      s.serviceUrl = text;
  });
  return 0;
}

int SongImpl::SetCallback(NetworkCallbackFunc callback) {
  setCallback(callback);
  return 0;
}

int SongImpl::DownloadSongData(ISynMidiFileList* buffer, const wchar_t* songId) {
  std::string id = utf8(songId);
  if (!buffer || id.empty()) return st::kBadRequestArgs;
  // Counted like a queued request, so that releasing the object waits for the download.
  if (!channel_->enter()) return st::kCancelled;
  struct Leave {
    Channel& channel;
    ~Leave() { channel.leave(); }
  } leave{*channel_};
  // The caller's thread; one connection per calling thread, kept for its next download.
  thread_local HttpClient http;
  Settings settings = context_->settings();
  // Song files are larger than replies: at least a minute unless a time-out was chosen.
  if (!std::getenv("VOKARAN_NET_TIMEOUT_MS")) settings.timeoutMs = std::max(settings.timeoutMs, 60000L);
  auto r = LinkContext::call(http, settings,
                             LinkContext::Call::get("/v1/songfiles/" + urlEncode(id)).cancelBy(cancelFlag()).asBinary());
  if (r.status != 0) return r.status;
  if (r.body.empty()) return st::kBadReply;
  buffer->ReceiveData(reinterpret_cast<const unsigned char*>(r.body.data()), static_cast<unsigned int>(r.body.size()));
  return 0;
}

namespace {

std::string catalogueQuery(const ISearchInfo& query) {
  int size = query.GetPageSize() > 0 ? query.GetPageSize() : wire::kPageSize;
  int page = query.GetPage() > 0 ? query.GetPage() : 1;
  return "?scope=" + urlEncode(utf8(query.GetScope())) + "&kind=" + urlEncode(utf8(query.GetKind())) +
         "&keyword=" + urlEncode(utf8(query.GetKeyword())) + "&page=" + std::to_string(page) +
         "&size=" + std::to_string(std::min(size, wire::kMaxPageSize));
}

// The version attribute of the menu document kept beside the upload record, "" if none.
std::string localMenuVersion(const Settings& settings) {
  std::filesystem::path file = settings.recordPath.empty()
                                   ? std::filesystem::path("PKData") / "AppSets" / "NetMenu.xml"
                                   : std::filesystem::path(utf8ToSystem(settings.recordPath)).parent_path() /
                                         "AppSets" / "NetMenu.xml";
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  auto at = head.find("menuVersion=\"");
  if (at == std::string::npos) return {};
  at += 13;
  auto end = head.find('"', at);
  return end == std::string::npos ? std::string() : head.substr(at, end - at);
}

}  // namespace

int SongImpl::RequestSongPage(const ISearchInfo* query) {
  int tag = context_->nextTag();
  if (!query) {
    refuse(5011, st::kBadRequestArgs, tag);
    return tag;
  }
  std::string path = "/v1/songs" + catalogueQuery(*query);
  auto cancel = cancelFlag();
  submit(
      5011,
      [path, cancel, tag](HttpClient& http, const Settings& s) {
        auto r = LinkContext::call(http, s, LinkContext::Call::get(path).cancelBy(cancel));
        if (r.status != 0) return Reply::bare(5011, r.status, tag);
        auto p = payload<wire::SongPage>(r);
        auto list = std::make_unique<SongList>();
        for (auto& song : p.songs) list->items.emplace_back(song, p.page, p.pageCount);
        return Reply::ok<ISongList>(5011, std::move(list), tag);
      },
      tag);
  return tag;
}

int SongImpl::RequestSingerPage(const ISearchInfo* query) {
  int tag = context_->nextTag();
  if (!query) {
    refuse(5012, st::kBadRequestArgs, tag);
    return tag;
  }
  std::string path = "/v1/singers" + catalogueQuery(*query);
  auto cancel = cancelFlag();
  submit(
      5012,
      [path, cancel, tag](HttpClient& http, const Settings& s) {
        auto r = LinkContext::call(http, s, LinkContext::Call::get(path).cancelBy(cancel));
        if (r.status != 0) return Reply::bare(5012, r.status, tag);
        auto p = payload<wire::SingerPage>(r);
        auto list = std::make_unique<SingerList>();
        for (auto& singer : p.singers) {
          SingerItem item;
          item.pageNumber = p.page;
          item.pageCount = p.pageCount;
          item.name = wide(singer.name);
          item.key = wide(singer.key);
          list->items.push_back(std::move(item));
        }
        return Reply::ok<ISingerList>(5012, std::move(list), tag);
      },
      tag);
  return tag;
}

int SongImpl::RequestNetMenuVersion() {
  auto cancel = cancelFlag();
  submit(5023, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/menu/version").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(5023, r.status);
    std::string version = r.json.value("version", std::string());
    if (!version.empty() && version == localMenuVersion(s)) {
      auto text = std::make_unique<TextResult>();
      text->text = utf8ToSystem(version);
      return Reply::ok<ITextResult>(5023, std::move(text));
    }
    // The module's copy is missing or older: hand over the new document instead.
    auto m = LinkContext::call(http, s, LinkContext::Call::get("/v1/menu").cancelBy(cancel));
    if (m.status != 0) return Reply::bare(5024, m.status);
    auto text = std::make_unique<TextResult>();
    text->text = payload<wire::MenuDocument>(m).document;
    return Reply::ok<ITextResult>(5024, std::move(text));
  });
  return 0;
}

}  // namespace vk::netlink

CSongInterface* CSongInterface::CreateInstance() { return new vk::netlink::SongImpl(); }

void CSongInterface::ReleaseInstance(CSongInterface* song) {
  auto* impl = static_cast<vk::netlink::SongImpl*>(song);
  if (!impl) return;
  impl->closeAndDrain();
  delete impl;
}

// The main object: session, song book, contest, account and generic packets.
#include "Objects.h"

namespace vk::netlink {

namespace st = wire::status;

int MainImpl::SetCallback(NetworkCallbackFunc callback) {
  setCallback(callback);
  return 0;
}

int MainImpl::SetClientId(const char* clientId) {
  std::string id = fromSystem(clientId);
  context_->update([&](Settings& s) { s.clientId = id; });
  return 0;
}

int MainImpl::SetSession(const char* sessionId, const wchar_t* userId) {
  std::string session = fromSystem(sessionId), user = utf8(userId);
  context_->update([&](Settings& s) {
    s.sessionId = session;
    s.userId = user;
  });
  return 0;
}

int MainImpl::SetUserMail(const wchar_t* mail) {
  std::string text = utf8(mail);
  context_->update([&](Settings& s) { s.mail = text; });
  return 0;
}

int MainImpl::AddToSongBook(const ISongInfo* entry) {
  if (!entry) {
    refuse(2502, st::kBadRequestArgs);
    return 0;
  }
  wire::SongBookEntry e;
  e.songId = utf8(entry->GetText0());
  e.songName = utf8(entry->GetText1());
  e.singerName = utf8(entry->GetText7());
  e.singerKey = utf8(entry->GetText16());
  e.flash = {utf8(entry->GetText11()), utf8(entry->GetText12()), utf8(entry->GetText13()), utf8(entry->GetText14()),
             utf8(entry->GetText15())};
  std::string body = nlohmann::json(e).dump();
  auto cancel = cancelFlag();
  submit(2502, [body, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::send("POST", "/v1/songbook", body).cancelBy(cancel));
    return Reply::bare(2502, r.status);
  });
  return 0;
}

int MainImpl::RemoveFromSongBook(int songNumber) {
  if (songNumber < 0) {
    refuse(2503, st::kBadRequestArgs);
    return 0;
  }
  auto cancel = cancelFlag();
  submit(2503, [songNumber, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s,
                               LinkContext::Call::send("DELETE", "/v1/songbook/" + std::to_string(songNumber)).cancelBy(cancel));
    return Reply::bare(2503, r.status);
  });
  return 0;
}

int MainImpl::RequestSongBookPage(int pageSize, int page) {
  if (pageSize < 1 || page < 1) {
    refuse(2504, st::kBadRequestArgs);
    return 0;
  }
  auto cancel = cancelFlag();
  submit(2504, [pageSize, page, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(
        http, s,
        LinkContext::Call::get("/v1/songbook?page=" + std::to_string(page) + "&size=" + std::to_string(pageSize)).cancelBy(cancel));
    if (r.status != 0) return Reply::bare(2504, r.status);
    auto p = payload<wire::SongPage>(r);
    auto list = std::make_unique<SongBookList>();
    list->page.number = p.page;
    list->page.count = p.pageCount;
    for (auto& song : p.songs) list->items.emplace_back(song, p.page, p.pageCount);
    return Reply::ok<ISongBookList>(2504, std::move(list));
  });
  return 0;
}

int MainImpl::RequestProductPicture(const wchar_t* productKey) {
  std::string key = utf8(productKey);
  if (key.empty()) {
    refuse(2531, st::kBadRequestArgs);
    return 0;
  }
  auto cancel = cancelFlag();
  submit(2531, [key, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s,
                               LinkContext::Call::get("/v1/products/" + urlEncode(key) + "/picture").cancelBy(cancel).asBinary());
    if (r.status != 0) return Reply::bare(2531, r.status);
    // Length and key, length and picture; lengths 4 bytes little-endian.
    auto block = std::make_unique<ByteBlock>();
    auto put = [&](const std::string& bytes) {
      auto n = static_cast<std::uint32_t>(bytes.size());
      for (int i = 0; i < 4; ++i) block->bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
      block->bytes += bytes;
    };
    put(utf8ToSystem(key));
    put(r.body);
    return Reply::ok<IByteBlock>(2531, std::move(block));
  });
  return 0;
}

int MainImpl::Shutdown() {
  closeAndDrain();
  return 0;
}

int MainImpl::RequestCharge(const IChargeFeeinParam* charge) {
  if (!charge) {
    refuse(6307, st::kBadRequestArgs);
    return 0;
  }
  wire::ChargeRequest c{charge->getKind(), utf8(charge->getSongId()), utf8(charge->getSongName()),
                        utf8(charge->getExtra())};
  std::string body = nlohmann::json(c).dump();
  auto cancel = cancelFlag();
  submit(6307, [body, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::send("POST", "/v1/user/charge", body).cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6307, r.status);
    auto a = payload<wire::ChargeAnswer>(r);
    auto answer = std::make_unique<ChargeAnswer>();
    answer->result = utf8ToSystem(a.result);
    answer->kind = a.kind;
    return Reply::ok<IChargeAnswer>(6307, std::move(answer));
  });
  return 0;
}

int MainImpl::SendPacket(const ICParsePacket* packet) {
  auto* built = dynamic_cast<const ParsePacketImpl*>(packet);
  if (!built) {
    refuse(0, st::kBadRequestArgs);
    return 0;
  }
  auto message = built->message();
  if (!built->finished() || message.messageId <= 0) {
    refuse(message.messageId, st::kBadRequestArgs);
    return 0;
  }
  std::string body = nlohmann::json(message).dump();
  int id = message.messageId;
  auto cancel = cancelFlag();
  submit(id, [id, body, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::send("POST", "/v1/packets", body).cancelBy(cancel));
    return packetReply(id, r);
  });
  return 0;
}

Reply packetReply(int messageId, const HttpReply& r) {
  if (r.status != 0) return Reply::bare(messageId, r.status);
  if (messageId == 2565) {
    auto list = std::make_unique<AudioSettingsList>();
    for (auto& a : payloadList<wire::AudioSettings>(r, "settings")) {
      AudioSettingsItem item;
      item.a = a;
      for (std::size_t i = 0; i < 4; ++i) item.texts[i] = utf8ToSystem(a.texts[i]);
      list->items.push_back(std::move(item));
    }
    return Reply::ok<IAudioSettingsList>(messageId, std::move(list));
  }
  if (messageId == 2588) {
    auto list = std::make_unique<ToneList>();
    for (auto& t : payloadList<wire::ToneItem>(r, "tones")) {
      ToneItem item;
      item.t = t;
      item.rangeCode = utf8ToSystem(t.rangeCode);
      item.leave = wide(t.leave);
      list->items.push_back(std::move(item));
    }
    return Reply::ok<IToneList>(messageId, std::move(list));
  }
  return Reply::bare(messageId, 0);
}

int MainImpl::RequestUserTone(int) {
  auto cancel = cancelFlag();
  submit(6318, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/user/tone").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6318, r.status);
    auto t = payload<wire::ToneValues>(r);
    auto tone = std::make_unique<ToneResult>();
    tone->value = utf8ToSystem(t.toneValue);
    tone->level = utf8ToSystem(t.toneLevel);
    return Reply::ok<IToneResult>(6318, std::move(tone));
  });
  return 0;
}

int MainImpl::RequestUserPermit(int, int) {
  auto cancel = cancelFlag();
  submit(6319, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/user/rights").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6319, r.status);
    auto rights = std::make_unique<RightsResult>();
    rights->rights = payload<wire::Rights>(r);
    return Reply::ok<IRightsResult>(6319, std::move(rights));
  });
  return 0;
}

int MainImpl::RequestCompetitionProducts(int songNumber, int ordering, int count, int page) {
  if (songNumber < 0 || count < 1 || page < 1) {
    refuse(6322, st::kBadRequestArgs);
    return 0;
  }
  auto cancel = cancelFlag();
  std::string path = "/v1/contest/products?song=" + std::to_string(songNumber) + "&order=" + std::to_string(ordering) +
                     "&count=" + std::to_string(count) + "&page=" + std::to_string(page);
  submit(6322, [path, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get(path).cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6322, r.status);
    auto list = std::make_unique<ProductList>();
    for (auto& p : payloadList<wire::Product>(r, "products")) {
      ProductItem item;
      item.displayText = wide(p.displayText);
      item.pictureKey = wide(p.pictureKey);
      item.webUrl = wide(p.webUrl);
      item.userId = wide(p.userId);
      item.songId = wide(p.songId);
      item.total = p.total;
      item.flowers = p.flowers;
      item.listens = p.listens;
      item.created = wide(p.created);
      list->items.push_back(std::move(item));
    }
    return Reply::ok<IProductList>(6322, std::move(list));
  });
  return 0;
}

int MainImpl::RequestSquareInfo() {
  auto cancel = cancelFlag();
  submit(6323, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/contest/square").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6323, r.status);
    auto list = std::make_unique<ContestSongList>();
    for (auto& c : payloadList<wire::ContestSong>(r, "songs")) {
      ContestSongItem item;
      item.songId = wide(c.songId);
      item.songName = wide(c.name);
      item.singerKey = wide(c.singerKey);
      item.singerName = wide(c.singerName);
      item.pictureUrl = wide(c.pictureUrl);
      item.webUrl = wide(c.webUrl);
      list->items.push_back(std::move(item));
    }
    return Reply::ok<IContestSongList>(6323, std::move(list));
  });
  return 0;
}

int MainImpl::RequestWorksList(int userId) {
  auto cancel = cancelFlag();
  submit(6325, [userId, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/works?user=" + std::to_string(userId)).cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6325, r.status);
    auto list = std::make_unique<WorkList>();
    for (auto& w : payloadList<wire::Work>(r, "works")) list->items.emplace_back(w);
    return Reply::ok<IWorkList>(6325, std::move(list));
  });
  return 0;
}

int MainImpl::RequestMyRank(int userNumber, int songNumber) {
  auto cancel = cancelFlag();
  std::string path = "/v1/contest/rank?user=" + std::to_string(userNumber) + "&song=" + std::to_string(songNumber);
  submit(6326, [path, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get(path).cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6326, r.status);
    auto rank = std::make_unique<RankResult>();
    rank->ranks = payload<wire::Rank>(r).ranks;
    return Reply::ok<IRankResult>(6326, std::move(rank));
  });
  return 0;
}

int MainImpl::RequestPeriodInfo() {
  auto cancel = cancelFlag();
  submit(6327, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/contest/period").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6327, r.status);
    auto p = payload<wire::Period>(r);
    auto list = std::make_unique<PeriodList>();
    PeriodItem item;
    item.start = wide(p.start);
    item.end = wide(p.end);
    item.title = wide(p.title);
    list->items.push_back(std::move(item));
    return Reply::ok<IPeriodList>(6327, std::move(list));
  });
  return 0;
}

}  // namespace vk::netlink

CMainInterface* CMainInterface::CreateInstance() { return new vk::netlink::MainImpl(); }

void CMainInterface::ReleaseInstance(CMainInterface* main) {
  auto* impl = static_cast<vk::netlink::MainImpl*>(main);
  if (!impl) return;
  impl->closeAndDrain();
  delete impl;
}

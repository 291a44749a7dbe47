#include "catalog/NetDataSources.h"

#include "NetWork/NetworkInterface.h"
#include "app/EventNames.h"
#include "app/SongIEventSet.h"

namespace {
CEGUI::Event::Connection subscribeHub(const CEGUI::String& name, CEGUI::Event::Subscriber subscriber) {
  SongIEventSet* hub = SongIEventSet::getSingletonPtr();
  return hub ? hub->subscribeEvent(name, subscriber) : CEGUI::Event::Connection();
}
}  // namespace

// --- songs and singers of a query

CDataSourceNet::CDataSourceNet(const CEGUI::String& replyEvent) : replyEvent_(replyEvent) { connect(); }

CDataSourceNet::~CDataSourceNet() { disconnect(); }

void CDataSourceNet::connect() {
  if (connection_.isValid() && connection_->connected()) return;
  connection_ = subscribeHub(replyEvent_, CEGUI::Event::Subscriber(&CDataSourceNet::onReply, this));
}

void CDataSourceNet::disconnect() {
  if (connection_.isValid()) connection_->disconnect();
  connection_ = CEGUI::Event::Connection();
}

void CDataSourceNet::setQuery(const CSearchInfo& query) {
  query_ = query;
  query_.setPageSize(getPageSize());
  cache_.clear();
  // Replies still to come belong to the old query: none of them is this query's page.
  asked_.clear();
  latestTag_ = -1;
  currentPage_ = 0;
  pageCount_ = 0;
}

void CDataSourceNet::requestPage(int page) {
  if (page < 0) page = 0;
  if (auto it = cache_.find(page); it != cache_.end()) {
    DataListEventArgs args(it->second);
    args.tag = 0;
    fireEvent(EventGotData, args, "");
    return;
  }
  query_.setPage(page + 1);
  const int tag = send(query_);
  if (tag >= 0) {
    latestTag_ = tag;
    asked_[tag] = page;
  }
  CEGUI::EventArgs args;
  fireEvent(EventGetNetDatas, args, "");
}

bool CDataSourceNet::onReply(const CEGUI::EventArgs& args) {
  // The contest songs come under the same event name in an argument class of their own.
  const auto* reply = dynamic_cast<const DataListEventArgs*>(&args);
  if (!reply) return false;
  const auto asked = asked_.find(reply->tag);
  // Another source's request, or one of a query this source has left.
  if (asked == asked_.end()) return false;
  const int page = asked->second;
  asked_.erase(asked);
  pageCount_ = blockTotal(*reply);
  if (!cache_.count(page)) {
    DataListEventArgs kept(*reply);
    // An empty reply names page 0 whatever was asked for: it is filed under the page asked for.
    setBlockPage(kept, page);
    cache_.emplace(page, std::move(kept));
  }
  if (reply->tag != latestTag_) return true;
  DataListEventArgs shown(cache_.at(page));
  fireEvent(EventGotData, shown, "");
  return true;
}

CDataSourceSong::CDataSourceSong() : CDataSourceNet(EventNames::EventSongDataBack) {}
CDataSourceSong::~CDataSourceSong() = default;

int CDataSourceSong::send(const CSearchInfo& query) {
  NetworkInterface* net = NetworkInterface::getSingletonPtr();
  return net ? net->RequestSongPage(&query) : -1;
}

CDataSourceSinger::CDataSourceSinger() : CDataSourceNet(EventNames::EventSingerDataBack) {}
CDataSourceSinger::~CDataSourceSinger() = default;

int CDataSourceSinger::send(const CSearchInfo& query) {
  NetworkInterface* net = NetworkInterface::getSingletonPtr();
  return net ? net->RequestSingerPage(&query) : -1;
}

// --- the song book

CSongBookData::CSongBookData() { connect(); }

CSongBookData::~CSongBookData() { disconnect(); }

void CSongBookData::connect() {
  if (connection_.isValid() && connection_->connected()) return;
  connection_ = subscribeHub(EventNames::GetNoteBookDatas, CEGUI::Event::Subscriber(&CSongBookData::onReply, this));
}

void CSongBookData::disconnect() {
  if (connection_.isValid()) connection_->disconnect();
  connection_ = CEGUI::Event::Connection();
}

void CSongBookData::clear() {
  cache_.clear();
  asked_ = -1;
  pageCount_ = 0;
}

void CSongBookData::requestPage(int page) {
  if (page < 0) page = 0;
  if (auto it = cache_.find(page); it != cache_.end()) {
    EventArgsSongData args;
    args.songs = it->second;
    args.songs.pageIndex = page;
    args.songs.total = pageCount_;
    fireEvent(EventGotData, args, "");
    return;
  }
  asked_ = page;
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) net->RequestSongBookPage(getPageSize(), page + 1);
  CEGUI::EventArgs args;
  fireEvent(EventGetNetDatas, args, "");
}

bool CSongBookData::onReply(const CEGUI::EventArgs& args) {
  const auto* reply = dynamic_cast<const EventArgsSongData*>(&args);
  if (!reply) return false;
  // A reply with records names its page; an empty one is the page that was asked for.
  const int page = reply->songs.records.empty() && asked_ >= 0 ? asked_ : reply->songs.pageIndex;
  if (page == asked_) asked_ = -1;
  pageCount_ = reply->songs.total;
  if (!cache_.count(page)) cache_.emplace(page, reply->songs);
  EventArgsSongData shown(*reply);
  shown.songs.pageIndex = page;
  fireEvent(EventGotData, shown, "");
  return true;
}

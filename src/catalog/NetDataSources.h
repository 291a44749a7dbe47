#pragma once
// The catalogue's network sources: songs and singers of a query, and the user's song book.
// Each page asked for goes to the service once; the pages received are kept and shown again
// from memory. A reply that is not the latest request's is kept but not shown, so a list never
// shows another query's or an abandoned page's rows. GUI thread.
#include <CEGUI/Event.h>

#include <map>

#include "NetWork/NetEventArgs.h"
#include "catalog/CSearchInfo.h"
#include "catalog/IDataSource.h"

// Songs or singers of a query (the two differ only in the request and the reply's block).
class CDataSourceNet : public IDataSource {
 public:
  ~CDataSourceNet() override;

  // A new query: the pages of the old one are forgotten; the caller then asks for page 0.
  void setQuery(const CSearchInfo& query);
  const CSearchInfo& query() const { return query_; }

  void requestPage(int page) override;
  int getPageCount() const override { return pageCount_; }
  void connect() override;
  void disconnect() override;

  // Whether page `page` of the current query has been received.
  bool cached(int page) const { return cache_.count(page) != 0; }

 protected:
  explicit CDataSourceNet(const CEGUI::String& replyEvent);
  // Sends the request for the query (its page set) and returns the request's tag (< 0: not sent).
  virtual int send(const CSearchInfo& query) = 0;
  // The block of the reply this source reads.
  virtual int blockPage(const DataListEventArgs& reply) const = 0;
  virtual int blockTotal(const DataListEventArgs& reply) const = 0;
  virtual void setBlockPage(DataListEventArgs& reply, int page) const = 0;

 private:
  bool onReply(const CEGUI::EventArgs& args);

  CEGUI::String replyEvent_;
  CEGUI::Event::Connection connection_;
  CSearchInfo query_;
  std::map<int, DataListEventArgs> cache_;
  // The page each request still unanswered asked for, by tag: a reply is filed under the page
  // it was asked for (an empty reply names no page of its own).
  std::map<int, int> asked_;
  int latestTag_ = -1;
  int pageCount_ = 0;
};

class CDataSourceSong : public CDataSourceNet {
 public:
  CDataSourceSong();
  ~CDataSourceSong() override;

 protected:
  int send(const CSearchInfo& query) override;
  int blockPage(const DataListEventArgs& reply) const override { return reply.songs.pageIndex; }
  int blockTotal(const DataListEventArgs& reply) const override { return reply.songs.total; }
  void setBlockPage(DataListEventArgs& reply, int page) const override { reply.songs.pageIndex = page; }
};

class CDataSourceSinger : public CDataSourceNet {
 public:
  CDataSourceSinger();
  ~CDataSourceSinger() override;

 protected:
  int send(const CSearchInfo& query) override;
  int blockPage(const DataListEventArgs& reply) const override { return reply.singers.pageIndex; }
  int blockTotal(const DataListEventArgs& reply) const override { return reply.singers.total; }
  void setBlockPage(DataListEventArgs& reply, int page) const override { reply.singers.pageIndex = page; }
};

// The user's song book, a page at a time.
class CSongBookData : public IDataSource {
 public:
  CSongBookData();
  ~CSongBookData() override;

  void requestPage(int page) override;
  int getPageCount() const override { return pageCount_; }
  void connect() override;
  void disconnect() override;
  // The book changed (a song removed or added): its pages are fetched again.
  void clear();

 private:
  bool onReply(const CEGUI::EventArgs& args);

  CEGUI::Event::Connection connection_;
  std::map<int, DataPage<SongRecord>> cache_;
  int asked_ = -1;  // the page of the request still unanswered, or -1
  int pageCount_ = 0;
};

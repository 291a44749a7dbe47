#pragma once
// Local data sources over the sing queue: pages of the waiting missions and of the songs
// already sung, cut out of the mission manager's lists. A source follows its list: every
// change of the list delivers the current page again. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/EventArgs.h>

#include <vector>

#include "catalog/IDataSource.h"

class CBaseMisson;
class CMissonManager;
struct SangRecord;

// "EventGotData" of the queue's source: the missions of the page.
class EventArgsMissonPage : public CEGUI::EventArgs {
 public:
  std::vector<CBaseMisson*> missons;
  int reserved = 0;
  int page = -1;  // the page delivered, -1 for an empty list
};

// "EventGotData" of the sang list's source.
class EventArgsSangPage : public CEGUI::EventArgs {
 public:
  std::vector<SangRecord*> sang;
  int page = -1;
};

class CDataSourceMisson : public IDataSource {
 public:
  explicit CDataSourceMisson(CMissonManager& manager);
  ~CDataSourceMisson() override;
  void requestPage(int page) override;
  int getPageCount() const override;

 private:
  CMissonManager& manager_;
  CEGUI::Event::Connection changed_;
};

class SangDataSource : public IDataSource {
 public:
  explicit SangDataSource(CMissonManager& manager);
  ~SangDataSource() override;
  void requestPage(int page) override;
  int getPageCount() const override;

 private:
  CMissonManager& manager_;
  CEGUI::Event::Connection changed_;
};

#include "PK/MissonDataSources.h"

#include "PK/CMissonManager.h"
#include "catalog/LocalPaging.h"

namespace {
// The list changed: the page shown is delivered again.
CEGUI::Event::Connection followChanges(CMissonManager& manager, const CEGUI::String& event,
                                       IDataSource& source) {
  return manager.subscribeEvent(event, CEGUI::Event::Subscriber([&source](const CEGUI::EventArgs&) {
                                  source.setFilled(0);
                                  source.requestPage(source.getCurrentPage());
                                  return true;
                                }));
}
// Cuts page `page` out of `list` and delivers it as "EventGotData" with `Args`, whose `items`
// member receives the page's elements.
template <class Args, class List, class Item>
void deliverPage(IDataSource& source, const List& list, int page, std::vector<Item*> Args::*items) {
  const LocalPage cut = localPage(list.size(), source.getPageSize(), page);
  Args args;
  args.page = cut.page;
  for (std::size_t i = 0; i < cut.count; ++i) (args.*items).push_back(list[cut.first + i].get());
  source.fireEvent(IDataSource::EventGotData, args, "");
}
}  // namespace

CDataSourceMisson::CDataSourceMisson(CMissonManager& manager)
    : manager_(manager), changed_(followChanges(manager, CMissonManager::EventMissonChange, *this)) {}

CDataSourceMisson::~CDataSourceMisson() { changed_->disconnect(); }

int CDataSourceMisson::getPageCount() const { return localPageCount(manager_.waitingCount(), getPageSize()); }

void CDataSourceMisson::requestPage(int page) {
  deliverPage(*this, manager_.waiting(), page, &EventArgsMissonPage::missons);
}

SangDataSource::SangDataSource(CMissonManager& manager)
    : manager_(manager), changed_(followChanges(manager, CMissonManager::EventSangChange, *this)) {}

SangDataSource::~SangDataSource() { changed_->disconnect(); }

int SangDataSource::getPageCount() const { return localPageCount(manager_.sang().size(), getPageSize()); }

void SangDataSource::requestPage(int page) { deliverPage(*this, manager_.sang(), page, &EventArgsSangPage::sang); }

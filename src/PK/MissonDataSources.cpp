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
}  // namespace

CDataSourceMisson::CDataSourceMisson(CMissonManager& manager)
    : manager_(manager), changed_(followChanges(manager, CMissonManager::EventMissonChange, *this)) {}

CDataSourceMisson::~CDataSourceMisson() { changed_->disconnect(); }

int CDataSourceMisson::getPageCount() const { return localPageCount(manager_.waitingCount(), getPageSize()); }

void CDataSourceMisson::requestPage(int page) {
  const auto& list = manager_.waiting();
  const LocalPage cut = localPage(list.size(), getPageSize(), page);
  EventArgsMissonPage args;
  args.page = cut.page;
  for (std::size_t i = 0; i < cut.count; ++i) args.missons.push_back(list[cut.first + i].get());
  fireEvent(EventGotData, args, "");
}

SangDataSource::SangDataSource(CMissonManager& manager)
    : manager_(manager), changed_(followChanges(manager, CMissonManager::EventSangChange, *this)) {}

SangDataSource::~SangDataSource() { changed_->disconnect(); }

int SangDataSource::getPageCount() const { return localPageCount(manager_.sang().size(), getPageSize()); }

void SangDataSource::requestPage(int page) {
  const auto& list = manager_.sang();
  const LocalPage cut = localPage(list.size(), getPageSize(), page);
  EventArgsSangPage args;
  args.page = cut.page;
  for (std::size_t i = 0; i < cut.count; ++i) args.sang.push_back(list[cut.first + i].get());
  fireEvent(EventGotData, args, "");
}

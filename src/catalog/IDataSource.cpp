#include "catalog/IDataSource.h"

const CEGUI::String IDataSource::EventGotData("EventGotData");
const CEGUI::String IDataSource::EventGetNetDatas("EventGetNetDatas");

void IDataSource::nextPage() {
  ++currentPage_;
  if (currentPage_ >= getPageCount()) currentPage_ = 0;
  requestPage(currentPage_);
}

void IDataSource::prevPage() {
  --currentPage_;
  if (currentPage_ < 0) currentPage_ = getPageCount() - 1;
  if (currentPage_ < 0) currentPage_ = 0;
  requestPage(currentPage_);
}

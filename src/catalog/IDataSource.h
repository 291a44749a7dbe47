#pragma once
// A source of pages for a list window. Network sources ask the service for a page and keep
// the pages they received; local sources cut pages out of a list another part of the program
// owns. Either way the page arrives as "EventGotData" fired on the source itself, so a list
// window has one path for every kind of data. GUI thread.
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

class IDataSource : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventGotData;      // a page is ready
  static const CEGUI::String EventGetNetDatas;  // a request went to the service
  static constexpr int kPageSize = 12;

  ~IDataSource() override = default;

  // The page after the current one, wrapping to the first; then requestPage of it.
  virtual void nextPage();
  // The page before the current one, wrapping to the last (the first when there is none).
  virtual void prevPage();
  // Makes page `page` (from 0) available; does not change the current page.
  virtual void requestPage(int page) = 0;
  virtual bool needsFill() const { return filled == 0; }
  virtual void setFilled(int value) { filled = value; }
  virtual int getPageCount() const = 0;
  virtual int getCurrentPage() const { return currentPage_; }
  // Back to the page shown when the one paged to never came.
  void setCurrentPage(int page) { currentPage_ = page; }
  virtual int getPageSize() const { return kPageSize; }
  // Network sources take their reply event from the hub; local sources have none.
  virtual void connect() {}
  virtual void disconnect() {}

  int filled = 0;

 protected:
  int currentPage_ = 0;
};

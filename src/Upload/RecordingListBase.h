#pragma once
// What both works lists share: the list's layout (a tab of the works page), the previous- and
// next-page buttons, the page text and the paging of six works a page. A list fires
// "PageShown" on itself each time it has drawn a page, so the page's focus can follow. GUI
// thread.
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <vector>

namespace CEGUI {
class Window;
}

class RecordingListBase : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventPageShown;  // "PageShown"
  static constexpr int pageSize = 6;

  ~RecordingListBase() override;
  RecordingListBase(const RecordingListBase&) = delete;
  RecordingListBase& operator=(const RecordingListBase&) = delete;

  // Loads the layout, creates the six rows, computes the pages, shows the first and
  // subscribes to the album. False when the layout is missing.
  bool initialise();
  // Takes the album's works again and shows the current page (after the album's event).
  void refresh();
  // Shows page `page` (0: no works).
  void showPage(int page);
  void updatePageText();

  int currentPage() const { return currentPage_; }
  int pageCount() const { return pageCount_; }
  CEGUI::Window* rootWindow() const { return root_; }
  CEGUI::Window* previousButton() const { return previous_; }
  CEGUI::Window* nextButton() const { return next_; }
  CEGUI::Window* pageText() const { return pageText_; }
  // The focus rows of the page shown: each row's buttons, then the page buttons when shown.
  std::vector<std::vector<CEGUI::Window*>> focusRows() const;

 protected:
  // `prefix` names the layout's windows ("LocalRecording"), `layout` its file.
  RecordingListBase(CEGUI::String prefix, CEGUI::String layout);

  // The album's works in list order (their number); the rows and what they show.
  virtual int takeWorks() = 0;
  virtual void createRows(CEGUI::Window* area) = 0;
  virtual void clearRow(int row) = 0;
  virtual void fillRow(int row, int work) = 0;
  virtual CEGUI::Window* rowWindow(int row) const = 0;
  virtual std::vector<CEGUI::Window*> rowButtons(int row) const = 0;
  virtual void subscribeAlbum() = 0;
  // The published list turns a page 0 into 1 on refresh; the local list does not.
  virtual bool refreshShowsFirstPage() const = 0;

  std::vector<CEGUI::Event::Connection> albumConnections_;

 private:
  bool onPrevious(const CEGUI::EventArgs& args);
  bool onNext(const CEGUI::EventArgs& args);

  CEGUI::String prefix_, layout_;
  CEGUI::Window* root_ = nullptr;
  CEGUI::Window* previous_ = nullptr;
  CEGUI::Window* next_ = nullptr;
  CEGUI::Window* pageText_ = nullptr;
  CEGUI::Window* area_ = nullptr;
  CEGUI::Window* empty_ = nullptr;
  int currentPage_ = 0;
  int pageCount_ = 0;
  int works_ = 0;
};

#include "Upload/RecordingListBase.h"

#include <CEGUI/CEGUI.h>

#include "Upload/WorksPaging.h"
#include "app/AppLog.h"

const CEGUI::String RecordingListBase::EventPageShown("PageShown");

RecordingListBase::RecordingListBase(CEGUI::String prefix, CEGUI::String layout)
    : prefix_(std::move(prefix)), layout_(std::move(layout)) {}

RecordingListBase::~RecordingListBase() {
  for (auto& c : albumConnections_) c->disconnect();
  // The rows go first (the derived destructor), then the list's own windows.
  if (root_) CEGUI::WindowManager::getSingleton().destroyWindow(root_);
}

bool RecordingListBase::initialise() {
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(layout_);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("works list: the layout was not loaded: ") + e.getMessage().c_str());
    root_ = nullptr;
    return false;
  }
  auto find = [this](const char* name) -> CEGUI::Window* {
    return root_->isChild(name) ? root_->getChild(name) : nullptr;
  };
  previous_ = find("PrepageBtn");
  next_ = find("NextpageBtn");
  pageText_ = find("PageText");
  area_ = find("List");
  empty_ = find("Empty");
  if (!area_) {
    appLogError("works list: the layout has no list area");
    return false;
  }
  createRows(area_);
  if (previous_)
    previous_->subscribeEvent(CEGUI::PushButton::EventClicked,
                              CEGUI::Event::Subscriber(&RecordingListBase::onPrevious, this));
  if (next_)
    next_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&RecordingListBase::onNext, this));
  works_ = takeWorks();
  pageCount_ = workspaging::pageCount(works_);
  showPage(pageCount_ >= 1 ? 1 : 0);
  subscribeAlbum();
  return true;
}

void RecordingListBase::refresh() {
  works_ = takeWorks();
  pageCount_ = workspaging::pageCount(works_);
  int page = currentPage_;
  if (works_ == 0) page = 0;
  else if (page > pageCount_) page = pageCount_;
  if (page == 0 && works_ > 0 && refreshShowsFirstPage()) page = 1;
  showPage(page);
}

void RecordingListBase::showPage(int page) {
  currentPage_ = page;
  for (int row = 0; row < pageSize; ++row) {
    clearRow(row);
    // Every other row lies on a band, so a row's buttons are easy to follow across the screen.
    if (CEGUI::Window* w = rowWindow(row))
      w->setProperty("Image", row % 2 == 1 ? "PK/UploadListItem_Normal" : "");
  }
  if (page >= 1) {
    const int first = (page - 1) * pageSize;
    for (int row = 0; row < pageSize && first + row < works_; ++row) fillRow(row, first + row);
  }
  const bool paging = pageCount_ > 1;
  if (previous_) previous_->setVisible(paging);
  if (next_) next_->setVisible(paging);
  if (empty_) empty_->setVisible(works_ == 0);
  updatePageText();
  CEGUI::EventArgs args;
  fireEvent(EventPageShown, args, "");
}

void RecordingListBase::updatePageText() {
  if (!pageText_) return;
  pageText_->setText(workspaging::text(currentPage_, pageCount_));
  pageText_->setVisible(works_ > 0);
}

std::vector<std::vector<CEGUI::Window*>> RecordingListBase::focusRows() const {
  std::vector<std::vector<CEGUI::Window*>> rows;
  for (int row = 0; row < pageSize; ++row) {
    auto buttons = rowButtons(row);
    if (!buttons.empty()) rows.push_back(std::move(buttons));
  }
  std::vector<CEGUI::Window*> paging;
  for (CEGUI::Window* w : {previous_, next_})
    if (w && w->isVisible() && !w->isDisabled()) paging.push_back(w);
  if (!paging.empty()) rows.push_back(std::move(paging));
  return rows;
}

bool RecordingListBase::onPrevious(const CEGUI::EventArgs&) {
  showPage(workspaging::previous(currentPage_, pageCount_));
  return true;
}

bool RecordingListBase::onNext(const CEGUI::EventArgs&) {
  showPage(workspaging::next(currentPage_, pageCount_));
  return true;
}

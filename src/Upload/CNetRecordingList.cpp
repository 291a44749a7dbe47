#include "Upload/CNetRecordingList.h"

#include <CEGUI/CEGUI.h>

#include "Upload/CAlbumManager.h"

const CEGUI::String CNetRecordingList::kLayout("PK_NetRecordingList.layout");

CNetRecordingList::CNetRecordingList(CNetRecordingItem::UrlOpener openUrl)
    : RecordingListBase("NetRecording", kLayout), openUrl_(std::move(openUrl)) {}

CNetRecordingList::~CNetRecordingList() {
  for (auto& c : albumConnections_) c->disconnect();
  albumConnections_.clear();
  items_.clear();
}

int CNetRecordingList::takeWorks() {
  works_.clear();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) album->listNetRecordings(works_);
  return static_cast<int>(works_.size());
}

void CNetRecordingList::createRows(CEGUI::Window* area) {
  items_.clear();
  for (int row = 0; row < pageSize; ++row) items_.push_back(std::make_unique<CNetRecordingItem>(area, row, openUrl_));
}

void CNetRecordingList::clearRow(int row) { items_[static_cast<std::size_t>(row)]->clear(); }

void CNetRecordingList::fillRow(int row, int work) {
  items_[static_cast<std::size_t>(row)]->showWork(works_[static_cast<std::size_t>(work)]);
}

CEGUI::Window* CNetRecordingList::rowWindow(int row) const { return items_[static_cast<std::size_t>(row)]->rootWindow(); }

std::vector<CEGUI::Window*> CNetRecordingList::rowButtons(int row) const {
  return items_[static_cast<std::size_t>(row)]->focusButtons();
}

void CNetRecordingList::subscribeAlbum() {
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr())
    albumConnections_.push_back(album->subscribeEvent(
        "UpdateNetRecording", CEGUI::Event::Subscriber(&CNetRecordingList::onUpdateNetRecording, this)));
}

bool CNetRecordingList::onUpdateNetRecording(const CEGUI::EventArgs&) {
  refresh();
  return false;
}

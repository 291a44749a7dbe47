#pragma once
// The published works, six a page, redrawn on the album's "UpdateNetRecording". GUI thread.
#include <memory>
#include <vector>

#include "NetWork/NetRecords.h"
#include "Upload/CNetRecordingItem.h"
#include "Upload/RecordingListBase.h"

class CNetRecordingList : public RecordingListBase {
 public:
  static const CEGUI::String kLayout;  // "PK_NetRecordingList.layout"

  explicit CNetRecordingList(CNetRecordingItem::UrlOpener openUrl = {});
  ~CNetRecordingList() override;

  const std::vector<std::unique_ptr<CNetRecordingItem>>& items() const { return items_; }

 protected:
  int takeWorks() override;
  void createRows(CEGUI::Window* area) override;
  void clearRow(int row) override;
  void fillRow(int row, int work) override;
  CEGUI::Window* rowWindow(int row) const override;
  std::vector<CEGUI::Window*> rowButtons(int row) const override;
  void subscribeAlbum() override;
  bool refreshShowsFirstPage() const override { return true; }

 private:
  bool onUpdateNetRecording(const CEGUI::EventArgs& args);

  CNetRecordingItem::UrlOpener openUrl_;
  std::vector<std::unique_ptr<CNetRecordingItem>> items_;
  std::vector<NetRecording> works_;
};

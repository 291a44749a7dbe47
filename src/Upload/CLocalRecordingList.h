#pragma once
// The local works, six a page. Share on an unmixed work mixes it first: the mixing job and its
// progress dialog (kept under "Mix") run over the GUI sheet; a finished mix marks the work mixed
// and starts its upload as its row's Share would. GUI thread.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Upload/CLocalRecordingItem.h"
#include "Upload/RecordingListBase.h"

class IMix;
class IPageCtrl;
struct UploadItem;

class CLocalRecordingList : public RecordingListBase {
 public:
  static const CEGUI::String kLayout;  // "PK_LocalRecordingList.layout"
  // Makes the mixing job of a work (null: that work cannot be mixed now).
  using MixFactory = std::function<std::unique_ptr<IMix>(const UploadItem&)>;

  // `mixFactory` null: the Windows Media mix of the work's recordings; `playbackFactory` null:
  // the playback window with the engine's live mix.
  explicit CLocalRecordingList(MixFactory mixFactory = {}, CLocalRecordingItem::PlaybackFactory playbackFactory = {});
  ~CLocalRecordingList() override;

  const std::vector<std::unique_ptr<CLocalRecordingItem>>& items() const { return items_; }
  // The open child dialog under `name` ("TelInput", "Mix"), or null.
  IPageCtrl* dialog(const std::string& name) const;
  // The work whose mix was asked for last.
  const std::wstring& mixKey() const { return mixKey_; }

 protected:
  int takeWorks() override;
  void createRows(CEGUI::Window* area) override;
  void clearRow(int row) override;
  void fillRow(int row, int work) override;
  CEGUI::Window* rowWindow(int row) const override;
  std::vector<CEGUI::Window*> rowButtons(int row) const override;
  void subscribeAlbum() override;
  bool refreshShowsFirstPage() const override { return false; }

 private:
  bool onUpdateLocalRecording(const CEGUI::EventArgs& args);
  bool onEventMix(const CEGUI::EventArgs& args);
  bool onMixEnded(const CEGUI::EventArgs& args);
  bool onTelInputEnded(const CEGUI::EventArgs& args);
  void startMix();
  void dropMixDialog(bool deferred);

  MixFactory mixFactory_;
  CLocalRecordingItem::PlaybackFactory playbackFactory_;
  std::vector<std::unique_ptr<CLocalRecordingItem>> items_;
  std::vector<UploadItem*> works_;
  // By key, not by pointer: the album's works may move while the mix runs.
  std::wstring mixKey_;
  std::map<std::string, IPageCtrl*> dialogs_;
  std::unique_ptr<IMix> mixJob_;
  CEGUI::Event::Connection mixEnded_;
};

#pragma once
// One row of the published works: the contest flag, song, recording time and the buttons Play
// (opens the work's web page) and Delete (asks the service to delete it; a contest work cannot
// be deleted here). While it shows a work it follows "DelNetRecordingSuccess" + key and
// "DelNetRecordingFail" + key on the album, both of which give Delete back. GUI thread.
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NetWork/NetRecords.h"

namespace CEGUI {
class Window;
}

class CNetRecordingItem : public CEGUI::EventSet {
 public:
  static const CEGUI::String kLayout;  // "PK_NetRecordingItem.layout"
  using UrlOpener = std::function<void(const std::wstring&)>;

  // Loads the row under `parent` (the list area), in place `row` of six. `openUrl` null: the
  // shell's "open".
  CNetRecordingItem(CEGUI::Window* parent, int row, UrlOpener openUrl = {});
  ~CNetRecordingItem() override;
  CNetRecordingItem(const CNetRecordingItem&) = delete;
  CNetRecordingItem& operator=(const CNetRecordingItem&) = delete;

  void showWork(const NetRecording& work);
  void clear();

  bool showing() const { return showing_; }
  const NetRecording& work() const { return work_; }
  CEGUI::Window* rootWindow() const { return root_; }
  CEGUI::Window* child(const CEGUI::String& name) const;
  std::vector<CEGUI::Window*> focusButtons() const;
  // The address Play opens: the work's web page, else its file.
  static std::wstring playAddress(const NetRecording& work);

 private:
  void disconnectWork();
  bool onPlay(const CEGUI::EventArgs& args);
  bool onDelete(const CEGUI::EventArgs& args);
  bool onDeleteReply(const CEGUI::EventArgs& args);

  CEGUI::Window* root_ = nullptr;
  UrlOpener openUrl_;
  NetRecording work_;
  bool showing_ = false;
  // Tells an answer that comes after the row has gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::vector<CEGUI::String> keyedEvents_;
  std::vector<CEGUI::Event::Connection> workConnections_;
  std::vector<CEGUI::Event::Connection> buttonConnections_;
};

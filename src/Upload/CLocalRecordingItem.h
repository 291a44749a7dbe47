#pragma once
// One row of the local works: the contest flag, song, recording time, the upload's progress and
// the buttons Play (the playback window, kept under "PlayBack" while it is open; disabled when
// the work's recordings are no longer on disk; its Upload starts this row's upload), Share (upload or pause; an unmixed work asks
// its list for a mix through "EventMix") and Delete. While it shows a work it follows that
// work's "UploadBegin" + key and "UploadPause" + key on the album. GUI thread.
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>
#include <CEGUI/UDim.h>
#include <CEGUI/Rect.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CEGUI {
class Window;
}
struct UploadItem;
class IPageCtrl;
class CPKPlaybackWnd;

// "EventMix": the work (by key) whose Share asked for a mix.
class RecordingEventArgs : public CEGUI::EventArgs {
 public:
  explicit RecordingEventArgs(std::wstring key) : key(std::move(key)) {}
  std::wstring key;
};

class CLocalRecordingItem : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventMix;  // "EventMix"
  static const CEGUI::String kLayout;   // "PK_LocalRecordingItem.layout"

  // Loads the row under `parent` (the list area), in place `row` of six.
  CLocalRecordingItem(CEGUI::Window* parent, int row);
  ~CLocalRecordingItem() override;
  CLocalRecordingItem(const CLocalRecordingItem&) = delete;
  CLocalRecordingItem& operator=(const CLocalRecordingItem&) = delete;

  // `work` belongs to the album and stays valid until its next "UpdateLocalRecording", after
  // which the list shows its rows again.
  void showWork(UploadItem* work);
  void clear();
  // The Share button: upload or pause a mixed work, ask for the mix of an unmixed one.
  void share();
  // The Play button: the playback window over the GUI sheet. Nothing when the recordings are
  // gone (the button is then disabled and a notice says so).
  void play();
  // The open child dialog under `name` ("PlayBack"), or null.
  IPageCtrl* dialog(const std::string& name) const;

  // Makes the playback window; null: the engine's live mix and the video player.
  using PlaybackFactory = std::function<CPKPlaybackWnd*()>;
  void setPlaybackFactory(PlaybackFactory factory) { playbackFactory_ = std::move(factory); }

  UploadItem* work() const { return work_; }
  bool showingUpload() const { return showingUpload_; }
  CEGUI::Window* rootWindow() const { return root_; }
  // A child by its name in the layout ("Share"); null when there is none.
  CEGUI::Window* child(const CEGUI::String& name) const;
  // The row's buttons the remote-control focus can land on, left to right.
  std::vector<CEGUI::Window*> focusButtons() const;

 private:
  void setShareImages(bool pause);
  void disconnectWork();
  bool onShare(const CEGUI::EventArgs& args);
  bool onDelete(const CEGUI::EventArgs& args);
  bool onPlay(const CEGUI::EventArgs& args);
  bool onPlaybackEnded(const CEGUI::EventArgs& args);
  void dropPlayback(bool deferred);

  CEGUI::Window* root_ = nullptr;
  CEGUI::URect recordTimeArea_;  // the layout's, given back when the row shows another work
  UploadItem* work_ = nullptr;
  std::wstring key_;
  bool showingUpload_ = false;
  std::vector<CEGUI::String> keyedEvents_;
  std::vector<CEGUI::Event::Connection> workConnections_;
  std::vector<CEGUI::Event::Connection> buttonConnections_;
  PlaybackFactory playbackFactory_;
  std::map<std::string, IPageCtrl*> dialogs_;
  CEGUI::Event::Connection playbackEnded_;
};

#pragma once
// The score window at the end of a contest song: the pitch, expression and rhythm totals, their
// sum against the full score, the rate, and a percent bar that climbs in steps, with a sound at
// each, to the engine's total. Four buttons (window IDs 1-4): preview, upload, sing again, back.
// It ends with 0 (upload) or 1 (sing again, back, the key map's Back key); the performance that
// opened it destroys it on its "EndModal". GUI thread.
#include <CEGUI/Event.h>

#include <functional>
#include <string>

#include "PK/CMissonPk.h"
#include "Upload/CPKPlaybackWnd.h"
#include "Upload/UploadItem.h"
#include "app/IPageCtrl.h"
#include "guishell/CEGUITimer.h"

class PKScoreWnd : public IPageCtrl {
 public:
  enum Button : unsigned { Preview = 1, Upload = 2, Resing = 3, Back = 4 };
  static constexpr unsigned kBarPeriodMs = 400;

  PKScoreWnd();
  ~PKScoreWnd() override;

  void setScores(const PkScoreRecord& scores) { scores_ = scores; }
  // The recording the buttons act on.
  void setWorks(const UploadItem& works) { works_ = works; }
  const UploadItem& works() const { return works_; }
  const PkScoreRecord& scores() const { return scores_; }

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  // Runs the action of a button, as a click or Return on it does.
  void runAction(unsigned id);
  // The rate text: pitch + emotion + tempo as a percentage of the full score; "--" when the
  // song had no scored words.
  static std::string rateText(const PkScoreRecord& scores);

  // The open preview of the recording, or null.
  CPKPlaybackWnd* preview() const { return preview_; }
  // Makes the preview window; null: the engine's live mix with the video player.
  void setPreviewFactory(std::function<CPKPlaybackWnd*()> factory) { previewFactory_ = std::move(factory); }

  // The sound files, under the installation's PKData/wav.
  static std::wstring totalSoundPath();
  static std::wstring stepSoundPath();

 private:
  CEGUI::Window* child(const char* path) const;
  void fillTexts();
  void focusButton(unsigned id);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onMouseClick(const CEGUI::EventArgs& args);
  bool onBarTick(const CEGUI::EventArgs& args);
  void stopBar();
  void openPreview();
  bool onPreviewEnded(const CEGUI::EventArgs& args);
  void dropPreview(bool deferred);

  PkScoreRecord scores_;
  UploadItem works_;
  CEGUITimer barTimer_;
  CEGUI::Event::Connection barConnection_;
  bool barDone_ = false;
  CPKPlaybackWnd* preview_ = nullptr;
  CEGUI::Event::Connection previewEnded_;
  std::function<CPKPlaybackWnd*()> previewFactory_;
};

#pragma once
// A contest song: the mission that switches the engine into contest scoring, records voice and
// music into the performance's files, plays the song and, when it has ended, collects the
// scores and saves the lyrics beside the recording. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <map>
#include <memory>
#include <vector>

#include "PK/CBaseMisson.h"
#include "AppSet/PKRankSet.h"
#include "PK/CLyricsCVD.h"
#include "PK/PerformanceFiles.h"
#include "Upload/UploadItem.h"

// The totals of one performance, in this order.
struct PkScoreRecord {
  int pitch = 0;
  int emotion = 0;
  int tempo = 0;
  int bonus = 0;
  int fullScore = 0;    // scored words x 30
  int engineTotal = 0;  // the engine's total
};

class CGradeModule;
class IPageCtrl;
namespace avmedia {
class IGraphBuilder;
}

class CMissonPk : public CBaseMisson {
 public:
  static constexpr int kType = 3;
  static constexpr unsigned kFeePeriodMs = 600000;
  static constexpr int kMelodyNormal = 64;
  static constexpr int kMelodyChallenge = 8;
  // The size the singing screen is captured at.
  static constexpr int kCaptureWidth = 1440;
  static constexpr int kCaptureHeight = 900;

  explicit CMissonPk(const SongRecord& song);
  ~CMissonPk() override;

  int Prepare() override;
  int Play() override;
  int End() override;
  int Pause() override;
  int Resume() override;
  int GetType() const override { return kType; }
  CBaseMisson* Clone() const override;
  // Sings the song again from its start: the recording and the scores start afresh.
  int Restart();

  // Set by the re-sing command: the song ends without a score and is sung again.
  void requestReplay() { replayRequested = 1; }

  int replayRequested = 0;
  // A challenge lowers the guide melody and announces itself ("ChallengeBegin"/"ChallengeEnd").
  bool challenge = false;
  // Whether the song is one of the current contest songs.
  bool contestSong = false;
  bool showScore = true;
  // Whether the sing is paid for: not the development preview of a local song file.
  bool paid = true;
  PkScoreRecord scores;
  PerformanceFiles files;
  // The work the performance leaves when something was recorded (filled at the end; empty
  // key otherwise): its files and scores, for the album.
  UploadItem works;
  // Seconds recorded at the end (0 when nothing was).
  int recordedSeconds = 0;
  // The sheet's "Image" before the contest background replaced it ("" when there was none).
  CEGUI::String savedSheetImage;
  // The singers' records of past performances, per song: the file PKData/AppSets/PKRank.xml,
  // read and extended when a performance ends.
  PKRankSet rankSet;
  // The rank records' file.
  static std::wstring rankPath();
  // The record of a performance: the final score (the three totals), the three totals and the
  // rate in percent of the full score ("" when nothing was scored).
  static SongRank rankOf(const PkScoreRecord& scores);

  // The capture profile of the silent video: Record/album_chs.prx in the installation.
  static std::string captureProfilePath();
  // Waits until the silent videos of ended performances are complete (at exit); false when
  // one was still being written after `timeoutMs`.
  static bool finishCaptures(int timeoutMs);
  // Whether the singing screen is being captured.
  bool capturing() const { return captureGraph_ != nullptr; }

  // The singing screen: lyrics and melody windows, and the live grading.
  CLyricsCVD& lyricsView() { return lyricsView_; }
  CGradeModule* grade() const { return grade_.get(); }
  // The pages the performance opened, by window name: at most the score window, under
  // kScorePage, from the end of the song until the singer leaves it. Owned by the performance.
  static constexpr const char* kScorePage = "ScoreResult";
  std::map<CEGUI::String, IPageCtrl*> pages;

 private:
  bool onFeeTimer(const CEGUI::EventArgs& args);
  // The fee events of the payment object: a fee dialog pauses the song, a confirmed or
  // finished payment resumes it, a refusal ends it.
  void subscribeFeeEvents();
  void disconnectFeeEvents();
  void requestFee();
  bool onFeeDialogOpen(const CEGUI::EventArgs& args);
  bool onFeePaid(const CEGUI::EventArgs& args);
  bool onFeeRefused(const CEGUI::EventArgs& args);
  void stopEngineWork();

  // The contest stage behind the song (CMissonPkStage.cpp).
  void showContestBackground();
  void restoreContestBackground();
  // Appends a sung performance to the song's rank records and saves them.
  void keepRank();
  void fillWorks();

  // The silent video (CMissonPkCapture.cpp).
  void startCapture();
  void stopCapture();
  // Whether the writer gave up during the song (a full disk): the video holds what was written.
  bool captureFailed();

  void startSingingScreen();
  void stopSingingScreen();
  void openScoreWindow();
  bool onScoreWindowEnded(const CEGUI::EventArgs& args);
  // Takes the page out of `pages`; closes it first when it is still open.
  void dropPage(const CEGUI::String& name, bool deferDelete);

  CLyricsCVD lyricsView_;
  std::unique_ptr<CGradeModule> grade_;
  std::unique_ptr<avmedia::IGraphBuilder> captureGraph_;
  int savedMelodyVolume_ = -1;
  bool backgroundShown_ = false;
  bool recordingIncomplete_ = false;
  CEGUI::Event::Connection feeConnection_;
  std::vector<CEGUI::Event::Connection> feeEvents_;
  // A fee dialog of this performance is open: the song is paused for it.
  bool feeDialogOpen_ = false;
  CEGUI::Event::Connection scoreEndConnection_;
};

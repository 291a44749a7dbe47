#pragma once
// The playback window: a local work watched and heard before it is shared. The engine mixes the
// recorded voice over the recorded accompaniment live while the work's silent video plays
// beside it, kept in step with the sound (on every seek, pause and resume the picture is put
// where the sound is). A modal page over the GUI sheet; it ends with 1 from "Upload" (and then
// the works page opens) and with 0 from "Back" or the key map's Back key, and fires
// "PlayBackEndPlay" on itself when it closes.
//
// The control strip ("ControlWnd": play/pause, the position slider, the times, Upload, Back)
// hides ten seconds after the last key or mouse movement and comes back on the next one; the
// key that brings it back does nothing else (except Back, which always ends the page).
//
// The remote control: the focus goes play/pause -> slider -> Upload -> Back and round again with
// Down (Up goes back); Left and Right do the same on the buttons, and on the slider move the
// sound and the picture 10 s back or on. OK presses the focused button; on the slider it plays
// or pauses. The mouse may drag the slider or click its track: the position follows on release.
//
// GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Upload/PlaybackEngine.h"
#include "Upload/PlaybackSource.h"
#include "app/IPageCtrl.h"
#include "guishell/CEGUITimer.h"

namespace CEGUI {
class Slider;
class Window;
}  // namespace CEGUI

// The silent video beside the sound. GUI thread.
class IPlaybackVideo {
 public:
  virtual ~IPlaybackVideo() = default;
  // Stops what was shown and opens `path` paused on its first frame; a file that cannot be read
  // leaves the window empty (the sound plays all the same). May be called again for another
  // file.
  virtual void open(const std::wstring& path) = 0;
  virtual void run() = 0;
  virtual void pause() = 0;
  virtual void seekMs(int milliseconds) = 0;
  // Milliseconds into the file of the picture shown, or negative when that is not known (no
  // file, one that cannot be read).
  virtual int positionMs() = 0;
  // The file's length in milliseconds, or negative when it is not known.
  virtual int durationMs() = 0;
  // Stops the video and lets go of the file; the window draws nothing more.
  virtual void close() = 0;
};

struct PlaybackWndContext {
  // The live mix; null: the engine's.
  std::unique_ptr<IPlaybackEngine> engine;
  // Makes the video for the window "VideoWnd"; null: the video player.
  std::function<std::unique_ptr<IPlaybackVideo>(CEGUI::Window* videoWindow)> video;
  // Runs after the page has ended with 1; null: the works page opens.
  std::function<void()> onUpload;
};

// The video player of the window "VideoWnd"; null when there is no such window.
std::unique_ptr<IPlaybackVideo> makePlaybackVideo(CEGUI::Window* videoWindow);

class CPKPlaybackWnd : public IPageCtrl {
 public:
  static const CEGUI::String kLayout;          // "PK_PlaybackWnd.layout"
  static const CEGUI::String EventEndPlay;     // "PlayBackEndPlay"
  static constexpr unsigned kHideDelayMs = 10000;
  static constexpr unsigned kPositionPeriodMs = 100;
  static constexpr int kSeekStepMs = 10000;
  // While both play, a picture further than this from the sound is put back where the sound is.
  static constexpr int kResyncMs = 80;
  // After the picture was moved, position ticks without a correction (it takes the streaming
  // thread a moment to get there).
  static constexpr int kResyncHoldTicks = 5;

  explicit CPKPlaybackWnd(PlaybackWndContext context = {});
  ~CPKPlaybackWnd() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  // Plays `source` from its start. The opener calls it right after attaching the page.
  void setSource(const PlaybackSource& source);
  const PlaybackSource& source() const { return source_; }

  void togglePlay();
  // Moves sound and picture to `milliseconds` (clamped to the recording).
  void seekTo(int milliseconds);
  void upload();
  void back();

  bool playing() const { return playing_; }
  int totalSeconds() const { return totalSeconds_; }
  bool controlsVisible() const;
  // A window of the page by its name under the root ("ControlWnd/BtnPlayPause"); null if absent.
  CEGUI::Window* part(const CEGUI::String& path) const;
  // The remote-control focus: 0 play/pause, 1 slider, 2 Upload, 3 Back.
  int focusIndex() const { return focus_; }
  bool handleKey(unsigned scancode);

  // "%02d：%02d" (minutes, a full-width colon, seconds).
  static CEGUI::String timeText(int seconds);

 private:
  enum Focus { FocusPlay = 0, FocusSlider, FocusUpload, FocusBack, FocusCount };

  void showControls();
  void hideControls();
  void showPosition(int ms);
  void setPlayImages(bool playing);
  void focusAt(int index);
  void moveFocus(int step);
  void keepPictureInStep(int soundMs);
  void moveVideo(int milliseconds);
  int totalMs() const { return totalSeconds_ * 1000; }
  bool onPositionTick(const CEGUI::EventArgs& args);
  bool onHideTick(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onInput(const CEGUI::EventArgs& args);
  bool onSliderChanged(const CEGUI::EventArgs& args);
  bool onThumbTrackStarted(const CEGUI::EventArgs& args);
  bool onThumbTrackEnded(const CEGUI::EventArgs& args);

  PlaybackWndContext context_;
  std::unique_ptr<IPlaybackEngine> engine_;
  std::unique_ptr<IPlaybackVideo> video_;
  PlaybackSource source_;
  int totalSeconds_ = 0;
  bool playing_ = false;
  bool ended_ = false;
  bool closed_ = false;
  // The slider is being set from the position, not moved by the user.
  bool showingPosition_ = false;
  bool dragging_ = false;
  int focus_ = FocusPlay;
  int resyncHold_ = 0;
  CEGUI::Window* controls_ = nullptr;
  CEGUI::Slider* slider_ = nullptr;
  CEGUITimer hideTimer_;
  CEGUITimer positionTimer_;
  std::vector<CEGUI::Event::Connection> connections_;
  std::vector<CEGUI::Event::Connection> systemConnections_;
};

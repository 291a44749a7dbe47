#pragma once
// The melody window: the guide melody as note bars scrolling right to left past a fixed now
// line at a fifth of the width, five seconds in view, the sung part over a tinted sung area,
// and (when a pitch source is set) the singer's pitch of the last second drawn over the sung
// bars. A poller thread follows the song time and asks for a redraw whenever it moved; the
// window is drawn by FalagardMelody. GUI thread for everything but the time source.
#include <CEGUI/Event.h>
#include <CEGUI/Window.h>
#include <CEGUI/WindowRenderer.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/CMelodyNoteData.h"
#include "widgets/MelodyLayout.h"
#include "widgets/MelodyPoller.h"

namespace CEGUI {

class MelodyWnd : public Window {
 public:
  static const String WidgetTypeName;  // "CEGUI/MelodyWnd"
  static const String EventNamespace;  // "MelodyWnd"

  MelodyWnd(const String& type, const String& name);
  ~MelodyWnd() override;

  // The song time in engine units; called on the poller thread (see MelodyPoller::TimeSource).
  // Takes effect at the next start.
  void setTimeSource(MelodyPoller::TimeSource source);
  // The sung MIDI note, 0 for no voice, already in the melody's key. Called on the GUI thread
  // whenever the time moved; null (the default) draws no pitch trace.
  void setPitchSource(std::function<int()> source);
  // A copy of the notes is kept.
  void setNoteData(const CMelodyNoteData& notes);
  const CMelodyNoteData& noteData() const { return notes_; }

  // The pictures, each call naming one imageset. A call naming an image that is not defined
  // is ignored (one log line) and the pictures stay as they were. True when taken.
  bool setBackgroundImage(const String& imageset, const String& image);
  bool setSangImages(const String& imageset, const String& background, const String& marker);
  bool setBarImages(const String& imageset, const String& left, const String& mid, const String& right);
  bool setCurrentBarImages(const String& imageset, const String& left, const String& mid, const String& right);
  bool setHeadImages(const String& imageset, const String& head, const String& currentHead);
  bool setPitchImages(const String& imageset, const String& dot, const String& core);
  // The full image name ("PK1/BK") of a role, empty when none is set.
  const String& imageName(MelodyImage role) const { return images_[static_cast<size_t>(role)]; }

  // Starts polling the time source (a running poller is stopped first); stop joins the poller
  // thread. Destruction stops it too. Without `threaded` nobody polls: tests drive
  // poller().pollOnce().
  void start(bool threaded = true);
  void stop();
  bool isPolling() const { return poller_.isRunning(); }
  MelodyPoller& poller() { return poller_; }

  // The song time drawn. A new time redraws the window and takes a pitch sample; a time before
  // the last one (a seek back) drops the pitch trace.
  void updateTime(int32_t time);
  int32_t time() const { return time_; }
  const std::vector<PitchSample>& pitchTrace() const { return trace_; }
  // Adds a pitch sample as the pitch source would (tests, tools); samples older than the trace
  // length are dropped.
  void addPitchSample(const PitchSample& sample);

  // Logs once per window that the bars cannot be drawn (no bar pictures).
  void reportMissingBarImages();

  void destroy() override;

 private:
  bool setImages(const String& imageset, std::initializer_list<std::pair<MelodyImage, const String*>> images);
  bool onRedrawRequest(const EventArgs& args);

  CMelodyNoteData notes_;
  MelodyPoller::TimeSource timeSource_;
  std::function<int()> pitchSource_;
  std::array<String, static_cast<size_t>(MelodyImage::Count)> images_;
  MelodyPoller poller_;
  Event::ScopedConnection redrawConnection_;
  int32_t time_ = 0;
  std::vector<PitchSample> trace_;
  bool missingBarsReported_ = false;
};

// Draws a MelodyWnd from its pictures: the pieces layoutMelody gives for the window's time.
// The current bar pictures fall back to the normal ones when they are not set.
class FalagardMelody : public WindowRenderer {
 public:
  static const String TypeName;  // "Falagard/MelodyWnd"

  explicit FalagardMelody(const String& type);
  void render() override;
  Rectf getUnclippedInnerRect() const override;
  bool handleFontRenderSizeChange(const Font* const font) override;

  // The metrics of the window's pictures; a bar height of 0 when any normal bar picture is
  // missing.
  MelodyMetrics metrics() const;
  // What render draws for the window's current time.
  std::vector<MelodyPiece> pieces() const;
  // Renders so far (tests: a redraw happened).
  int renderCount() const { return renders_; }

 private:
  int renders_ = 0;
};

// The performance's melody window "Root/WndMelody" (the whole name is the window's own, so
// findWindow finds it under any sheet) of type "TaharezLook/MelodyWnd" on `sheet`, disabled,
// at (0, 0.4) of the sheet and 1.0 x 0.35 of its size, with the "PK1" pictures, the notes
// (copied), the time source and the optional pitch source (see MelodyWnd). Not started. GUI
// thread; null (and a log line) when `sheet` is null or the window cannot be made (the scheme
// is not loaded, the sheet already has one).
MelodyWnd* createMelodyWindow(Window* sheet, const CMelodyNoteData& notes, MelodyPoller::TimeSource timeSource,
                              std::function<int()> pitchSource = {});
// Start and stop the poller; destroy stops it and destroys the window. Null is ignored.
void startMelodyWindow(MelodyWnd* wnd);
void stopMelodyWindow(MelodyWnd* wnd);
void destroyMelodyWindow(MelodyWnd* wnd);

}  // namespace CEGUI

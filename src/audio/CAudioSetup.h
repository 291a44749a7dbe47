#pragma once
// The audio setup panel ("PK_olvanAudioSetup.layout"): nine bars, one per audio setting item
// (master volume, accompaniment, microphone, monitoring, guide melody, tempo, key, echo and
// its depth), the name of the current reverberation mode, and the Reset and Return buttons.
// A bar shows (value - min) / (max - min) of its item and sets the item when it moves; Up and
// Down on a bar move it by the item's step, Left and Right move the focus along the enabled
// bars and, past either end, into the mode list (EventAudioWndExit). The echo bars are enabled
// only in a mode whose echo can be adjusted; the melody bar not while a contest song runs.
// The values live in the audio settings (not owned); the panel keeps none of its own.
// The Reset button belongs to the page, which also brings the mode list along.
// GUI thread; the mode workers (audio/CAudioModeWorker.h) touch only the engine.
#include <CEGUI/Event.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <vector>

class CAudioSet;
class Item;

namespace CEGUI {
class ProgressBar;
class Window;
}  // namespace CEGUI

class CAudioSetup : public CEGUI::EventSet {
 public:
  static constexpr int kBarCount = 9;
  static constexpr int kVolumeBar = 0, kMelodyBar = 4, kKeyBar = 6, kEchoBar = 7, kDepthBar = 8;
  // The bars in focus order and the items they show.
  static const char* const kBarNames[kBarCount];
  static const wchar_t* const kItemNames[kBarCount];
  // Fired on the panel: the focus leaves the bars for the mode list.
  static const CEGUI::String EventAudioWndExit;  // "AudioWndExit"
  // Fired on the panel: Return was pressed (the page ends).
  static const CEGUI::String EventTiaoYinTaiExit;  // "TiaoYinTaiExit"

  // `challengeRunning`: a contest song is being sung as the panel opens (its "ChallengeBegin"
  // went before the panel existed).
  CAudioSetup(CAudioSet& audio, bool challengeRunning, CEGUI::String prefix = "");
  ~CAudioSetup() override;  // waits for the mode workers (each a few engine calls)
  CAudioSetup(const CAudioSetup&) = delete;
  CAudioSetup& operator=(const CAudioSetup&) = delete;

  // Subscribes to the items' bar updates and to the contest events; loads the layout and wires
  // the bars and buttons. False when the layout cannot be loaded.
  bool load();
  // Every subscription goes (items, global events); the windows are no longer touched. Called
  // before the page's windows are destroyed.
  void detach();

  CEGUI::Window* root() const { return root_; }
  CEGUI::ProgressBar* bar(int index) const;
  // The bar index of a window (a bar or a child of one), -1 otherwise.
  int barOf(const CEGUI::Window* window) const;
  void setEffectRoot(CEGUI::Window* effectRoot) { effectRoot_ = effectRoot; }

  // Bars from the items, the mode's name, the enabled states; the volume bar takes the focus.
  void redraw();
  // The items take the challenge flag and go back to their defaults (the default mode
  // becomes current); then the panel redraws.
  void resetToDefaults();
  // Mode `index` becomes current (an index beyond the list means 0); a worker applies its
  // room and echo to the engine and posts "UpdateDepthEcho".
  void chooseMode(int index);
  int currentMode() const { return currentMode_; }
  bool challengeRunning() const { return challengeRunning_; }

  // Keyboard focus on the bars: the bar given takes it (its label lights up); -1 clears it.
  void focusBar(int index);
  int focusedBar() const { return focused_; }
  // The next (step 1) or previous (step -1) enabled bar from `from` (-1: before the first
  // bar, kBarCount: after the last); -1 when there is none.
  int nextEnabledBar(int from, int step) const;
  // The key handler of the panel root and of every bar.
  bool onKeyDown(const CEGUI::EventArgs& args);

  // The item of a bar's value from its progress: min + ((max - min) * progress + 0.5),
  // truncated.
  static int valueAt(const Item& item, float progress);
  // The part of a bar one press moves: the item's step over its range, but never less than a
  // hundredth, so that a remote moves the volume bars (a step of 10 in 0..65535) audibly.
  static float stepFraction(const Item& item);

 private:
  void subscribeItems();
  void wireBars();
  bool onUpdateDepthEcho(const CEGUI::EventArgs& args);
  void setChallengeRunning(bool running);
  void showValue(int index);
  void enableEchoBars();
  void setLabel(int index, bool focused);
  int indexOfCurrentMode() const;
  Item* item(int index) const;
  CEGUI::Window* window(const CEGUI::String& name) const;

  CAudioSet& audio_;
  bool challengeRunning_;
  CEGUI::String prefix_;
  CEGUI::Window* root_ = nullptr;
  CEGUI::Window* effectRoot_ = nullptr;
  CEGUI::ProgressBar* bars_[kBarCount] = {};
  int currentMode_ = 0;
  int focused_ = -1;
  std::vector<CEGUI::Event::Connection> itemConnections_;
  std::vector<CEGUI::Event::Connection> globalConnections_;
};

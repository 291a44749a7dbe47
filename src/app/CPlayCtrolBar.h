#pragma once
// The play control bar: the window of "PK_PlayCtrolWnd.layout" along the bottom of the stage
// while a song plays. It shows the song's time and progress and reports its four buttons;
// what the buttons do is the owner's business. Driven by the remote control: while the bar
// shows, one of its buttons has the keyboard focus, the arrows move it along the row (wrapping)
// and OK clicks it. The bar hides itself after a time without input, and its key tip after a
// while or as soon as the mouse is over a button.
//
// Everything here runs on the GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <array>
#include <functional>

#include "guishell/CEGUITimer.h"

namespace CEGUI {
class EventArgs;
class PushButton;
class Window;
}  // namespace CEGUI

class CPlayCtrolBar {
 public:
  // Idle time after which a showing bar hides, and the time its key tip stays (a little
  // less, so a user who keeps pressing keys sees it go).
  static constexpr unsigned kAutoHideMs = 5000;
  static constexpr unsigned kToolTipMs = 4000;

  // Loads the layout into `parent` (the GUI sheet "AppRoot"), hidden. When the layout cannot
  // be loaded the bar has no window (window() is null) and every call does nothing.
  explicit CPlayCtrolBar(CEGUI::Window* parent);
  ~CPlayCtrolBar();
  CPlayCtrolBar(const CPlayCtrolBar&) = delete;
  CPlayCtrolBar& operator=(const CPlayCtrolBar&) = delete;

  // Called once per click of the matching button, by mouse or by OK. A callback may hide the
  // bar; it must not destroy it.
  std::function<void()> onCut;
  std::function<void()> onReplay;
  std::function<void()> onMelody;
  std::function<void()> onAudioSettings;

  // Shows the bar. Coming out of hiding, the first button takes the focus and the key tip
  // shows again; while showing, only the idle time starts over (the focus stays where the
  // arrows put it).
  void show();
  // Hides the bar and gives up the focus of its buttons.
  void hide();
  bool isVisible() const;

  // "mm：ss" of `seconds` and of `totalSeconds`, and the progress seconds / totalSeconds,
  // kept within 0..1 (no progress without a positive total).
  void setTime(int seconds, int totalSeconds);
  // Switches the guide-melody button between its "on" and "off" pictures.
  void setMelodyOn(bool on);
  bool melodyOn() const { return melodyOn_; }

  CEGUI::Window* window() const { return root_; }

 private:
  enum Button { Cut, RePlay, Melody, Turn, ButtonCount };

  // The bar's child window `name`, or null.
  CEGUI::Window* part(const CEGUI::String& name) const;
  void hideToolTip();
  void focusButton(int index);
  int focusedButton() const;
  void click(int index);
  bool onClicked(int index);
  bool onButtonKey(int index, const CEGUI::EventArgs& args);
  bool onInput(const CEGUI::EventArgs& args);

  CEGUI::Window* root_ = nullptr;
  std::array<CEGUI::PushButton*, ButtonCount> buttons_{};
  bool melodyOn_ = true;
  CEGUITimer idleTimer_;
  CEGUITimer toolTipTimer_;
  CEGUI::Event::Connection keyConnection_;
  CEGUI::Event::Connection mouseConnection_;
};

// "%02d：%02d" of whole minutes and the remaining seconds (a full-width colon); negative
// times show as "00：00".
CEGUI::String playTimeText(int seconds);

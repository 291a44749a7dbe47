#pragma once
// The audio setup page, opened from the play control bar during a song: the settings panel
// (CAudioSetup) with the mode list (CEffectWnd) on its right. Every change is heard at once;
// the owner saves the settings when the page ends. Keys on any of its windows: 1 resets
// everything to the defaults, 2 measures the microphone delay, 3 opens the device choice, the
// key map's Back key ends the page (result 0). GUI thread.
#include <functional>
#include <memory>
#include <vector>

#include <CEGUI/Event.h>

#include "app/IPageCtrl.h"

class CAudioSet;
class CAudioSetup;
class CEffectWnd;
class CMicDelay;

class CAudioSetupModle : public IPageCtrl {
 public:
  // `challengeRunning`: a contest song is being sung (its melody stays as the contest set it).
  // `micDelay` (not owned, may be null: no measuring) measures and keeps the delay.
  CAudioSetupModle(CAudioSet& audio, bool challengeRunning, CMicDelay* micDelay = nullptr);
  ~CAudioSetupModle() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;
  bool closePage() override;

  // The device choice (the owner opens its dialog); the button is disabled without it.
  std::function<void()> onChooseDevices;

  bool loaded() const { return d_root != nullptr; }
  CAudioSetup* panel() const { return panel_.get(); }
  CEffectWnd* effects() const { return effects_.get(); }

  // Everything back to the defaults, the default mode applied and selected in the list.
  void resetAll();
  void measureDelay();
  void chooseDevices();

 private:
  bool onPageKey(const CEGUI::EventArgs& args);
  bool onSelChange(const CEGUI::EventArgs& args);
  bool onEffectExit(const CEGUI::EventArgs& args);
  bool onEnterModeList(const CEGUI::EventArgs& args);
  bool onDelayMeasured(const CEGUI::EventArgs& args);
  void subscribeKeys(CEGUI::Window* window);
  void showDelay(const CEGUI::String& text);

  CAudioSet& audio_;
  bool challengeRunning_;
  CMicDelay* micDelay_;
  std::unique_ptr<CAudioSetup> panel_;
  std::unique_ptr<CEffectWnd> effects_;
  std::vector<CEGUI::Event::Connection> connections_;
};

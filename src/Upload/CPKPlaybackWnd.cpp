#include "Upload/CPKPlaybackWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "AppSet/KeyMap.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/WindowPath.h"
#include "guishell/ShellEvents.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"

const CEGUI::String CPKPlaybackWnd::kLayout("PK_PlaybackWnd.layout");
const CEGUI::String CPKPlaybackWnd::EventEndPlay("PlayBackEndPlay");

namespace {

const char* const kFocusParts[] = {"ControlWnd/BtnPlayPause", "ControlWnd/ProgressSlider", "ControlWnd/Upload",
                                   "ControlWnd/Back"};

bool isKey(unsigned key, const wchar_t* mapped, CEGUI::Key::Scan keyboard) {
  return key == static_cast<unsigned>(keyboard) || isMappedKey(key, mapped);
}

}  // namespace

CEGUI::String CPKPlaybackWnd::timeText(int seconds) {
  seconds = std::max(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02d\xEF\xBC\x9A%02d", seconds / 60, seconds % 60);  // U+FF1A
  return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(text));
}

CPKPlaybackWnd::CPKPlaybackWnd(PlaybackWndContext context) : context_(std::move(context)) {
  engine_ = context_.engine ? std::move(context_.engine) : makeEnginePlayback();
  hideTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CPKPlaybackWnd::onHideTick, this));
  positionTimer_.subscribeEvent(CEGUITimer::EventTimer,
                                CEGUI::Event::Subscriber(&CPKPlaybackWnd::onPositionTick, this));
}

CPKPlaybackWnd::~CPKPlaybackWnd() {
  if (d_root) closePage();
}

CEGUI::Window* CPKPlaybackWnd::part(const CEGUI::String& path) const {
  return d_root && d_root->isChild(path) ? d_root->getChild(path) : nullptr;
}

void CPKPlaybackWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CPKPlaybackWnd: the layout was not loaded: ") + e.getMessage().c_str());
    d_root = nullptr;
    return;
  }
  controls_ = part("ControlWnd");
  slider_ = dynamic_cast<CEGUI::Slider*>(part("ControlWnd/ProgressSlider"));
  if (!controls_ || !slider_) appLogError("CPKPlaybackWnd: the layout lacks its control strip or its slider");
}

bool CPKPlaybackWnd::onAttached() {
  if (!d_root) return false;
  CEGUI::Window* videoWindow = part("VideoWnd");
  video_ = context_.video ? context_.video(videoWindow) : makePlaybackVideo(videoWindow);

  // Keys reach the page's root from whichever of its windows is active.
  connections_.push_back(
      d_root->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CPKPlaybackWnd::onKeyDown, this)));
  const auto onClick = [this](const char* name, void (CPKPlaybackWnd::*action)(), int focus) {
    if (CEGUI::Window* w = part(name))
      connections_.push_back(w->subscribeEvent(CEGUI::PushButton::EventClicked,
                                               CEGUI::Event::Subscriber([this, action, focus](const CEGUI::EventArgs&) {
                                                 focus_ = focus;
                                                 (this->*action)();
                                                 return true;
                                               })));
  };
  onClick("ControlWnd/BtnPlayPause", &CPKPlaybackWnd::togglePlay, FocusPlay);
  onClick("ControlWnd/Upload", &CPKPlaybackWnd::upload, FocusUpload);
  onClick("ControlWnd/Back", &CPKPlaybackWnd::back, FocusBack);
  if (slider_) {
    connections_.push_back(slider_->subscribeEvent(CEGUI::Slider::EventValueChanged,
                                                   CEGUI::Event::Subscriber(&CPKPlaybackWnd::onSliderChanged, this)));
    connections_.push_back(slider_->subscribeEvent(
        CEGUI::Slider::EventThumbTrackStarted, CEGUI::Event::Subscriber(&CPKPlaybackWnd::onThumbTrackStarted, this)));
    connections_.push_back(slider_->subscribeEvent(
        CEGUI::Slider::EventThumbTrackEnded, CEGUI::Event::Subscriber(&CPKPlaybackWnd::onThumbTrackEnded, this)));
  }
  if (auto* system = CEGUI::System::getSingletonPtr()) {
    systemConnections_.push_back(system->subscribeEvent(guishell::System_EventInjectKeyDown,
                                                        CEGUI::Event::Subscriber(&CPKPlaybackWnd::onInput, this)));
    systemConnections_.push_back(system->subscribeEvent(guishell::System_EventInjectMouseMove,
                                                        CEGUI::Event::Subscriber(&CPKPlaybackWnd::onInput, this)));
  }
  setPlayImages(true);
  showControls();
  focusAt(FocusPlay);
  return true;
}

void CPKPlaybackWnd::setSource(const PlaybackSource& source) {
  if (!d_root) return;
  source_ = source;
  engine_->stop();
  // The video is stopped by opening the new file; it is let go only when the page closes (a
  // released player draws nothing more in its window).
  totalSeconds_ = std::max(0, engine_->totalSeconds(source_.voicePath, source_.musicPath));
  if (CEGUI::Window* w = part("ControlWnd/TotalTime")) w->setText(timeText(totalSeconds_));
  // A click on the track moves the position by one remote-control step.
  if (slider_ && totalSeconds_ > 0)
    slider_->setClickStep(slider_->getMaxValue() * std::min(1.0f, kSeekStepMs / static_cast<float>(totalMs())));
  engine_->setNames(source_.voicePath, source_.musicPath);
  if (video_) video_->open(source_.videoPath);
  engine_->setMix(source_.voiceGain, source_.musicGain, source_.micDelay);
  if (!engine_->play())
    appLogError("CPKPlaybackWnd: the recording " + oscompat::utf8FromWide(source_.voicePath) + " cannot be played");
  if (video_) {
    video_->run();
    moveVideo(0);  // the picture's clock starts with the sound's
  }
  playing_ = true;
  ended_ = false;
  setPlayImages(true);
  showPosition(0);
  positionTimer_.SetTimer(kPositionPeriodMs);
}

void CPKPlaybackWnd::togglePlay() {
  if (!d_root) return;
  if (playing_) {
    engine_->pause(true);
    if (video_) {
      video_->pause();
      moveVideo(engine_->positionMs());
    }
    playing_ = false;
  } else {
    // After the end, play starts again from the beginning.
    if (ended_ && engine_->positionMs() >= totalMs() - 500) seekTo(0);
    ended_ = false;
    engine_->pause(false);
    // The picture was put where the sound is when it paused (and with every seek since); it is
    // put there once more as it runs, so that its clock starts with the sound's and not with
    // the pause's end.
    if (video_) {
      video_->run();
      moveVideo(engine_->positionMs());
    }
    playing_ = true;
  }
  setPlayImages(playing_);
}

void CPKPlaybackWnd::seekTo(int milliseconds) {
  if (!d_root) return;
  milliseconds = std::clamp(milliseconds, 0, totalMs());
  engine_->seekMs(milliseconds);
  moveVideo(milliseconds);
  if (milliseconds < totalMs()) ended_ = false;
  showPosition(milliseconds);
}

void CPKPlaybackWnd::upload() {
  if (!d_root) return;
  // The opener may let the page go in its "EndModal" handler: what follows is taken first.
  std::function<void()> then = context_.onUpload;
  endModal(1);
  if (then) then();
  else if (auto* global = CEGUI::GlobalEventSet::getSingletonPtr())
    Win32AppHelper::postEvent(global, EventNames::OpenWorksWindow, new CEGUI::EventArgs, "");
}

void CPKPlaybackWnd::back() {
  if (d_root) endModal(0);
}

bool CPKPlaybackWnd::closePage() {
  if (!d_root) return true;
  positionTimer_.KillTimer();
  hideTimer_.KillTimer();
  // The page's own windows take their subscriptions with them when they go; disconnecting them
  // here would destroy the click or key handler that may be closing the page right now.
  connections_.clear();
  for (auto& c : systemConnections_) c->disconnect();
  systemConnections_.clear();
  engine_->stop();
  // The player goes before the windows it draws into.
  if (video_) video_->close();
  video_.reset();
  controls_ = nullptr;
  slider_ = nullptr;
  playing_ = false;
  IPageCtrl::closePage();
  CEGUI::EventArgs args;
  fireEvent(EventEndPlay, args, "");
  return true;
}

// ---------------------------------------------------------------------------------------------
// Position and the control strip

void CPKPlaybackWnd::showPosition(int ms) {
  if (CEGUI::Window* w = part("ControlWnd/CurTime")) w->setText(timeText(ms / 1000));
  if (!slider_) return;
  const float share = totalMs() > 0 ? std::clamp(static_cast<float>(ms) / static_cast<float>(totalMs()), 0.0f, 1.0f) : 0.0f;
  showingPosition_ = true;
  slider_->setCurrentValue(share * slider_->getMaxValue());
  showingPosition_ = false;
}

bool CPKPlaybackWnd::onPositionTick(const CEGUI::EventArgs&) {
  if (!d_root) return true;
  const int soundMs = engine_->positionMs();
  // While the thumb is dragged it shows where the user is going, not where the sound is.
  if (!dragging_) showPosition(soundMs);
  keepPictureInStep(soundMs);
  if (playing_ && engine_->ended()) {
    // At the end sound and picture rest on the last moment; play starts again from the top.
    engine_->pause(true);
    if (video_) video_->pause();
    playing_ = false;
    ended_ = true;
    setPlayImages(false);
    showPosition(totalMs());
    showControls();
  }
  return true;
}

// The picture runs on the graph's clock, the sound on the sound card's: they part slowly, and a
// picture that lags or leads is put back where the sound is. Past the end of a video shorter
// than the sound the player loops it, and it is left to.
void CPKPlaybackWnd::keepPictureInStep(int soundMs) {
  if (!video_ || !playing_) return;
  // A picture just moved reports its old place until the streaming thread gets there.
  if (resyncHold_ > 0) {
    --resyncHold_;
    return;
  }
  const int pictureMs = video_->positionMs();
  if (pictureMs < 0) return;
  const int duration = video_->durationMs();
  if (duration >= 0 && soundMs >= duration) return;
  if (std::abs(pictureMs - soundMs) > kResyncMs) moveVideo(soundMs);
}

void CPKPlaybackWnd::moveVideo(int milliseconds) {
  if (!video_) return;
  video_->seekMs(milliseconds);
  resyncHold_ = kResyncHoldTicks;
}

void CPKPlaybackWnd::setPlayImages(bool playing) {
  CEGUI::Window* button = part("ControlWnd/BtnPlayPause");
  if (!button) return;
  const char* hover = playing ? "set:PK image:Play_Hover" : "set:PK image:Pause_Hover";
  const char* normal = playing ? "set:PK image:Play_Normal" : "set:PK image:Pause_Normal";
  button->setProperty("HoverImage", imageName(hover));
  button->setProperty("NormalImage", imageName(normal));
  button->setProperty("PushedImage", imageName(hover));
}

bool CPKPlaybackWnd::controlsVisible() const { return controls_ && controls_->isVisible(); }

void CPKPlaybackWnd::showControls() {
  if (!controls_) return;
  if (!controls_->isVisible()) {
    controls_->show();
    focusAt(focus_);
  }
  hideTimer_.SetTimer(kHideDelayMs);
}

void CPKPlaybackWnd::hideControls() {
  hideTimer_.KillTimer();
  if (!controls_) return;
  // Hidden controls take no keys: they reach the page's root, which brings the strip back.
  if (CEGUI::Window* w = part(kFocusParts[focus_])) w->deactivate();
  controls_->hide();
}

bool CPKPlaybackWnd::onHideTick(const CEGUI::EventArgs&) {
  hideControls();
  return true;
}

bool CPKPlaybackWnd::onInput(const CEGUI::EventArgs&) {
  if (d_root) showControls();
  return false;
}

// ---------------------------------------------------------------------------------------------
// The slider

bool CPKPlaybackWnd::onSliderChanged(const CEGUI::EventArgs&) {
  if (showingPosition_ || dragging_ || !slider_ || slider_->getMaxValue() <= 0) return false;
  seekTo(static_cast<int>(std::lround(slider_->getCurrentValue() / slider_->getMaxValue() * static_cast<float>(totalMs()))));
  return true;
}

bool CPKPlaybackWnd::onThumbTrackStarted(const CEGUI::EventArgs&) {
  dragging_ = true;
  return false;
}

bool CPKPlaybackWnd::onThumbTrackEnded(const CEGUI::EventArgs& args) {
  dragging_ = false;
  return onSliderChanged(args);
}

// ---------------------------------------------------------------------------------------------
// The remote control

void CPKPlaybackWnd::focusAt(int index) {
  focus_ = std::clamp(index, 0, FocusCount - 1);
  if (!controlsVisible()) return;
  CEGUI::Window* w = part(kFocusParts[focus_]);
  if (w) w->activate();
  CEGUI::Window* ring = part("ControlWnd/FocusRing");
  if (!ring || !w || !controls_) return;
  const CEGUI::Rectf target = w->getUnclippedOuterRect().get();
  const CEGUI::Rectf base = controls_->getUnclippedOuterRect().get();
  const float pad = 6.0f;
  ring->setArea(CEGUI::URect(CEGUI::UDim(0, target.left() - base.left() - pad), CEGUI::UDim(0, target.top() - base.top() - pad),
                             CEGUI::UDim(0, target.right() - base.left() + pad),
                             CEGUI::UDim(0, target.bottom() - base.top() + pad)));
  // Shown, not brought to the front: that would take the activation from the control.
  ring->show();
}

void CPKPlaybackWnd::moveFocus(int step) { focusAt((focus_ + step + FocusCount) % FocusCount); }

bool CPKPlaybackWnd::handleKey(unsigned key) {
  if (!d_root) return false;
  if (isKey(key, L"Back", CEGUI::Key::Escape)) {
    back();
    return true;
  }
  // A key that brings the controls back only does that.
  if (!controlsVisible()) return true;
  if (isKey(key, L"UP", CEGUI::Key::ArrowUp)) {
    moveFocus(-1);
    return true;
  }
  if (isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) {
    moveFocus(1);
    return true;
  }
  const bool left = isKey(key, L"Left", CEGUI::Key::ArrowLeft);
  if (left || isKey(key, L"Right", CEGUI::Key::ArrowRight)) {
    if (focus_ == FocusSlider) seekTo(engine_->positionMs() + (left ? -kSeekStepMs : kSeekStepMs));
    else moveFocus(left ? -1 : 1);
    return true;
  }
  if (isKey(key, L"OK", CEGUI::Key::Return) || key == CEGUI::Key::NumpadEnter) {
    switch (focus_) {
      case FocusPlay:
      case FocusSlider:
        togglePlay();
        break;
      case FocusUpload:
        upload();
        break;
      case FocusBack:
        back();
        break;
      default:
        break;
    }
    return true;
  }
  return false;
}

bool CPKPlaybackWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  // A control the mouse used takes the focus over.
  if (controlsVisible())
    for (int i = 0; i < FocusCount; ++i)
      if (CEGUI::Window* w = part(kFocusParts[i]); w && w->isActive()) {
        focus_ = i;
        break;
      }
  return handleKey(static_cast<unsigned>(e.scancode));
}

#include "audio/CAudioSetup.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "AppSet/AudioSet.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "audio/CAudioModeWorker.h"
#include "audio/EffectEventArgs.h"

const char* const CAudioSetup::kBarNames[kBarCount] = {
    "Progress_vol",  "Progress_Accompany", "Progress_MIC",  "Progress_MICRE", "ProgressMelody",
    "ProgressTempo", "ProgressKey",        "ProgressECHO", "ProgressDepth"};
const wchar_t* const CAudioSetup::kItemNames[kBarCount] = {L"VOL",   L"Accompany", L"MIC",  L"MICRC", L"MELODY",
                                                           L"TEMPO", L"KEY",       L"ECHO", L"Depth"};
const CEGUI::String CAudioSetup::EventAudioWndExit("AudioWndExit");
const CEGUI::String CAudioSetup::EventTiaoYinTaiExit("TiaoYinTaiExit");

CAudioSetup::CAudioSetup(CAudioSet& audio, bool challengeRunning, CEGUI::String prefix)
    : audio_(audio), challengeRunning_(challengeRunning), prefix_(std::move(prefix)) {}

CAudioSetup::~CAudioSetup() {
  detach();
  // Each worker makes three quick engine calls and posts; none waits for anything else.
  modeWorkers().joinAll();
}

int CAudioSetup::valueAt(const Item& item, float progress) {
  const double span = double(item.max()) - double(item.min());
  return item.min() + static_cast<int>(span * double(std::clamp(progress, 0.0f, 1.0f)) + 0.5);
}

Item* CAudioSetup::item(int index) const {
  return index >= 0 && index < kBarCount ? audio_.getItem(kItemNames[index]) : nullptr;
}

CEGUI::ProgressBar* CAudioSetup::bar(int index) const {
  return index >= 0 && index < kBarCount ? bars_[index] : nullptr;
}

CEGUI::Window* CAudioSetup::window(const CEGUI::String& name) const {
  return root_ ? findWindow(prefix_ + "AudioSetup/" + name, root_) : nullptr;
}

int CAudioSetup::barOf(const CEGUI::Window* w) const {
  for (; w; w = w->getParent())
    for (int i = 0; i < kBarCount; ++i)
      if (bars_[i] && w == bars_[i]) return i;
  return -1;
}

bool CAudioSetup::load() {
  subscribeItems();
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_olvanAudioSetup.layout", "");
  } catch (const CEGUI::Exception&) {
    root_ = nullptr;  // the library has logged why
    detach();
    return false;
  }
  if (!prefix_.empty()) root_->setName(prefix_ + root_->getName());
  wireBars();
  if (CEGUI::Window* ret = window("ReturnBtn"))
    ret->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                          CEGUI::EventArgs args;
                          fireEvent(EventTiaoYinTaiExit, args, "");
                          return true;
                        }));
  root_->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CAudioSetup::onKeyDown, this));
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  globalConnections_.push_back(global.subscribeEvent(EventNames::global(EventNames::UpdateDepthEcho),
                                                     CEGUI::Event::Subscriber(&CAudioSetup::onUpdateDepthEcho, this)));
  globalConnections_.push_back(global.subscribeEvent(EventNames::global(EventNames::ChallengeBegin),
                                                     CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                                       setChallengeRunning(true);
                                                       return false;  // others hear it too
                                                     })));
  globalConnections_.push_back(global.subscribeEvent(EventNames::global(EventNames::ChallengeEnd),
                                                     CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                                       setChallengeRunning(false);
                                                       return false;
                                                     })));
  return true;
}

void CAudioSetup::subscribeItems() {
  for (int i = 0; i < kBarCount; ++i) {
    Item* it = item(i);
    if (!it) continue;
    itemConnections_.push_back(it->subscribeEvent(
        Item::EventUpdateProgress, CEGUI::Event::Subscriber([this, i, it](const CEGUI::EventArgs&) {
          if (bars_[i] && it->max() > it->min())
            bars_[i]->setProgress(float(it->value() - it->min()) / float(it->max() - it->min()));
          showValue(i);
          return false;
        })));
  }
}

float CAudioSetup::stepFraction(const Item& item) {
  const float range = float(item.max() - item.min());
  return std::max(float(item.step()) / range, 0.01f);
}

void CAudioSetup::wireBars() {
  for (int i = 0; i < kBarCount; ++i) {
    bars_[i] = dynamic_cast<CEGUI::ProgressBar*>(window(kBarNames[i]));
    CEGUI::ProgressBar* b = bars_[i];
    if (!b) continue;
    if (Item* it = item(i); it && it->max() > it->min()) b->setStepSize(stepFraction(*it));
    b->subscribeEvent(CEGUI::ProgressBar::EventProgressChanged, CEGUI::Event::Subscriber([this, i](const CEGUI::EventArgs&) {
                        if (Item* it = item(i)) it->setValue(valueAt(*it, bars_[i]->getProgress()), false);
                        showValue(i);
                        return true;
                      }));
    b->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CAudioSetup::onKeyDown, this));
    // A click on a bar focuses it as the keys would.
    b->subscribeEvent(CEGUI::Window::EventActivated, CEGUI::Event::Subscriber([this, i](const CEGUI::EventArgs&) {
                        if (focused_ != i) {
                          if (focused_ >= 0) setLabel(focused_, false);
                          focused_ = i;
                          setLabel(i, true);
                        }
                        return false;
                      }));
  }
}

void CAudioSetup::detach() {
  for (auto& c : itemConnections_) c->disconnect();
  itemConnections_.clear();
  for (auto& c : globalConnections_) c->disconnect();
  globalConnections_.clear();
  root_ = nullptr;
  effectRoot_ = nullptr;
  for (auto& b : bars_) b = nullptr;
  focused_ = -1;
}

void CAudioSetup::setLabel(int index, bool focused) {
  CEGUI::ProgressBar* b = bar(index);
  if (!b) return;
  const CEGUI::String label = CEGUI::String(kBarNames[index]) + "1";
  CEGUI::Window* child = findWindow(b->getName() + "/" + label, b);
  if (!child) return;
  child->setProperty("Image", imageName("set:DirUdeZud image:AudioSetup/" + label + (focused ? "_Over" : "_Nomal")));
}

void CAudioSetup::showValue(int index) {
  CEGUI::ProgressBar* b = bar(index);
  Item* it = item(index);
  if (!b || !it) return;
  CEGUI::Window* text = findWindow(b->getName() + "/" + kBarNames[index] + "Value", b);
  if (!text) return;
  std::wstring shown;
  const std::wstring name = kItemNames[index];
  if (name == L"VOL" || name == L"MIC") {
    // The system levels run to 65535: a share reads better.
    shown = std::to_wstring((it->value() * 100 + 32767) / 65535) + L"%";
  } else if (name == L"KEY") {
    shown = it->value() > 0 ? L"+" + std::to_wstring(it->value()) : std::to_wstring(it->value());
  } else if (name == L"TEMPO") {
    shown = std::to_wstring(it->value()) + L"%";
  } else {
    shown = std::to_wstring(it->value());
  }
  text->setText(guiString(shown));
}

int CAudioSetup::indexOfCurrentMode() const {
  const EffectMode* current = audio_.currentMode();
  const auto& modes = audio_.modes();
  for (std::size_t i = 0; i < modes.size(); ++i)
    if (&modes[i] == current) return static_cast<int>(i);
  return 0;
}

void CAudioSetup::enableEchoBars() {
  const bool adjustable = audio_.isUserMode();
  for (int i : {kEchoBar, kDepthBar})
    if (CEGUI::ProgressBar* b = bar(i)) b->setEnabled(adjustable);
}

void CAudioSetup::setChallengeRunning(bool running) {
  challengeRunning_ = running;
  if (CEGUI::ProgressBar* b = bar(kMelodyBar)) b->setEnabled(!running);
  // The focus does not stay on a bar that can no longer be used.
  if (running && focused_ == kMelodyBar) focusBar(nextEnabledBar(kMelodyBar, 1));
}

void CAudioSetup::redraw() {
  for (int i = 0; i < kBarCount; ++i) {
    Item* it = item(i);
    if (bars_[i] && it && it->max() > it->min())
      bars_[i]->setProgress(float(it->value() - it->min()) / float(it->max() - it->min()));
    showValue(i);
  }
  if (CEGUI::ProgressBar* b = bar(kMelodyBar)) b->setEnabled(!challengeRunning_);
  currentMode_ = indexOfCurrentMode();
  if (CEGUI::Window* name = window("StatEffectTxt"))
    if (const EffectMode* mode = audio_.currentMode()) name->setText(guiString(mode->Txt));
  enableEchoBars();
  focusBar(kVolumeBar);
}

void CAudioSetup::resetToDefaults() {
  audio_.setKeepMelody(challengeRunning_);
  audio_.resetToDefaults();
  redraw();
}

void CAudioSetup::chooseMode(int index) {
  const auto& modes = audio_.modes();
  if (modes.empty()) return;
  if (index < 0 || static_cast<std::size_t>(index) >= modes.size()) index = 0;
  audio_.setCurrentMode(static_cast<std::size_t>(index));
  currentMode_ = index;
  const EffectMode& mode = modes[static_cast<std::size_t>(index)];
  modeWorkers().start(mode.EffectID, mode.Depth, mode.ECHO);
  if (CEGUI::Window* name = window("StatEffectTxt")) name->setText(guiString(mode.Txt));
  // The focus skips the echo bars of a fixed room at once, before the engine's answer.
  enableEchoBars();
}

bool CAudioSetup::onUpdateDepthEcho(const CEGUI::EventArgs& args) {
  const auto& data = static_cast<const EffectDataArgs&>(args);
  if (Item* echo = audio_.getItem(L"ECHO")) echo->setValue(data.echo, true);
  if (Item* depth = audio_.getItem(L"Depth")) depth->setValue(data.depth, true);
  enableEchoBars();
  return false;
}

void CAudioSetup::focusBar(int index) {
  if (focused_ >= 0 && focused_ != index) setLabel(focused_, false);
  focused_ = index;
  if (CEGUI::ProgressBar* b = bar(index)) {
    setLabel(index, true);
    b->activate();
  }
}

int CAudioSetup::nextEnabledBar(int from, int step) const {
  for (int i = from + step; i >= 0 && i < kBarCount; i += step)
    if (bars_[i] && !bars_[i]->isDisabled()) return i;
  return -1;
}

bool CAudioSetup::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const int at = barOf(e.window);
  switch (e.scancode) {
    case CEGUI::Key::ArrowUp:
    case CEGUI::Key::ArrowDown:
      if (CEGUI::ProgressBar* b = bar(at); b && !b->isDisabled())
        b->adjustProgress(e.scancode == CEGUI::Key::ArrowUp ? b->getStepSize() : -b->getStepSize());
      return true;
    case CEGUI::Key::ArrowRight:
    case CEGUI::Key::ArrowLeft: {
      const bool right = e.scancode == CEGUI::Key::ArrowRight;
      // From the panel itself the first (or the last) bar is next.
      const int from = at >= 0 ? at : (right ? -1 : kBarCount);
      const int to = nextEnabledBar(from, right ? 1 : -1);
      if (to >= 0) {
        focusBar(to);
      } else {
        if (focused_ >= 0) setLabel(focused_, false);
        focused_ = -1;
        CEGUI::EventArgs exit;
        fireEvent(EventAudioWndExit, exit, "");
      }
      return true;
    }
    default:
      return false;
  }
}

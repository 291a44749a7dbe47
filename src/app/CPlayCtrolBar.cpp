#include "app/CPlayCtrolBar.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "AppSet/KeyMap.h"
#include "guishell/ShellEvents.h"

namespace {

const char* const kButtonNames[] = {"BtnCut", "BtnRePlay", "BtnMelody", "BtnTurn"};

// The keyboard's own key always works; the remote control's comes from the key map.
bool isKey(unsigned key, const wchar_t* keyMapName, CEGUI::Key::Scan keyboard) {
  if (key == static_cast<unsigned>(keyboard)) return true;
  const int mapped = keyMapCode(keyMapName);
  return mapped >= 0 && key == static_cast<unsigned>(mapped);
}

}  // namespace

CEGUI::String playTimeText(int seconds) {
  seconds = std::max(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02d\xEF\xBC\x9A%02d", seconds / 60, seconds % 60);  // U+FF1A
  return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(text));
}

CPlayCtrolBar::CPlayCtrolBar(CEGUI::Window* parent) {
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_PlayCtrolWnd.layout");
  } catch (const CEGUI::Exception&) {
    return;  // the library has logged why
  }
  if (!root_) return;
  root_->hide();
  if (parent) parent->addChild(root_);
  // Whoever destroys the sheet first takes the bar's windows with it.
  root_->subscribeEvent(CEGUI::Window::EventDestructionStarted,
                        CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                          root_ = nullptr;
                          buttons_.fill(nullptr);
                          return false;
                        }));

  for (int i = 0; i < ButtonCount; ++i) {
    auto* button = dynamic_cast<CEGUI::PushButton*>(part(kButtonNames[i]));
    buttons_[i] = button;
    if (!button) continue;
    button->subscribeEvent(CEGUI::PushButton::EventClicked,
                           CEGUI::Event::Subscriber([this, i](const CEGUI::EventArgs&) { return onClicked(i); }));
    button->subscribeEvent(CEGUI::Window::EventKeyDown,
                           CEGUI::Event::Subscriber([this, i](const CEGUI::EventArgs& a) { return onButtonKey(i, a); }));
    // The mouse over a button means the user has found the buttons: the key tip goes, and
    // the focus follows the mouse so only one button is highlighted.
    button->subscribeEvent(CEGUI::Window::EventMouseMove, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                             hideToolTip();
                             return false;
                           }));
    button->subscribeEvent(CEGUI::Window::EventMouseEntersArea,
                           CEGUI::Event::Subscriber([this, i](const CEGUI::EventArgs&) {
                             focusButton(i);
                             return false;
                           }));
  }
  // The progress only shows the song's position; the thumb takes no mouse.
  if (auto* slider = dynamic_cast<CEGUI::Slider*>(part("ProgressSlider")))
    slider->getThumb()->setMousePassThroughEnabled(true);

  idleTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                              hide();
                              return true;
                            }));
  toolTipTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                 hideToolTip();
                                 return true;
                               }));
  if (auto* system = CEGUI::System::getSingletonPtr()) {
    keyConnection_ = system->subscribeEvent(guishell::System_EventInjectKeyDown,
                                            CEGUI::Event::Subscriber(&CPlayCtrolBar::onInput, this));
    mouseConnection_ = system->subscribeEvent(guishell::System_EventInjectMouseMove,
                                              CEGUI::Event::Subscriber(&CPlayCtrolBar::onInput, this));
  }
}

CPlayCtrolBar::~CPlayCtrolBar() {
  if (keyConnection_.isValid()) keyConnection_->disconnect();
  if (mouseConnection_.isValid()) mouseConnection_->disconnect();
  idleTimer_.KillTimer();
  toolTipTimer_.KillTimer();
  if (!root_) return;
  CEGUI::Window* root = root_;
  root_ = nullptr;
  if (auto* windows = CEGUI::WindowManager::getSingletonPtr()) windows->destroyWindow(root);
}

CEGUI::Window* CPlayCtrolBar::part(const CEGUI::String& name) const {
  return root_ && root_->isChild(name) ? root_->getChild(name) : nullptr;
}

void CPlayCtrolBar::show() {
  if (!root_) return;
  if (!root_->isVisible()) {
    root_->show();
    for (const char* name : {"ToolTipBK", "ToolTip"})
      if (CEGUI::Window* w = part(name)) w->show();
    toolTipTimer_.SetTimer(kToolTipMs);
    focusButton(0);
  }
  idleTimer_.SetTimer(kAutoHideMs);
}

void CPlayCtrolBar::hide() {
  idleTimer_.KillTimer();
  toolTipTimer_.KillTimer();
  if (!root_) return;
  // Hidden buttons must not go on taking the keys.
  const int focused = focusedButton();
  if (focused >= 0) buttons_[focused]->deactivate();
  root_->hide();
}

bool CPlayCtrolBar::isVisible() const { return root_ && root_->isVisible(); }

void CPlayCtrolBar::setTime(int seconds, int totalSeconds) {
  if (CEGUI::Window* w = part("CurTime")) w->setText(playTimeText(seconds));
  if (CEGUI::Window* w = part("TotalTime")) w->setText(playTimeText(totalSeconds));
  auto* slider = dynamic_cast<CEGUI::Slider*>(part("ProgressSlider"));
  if (!slider) return;
  const float share =
      totalSeconds > 0 ? std::clamp(static_cast<float>(seconds) / static_cast<float>(totalSeconds), 0.0f, 1.0f)
                       : 0.0f;
  slider->setCurrentValue(share * slider->getMaxValue());
}

void CPlayCtrolBar::setMelodyOn(bool on) {
  melodyOn_ = on;
  CEGUI::PushButton* button = buttons_[Melody];
  if (!button) return;
  const CEGUI::String pictures = on ? "PlayCtrol/MelodyOn_" : "PlayCtrol/MelodyOff_";
  button->setProperty("NormalImage", pictures + "Normal");
  button->setProperty("HoverImage", pictures + "Hover");
  button->setProperty("PushedImage", pictures + "Down");
  button->setProperty("DisabledImage", pictures + "Normal");
}

int CPlayCtrolBar::focusedButton() const {
  for (int i = 0; i < ButtonCount; ++i)
    if (buttons_[i] && buttons_[i]->isActive()) return i;
  return -1;
}

void CPlayCtrolBar::focusButton(int index) {
  if (isVisible() && buttons_[index]) buttons_[index]->activate();
}

void CPlayCtrolBar::hideToolTip() {
  toolTipTimer_.KillTimer();
  for (const char* name : {"ToolTipBK", "ToolTip"})
    if (CEGUI::Window* w = part(name)) w->hide();
}

void CPlayCtrolBar::click(int index) {
  CEGUI::PushButton* button = buttons_[index];
  if (!button || button->isEffectiveDisabled()) return;
  CEGUI::WindowEventArgs args(button);
  button->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
}

bool CPlayCtrolBar::onClicked(int index) {
  static const std::function<void()> CPlayCtrolBar::*const callbacks[] = {
      &CPlayCtrolBar::onCut, &CPlayCtrolBar::onReplay, &CPlayCtrolBar::onMelody, &CPlayCtrolBar::onAudioSettings};
  // A copy: the callback may replace itself.
  const std::function<void()> callback = this->*callbacks[index];
  if (callback) callback();
  return true;
}

bool CPlayCtrolBar::onButtonKey(int index, const CEGUI::EventArgs& args) {
  const auto key = static_cast<unsigned>(static_cast<const CEGUI::KeyEventArgs&>(args).scancode);
  if (isKey(key, L"Left", CEGUI::Key::ArrowLeft) || isKey(key, L"UP", CEGUI::Key::ArrowUp)) {
    focusButton((index + ButtonCount - 1) % ButtonCount);
  } else if (isKey(key, L"Right", CEGUI::Key::ArrowRight) || isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) {
    focusButton((index + 1) % ButtonCount);
  } else if (isKey(key, L"OK", CEGUI::Key::Return) || key == CEGUI::Key::NumpadEnter) {
    click(index);
  } else {
    return false;  // other keys go on to the pages and the application
  }
  return true;
}

bool CPlayCtrolBar::onInput(const CEGUI::EventArgs&) {
  if (isVisible()) idleTimer_.SetTimer(kAutoHideMs);
  return false;  // observers never mark input handled
}

#include "audio/CAudioSetupModle.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/AudioSet.h"
#include "AppSet/KeyMap.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "audio/CAudioSetup.h"
#include "audio/CEffectWnd.h"
#include "audio/CMicDelay.h"
#include "audio/EffectEventArgs.h"

CAudioSetupModle::CAudioSetupModle(CAudioSet& audio, bool challengeRunning, CMicDelay* micDelay)
    : audio_(audio), challengeRunning_(challengeRunning), micDelay_(micDelay) {}

CAudioSetupModle::~CAudioSetupModle() {
  // A page deleted without ending still lets go of its subscriptions.
  for (auto& c : connections_) c->disconnect();
  if (panel_) panel_->detach();
}

void CAudioSetupModle::createPage(CEGUI::Window*) {
  panel_ = std::make_unique<CAudioSetup>(audio_, challengeRunning_);
  effects_ = std::make_unique<CEffectWnd>(0);
  if (!effects_->load() || !panel_->load()) {
    if (CEGUI::Window* w = effects_->root()) CEGUI::WindowManager::getSingleton().destroyWindow(w);
    if (CEGUI::Window* w = panel_->root()) CEGUI::WindowManager::getSingleton().destroyWindow(w);
    effects_->forgetWindows();
    panel_->detach();
    d_root = nullptr;
    return;
  }
  d_root = panel_->root();
  CEGUI::Window* list = effects_->root();
  d_root->addChild(list);
  list->setProperty("Area", "{{0.82,0},{0.15,0},{0.98,0},{0.7,0}}");
  panel_->setEffectRoot(list);
  std::vector<CEGUI::String> names;
  for (const EffectMode& mode : audio_.modes()) names.push_back(guiString(mode.Txt));
  effects_->setModeNames(names);

  auto sub = [this](CEGUI::EventSet& set, const CEGUI::String& name, bool (CAudioSetupModle::*handler)(const CEGUI::EventArgs&)) {
    connections_.push_back(set.subscribeEvent(name, CEGUI::Event::Subscriber(handler, this)));
  };
  sub(*effects_, CEffectWnd::EventSelChangle, &CAudioSetupModle::onSelChange);
  sub(*this, CEffectWnd::EventSelChangle, &CAudioSetupModle::onSelChange);
  sub(*effects_, CEffectWnd::EventExit, &CAudioSetupModle::onEffectExit);
  sub(*panel_, CAudioSetup::EventAudioWndExit, &CAudioSetupModle::onEnterModeList);
  connections_.push_back(panel_->subscribeEvent(CAudioSetup::EventTiaoYinTaiExit,
                                                CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                                  endModal(0);
                                                  return true;
                                                })));
  connections_.push_back(CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::MicDelayMeasured), CEGUI::Event::Subscriber(&CAudioSetupModle::onDelayMeasured, this)));

  auto click = [this](const char* name, void (CAudioSetupModle::*action)()) {
    if (CEGUI::Window* b = findWindow(CEGUI::String("AudioSetup/") + name, d_root))
      b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this, action](const CEGUI::EventArgs&) {
                          (this->*action)();
                          return true;
                        }));
  };
  click("ResetBtn", &CAudioSetupModle::resetAll);
  click("DelayBtn", &CAudioSetupModle::measureDelay);
  click("DeviceBtn", &CAudioSetupModle::chooseDevices);
}

void CAudioSetupModle::subscribeKeys(CEGUI::Window* window) {
  if (!window) return;
  window->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CAudioSetupModle::onPageKey, this));
  for (std::size_t i = 0; i < window->getChildCount(); ++i) subscribeKeys(window->getChildAtIdx(i));
}

bool CAudioSetupModle::onAttached() {
  if (!d_root) return false;
  subscribeKeys(d_root);
  if (CEGUI::Window* devices = findWindow("AudioSetup/DeviceBtn", d_root)) devices->setEnabled(bool(onChooseDevices));
  if (CEGUI::Window* delay = findWindow("AudioSetup/DelayBtn", d_root)) delay->setEnabled(micDelay_ != nullptr);
  if (micDelay_) {
    const int ms = micDelay_->stored();
    showDelay(micDelay_->measuring() ? guiString(L"正在测量麦克风延迟……")
              : ms >= 0            ? guiString(L"麦克风延迟 " + std::to_wstring(ms) + L" 毫秒")
                                   : guiString(L"麦克风延迟未测量（按 2 测量）"));
  }
  panel_->redraw();
  effects_->select(panel_->currentMode(), false);
  // The selection above takes the focus; the bars start with it.
  panel_->focusBar(CAudioSetup::kVolumeBar);
  return true;
}

bool CAudioSetupModle::closePage() {
  for (auto& c : connections_) c->disconnect();
  connections_.clear();
  if (panel_) panel_->detach();
  if (effects_) effects_->forgetWindows();
  return IPageCtrl::closePage();  // the mode list goes with the panel's root
}

void CAudioSetupModle::showDelay(const CEGUI::String& text) {
  if (CEGUI::Window* w = d_root ? findWindow("AudioSetup/DelayTxt", d_root) : nullptr) w->setText(text);
}

void CAudioSetupModle::resetAll() {
  if (!panel_ || !d_root) return;
  panel_->resetToDefaults();
  // The default mode is current now: the engine and the list follow it.
  const int mode = panel_->currentMode();
  effects_->select(mode, false);
  panel_->chooseMode(mode);
  panel_->focusBar(CAudioSetup::kVolumeBar);
}

void CAudioSetupModle::measureDelay() {
  if (!micDelay_ || !d_root) return;
  if (micDelay_->startMeasuring()) showDelay(guiString(L"正在测量麦克风延迟……请保持安静"));
}

void CAudioSetupModle::chooseDevices() {
  if (onChooseDevices) onChooseDevices();
}

bool CAudioSetupModle::onDelayMeasured(const CEGUI::EventArgs& args) {
  if (!micDelay_) return false;
  const int result = static_cast<const MicDelayEventArgs&>(args).result;
  showDelay(CMicDelay::describe(result, micDelay_->stored()));
  return false;
}

bool CAudioSetupModle::onPageKey(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (isMappedKey(static_cast<unsigned>(e.scancode), L"Back")) {
    endModal(0);
    return true;
  }
  switch (e.scancode) {
    case CEGUI::Key::One:
    case CEGUI::Key::Numpad1:
      resetAll();
      return true;
    case CEGUI::Key::Two:
    case CEGUI::Key::Numpad2:
      measureDelay();
      return true;
    case CEGUI::Key::Three:
    case CEGUI::Key::Numpad3:
      chooseDevices();
      return true;
    default:
      return false;
  }
}

bool CAudioSetupModle::onSelChange(const CEGUI::EventArgs& args) {
  const int index = static_cast<const EffectModeEventArgs&>(args).index;
  effects_->select(index, false);
  panel_->chooseMode(index);
  return true;
}

bool CAudioSetupModle::onEnterModeList(const CEGUI::EventArgs&) {
  if (CEGUI::Window* name = findWindow("StatBK/StatName", effects_->root()))
    name->setProperty("Image", imageName("set:DirUdeZud image:StatBK/StatName_Over"));
  effects_->root()->setProperty("Image", imageName("set:DirUdeZud image:AudioEffectBK_Over"));
  effects_->select(effects_->selected(), false);
  return true;
}

bool CAudioSetupModle::onEffectExit(const CEGUI::EventArgs& args) {
  const int direction = static_cast<const EffectModeEventArgs&>(args).direction;
  effects_->root()->setProperty("Image", imageName("set:DirUdeZud image:AudioEffectBK_Normal"));
  if (direction == EffectModeEventArgs::LeavePage) {
    endModal(0);
    return true;
  }
  if (CEGUI::Window* name = findWindow("StatBK/StatName", effects_->root()))
    name->setProperty("Image", imageName("set:DirUdeZud image:StatBK/StatName_Nomal"));
  if (direction == EffectModeEventArgs::Left) {
    // The nearest bar on the left: the last one that can be used (Depth, or Key in a fixed room).
    const int last = panel_->nextEnabledBar(CAudioSetup::kBarCount, -1);
    panel_->focusBar(last >= 0 ? last : CAudioSetup::kKeyBar);
  } else {
    panel_->focusBar(CAudioSetup::kVolumeBar);
  }
  return true;
}

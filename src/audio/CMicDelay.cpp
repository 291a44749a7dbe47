#include "audio/CMicDelay.h"

#include <CEGUI/GlobalEventSet.h>

#include <string>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "audio/EffectEventArgs.h"
#include "guishell/Win32AppHelper.h"
#include "vokaran/Vokaran.h"

CMicDelay::CMicDelay(CAudioDevConfigSet& configs, CAudioDevUseSet& devices)
    : configs_(configs), devices_(devices), measure_([] { return VokaMeasureMicDelay(); }) {
  measured_ = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::MicDelayMeasured), CEGUI::Event::Subscriber(&CMicDelay::onMeasured, this));
}

CMicDelay::~CMicDelay() {
  measured_->disconnect();
  waitForResult();
}

void CMicDelay::waitForResult() {
  if (worker_.joinable()) worker_.join();
}

CEGUI::String CMicDelay::outputName() const { return guiString(devices_.output().name); }
CEGUI::String CMicDelay::inputName() const { return guiString(devices_.input().name); }

int CMicDelay::stored() const {
  const auto ms = configs_.micDelay(outputName(), inputName());
  return ms ? *ms : -1;
}

int CMicDelay::applyStored() {
  const int ms = std::max(0, stored());
  VokaSetMicDelay(ms);
  return ms;
}

bool CMicDelay::startMeasuring() {
  if (running_.load()) return false;
  if (worker_.joinable()) worker_.join();  // the last one has posted and ended
  running_.store(true);
  worker_ = std::thread([this, measure = measure_] {
    const int result = measure();
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::MicDelayMeasured,
                              new MicDelayEventArgs(result), "");
  });
  return true;
}

bool CMicDelay::onMeasured(const CEGUI::EventArgs& args) {
  running_.store(false);
  const int result = static_cast<const MicDelayEventArgs&>(args).result;
  if (result < 0) {
    appLog("microphone delay: nothing measured (" + std::to_string(result) + "); " +
           std::to_string(std::max(0, stored())) + " ms kept");
    return false;
  }
  if (!configs_.setMicDelay(outputName(), inputName(), result)) return false;
  if (!configs_.SaveSets()) appLogError("microphone delay: the device settings could not be saved");
  VokaSetMicDelay(result);
  appLog("microphone delay: " + std::to_string(result) + " ms measured for the devices in use");
  return false;  // the page listens too
}

CEGUI::String CMicDelay::describe(int result, int kept) {
  const std::wstring keptText =
      kept >= 0 ? L"，保留原来的 " + std::to_wstring(kept) + L" 毫秒" : std::wstring(L"，仍按 0 毫秒计算");
  switch (result) {
    case VOKA_ERR_DELAY_SILENT:
      return guiString(L"没有听到测试声（戴着耳机时无需测量）" + keptText);
    case VOKA_ERR_DELAY_CLIPPED:
      return guiString(L"麦克风声音过大，请调低麦克风音量后再测" + keptText);
    case VOKA_ERR_DELAY_UNCLEAR:
      return guiString(L"周围太吵，没有测清楚，请安静时再测" + keptText);
    default:
      break;
  }
  if (result < 0) return guiString(L"声卡没有响应，未能测量" + keptText);
  return guiString(L"麦克风延迟 " + std::to_wstring(result) + L" 毫秒，评分与合成已按此校正");
}

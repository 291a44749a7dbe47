#include "AppSet/AudioSet.h"

#include <CEGUI/EventArgs.h>
#include <CEGUI/XMLSerializer.h>

#include "AppSet/AudioEngine.h"
#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

const CEGUI::String Item::EventValueChanged("EventValueChanged");
const CEGUI::String Item::EventUpdateProgress("EventUpdateProgress");

Item::Item(std::wstring name, std::wstring txt, int min, int max, int step, int value, int def)
    : name_(std::move(name)), txt_(std::move(txt)), value_(value), min_(min), max_(max), step_(step),
      default_(def) {}

bool Item::setValue(int value, bool update) {
  if (value < min_ || value > max_) return false;
  if (value == value_) return true;
  value_ = value;
  CEGUI::EventArgs changed;
  fireEvent(EventValueChanged, changed, "");
  if (update) {
    CEGUI::EventArgs progress;
    fireEvent(EventUpdateProgress, progress, "");
  }
  return true;
}

bool Item::resetValue() { return setValue(default_, true); }

bool Item::setRange(int min, int max) {
  if (min > max) return false;
  min_ = min;
  max_ = max;
  return true;
}

bool Item::setDefault(int value) {
  if (value < min_ || value > max_) return false;
  default_ = value;
  return true;
}

namespace {

struct BuiltInItem {
  const wchar_t* name;
  const wchar_t* txt;
  int min, max, step, value, def;
};

// The items a missing or unreadable file leaves, in name order.
const BuiltInItem kBuiltInItems[] = {
    {L"Accompany", L"伴奏音量", 0, 200, 2, 80, 60},
    {L"Depth", L"深度", 0, 127, 1, 76, 76},
    {L"ECHO", L"回声", 0, 127, 1, 110, 110},
    {L"KEY", L"音调", -6, 6, 1, 0, 0},
    {L"MELODY", L"主旋音量", 0, 127, 1, 28, 25},
    {L"MIC", L"麦克风音量", 0, 65535, 10, 65535, 65535},
    {L"MICRC", L"MIC音量", 0, 128, 1, 115, 115},
    {L"SysMICRC", L"系统麦克风录音", 0, 65535, 10, 30000, 30000},
    {L"TEMPO", L"曲速", 64, 136, 2, 100, 100},
    {L"VOL", L"主音量", 0, 65535, 10, 65535, 65500},
};

// The items whose changes are applied; "SysMICRC" is read by the device set-up instead.
const wchar_t* const kAppliedItems[] = {L"VOL", L"Accompany", L"MIC", L"MICRC", L"MELODY",
                                        L"TEMPO", L"KEY", L"Depth", L"ECHO", L"SysMICRC"};

}  // namespace

// Reads Audio.xml: "Value" and "AudioEffset" open the two reading states in which an "Item"
// is a setting item respectively a mode.
class AudioSet_xmlHandler : public TXMLHander<AudioSet_xmlHandler> {
 public:
  explicit AudioSet_xmlHandler(CAudioSet& set) : set_(set) {
    registerStart("Set", &AudioSet_xmlHandler::acceptElement);
    registerStart("Value", &AudioSet_xmlHandler::onValueStart);
    registerEnd("Value", &AudioSet_xmlHandler::onStateEnd);
    registerStart("AudioEffset", &AudioSet_xmlHandler::onEffectsStart);
    registerEnd("AudioEffset", &AudioSet_xmlHandler::onEffectsEnd);
    registerStart("Item", &AudioSet_xmlHandler::onItem);
  }

 private:
  enum class State { None, Items, Modes };

  void onValueStart(const CEGUI::XMLAttributes&) { state_ = State::Items; }
  void onEffectsStart(const CEGUI::XMLAttributes& a) {
    state_ = State::Modes;
    curSel_ = xmlAttrWide(a, "CurSel");
    def_ = xmlAttrWide(a, "Def");
  }
  void onStateEnd() { state_ = State::None; }
  void onEffectsEnd() {
    state_ = State::None;
    auto& modes = set_.modes_;
    if (modes.empty()) return;
    auto firstNamed = [&](const std::wstring& name) {
      for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].Name == name) return static_cast<int>(i);
      return 0;
    };
    set_.current_ = firstNamed(curSel_);
    set_.default_ = firstNamed(def_);
  }
  void onItem(const CEGUI::XMLAttributes& a) {
    if (state_ == State::Items) {
      auto item = std::make_unique<Item>();
      item->setName(xmlAttrWide(a, "Name"));
      item->setRange(xmlAttrInt(a, "Min", 0), xmlAttrInt(a, "Max", 0));
      item->setStep(xmlAttrInt(a, "Setup", 0));
      item->setValue(xmlAttrInt(a, "Cur", 0), true);
      item->setDefault(xmlAttrInt(a, "Def", 0));
      item->setTxt(xmlAttrWide(a, "Txt"));
      set_.storeItem(std::move(item));
    } else if (state_ == State::Modes) {
      EffectMode mode;
      mode.Name = xmlAttrWide(a, "Name");
      mode.EffectID = xmlAttrInt(a, "EffectID", 0);
      mode.bUser = xmlAttrBool(a, "bUser", false);
      mode.Depth = xmlAttrInt(a, "Depth", 0);
      mode.ECHO = xmlAttrInt(a, "ECHO", 0);
      mode.Txt = xmlAttrWide(a, "Txt");
      set_.modes_.push_back(std::move(mode));
    }
  }

  CAudioSet& set_;
  State state_ = State::None;
  std::wstring curSel_, def_;
};

CAudioSet::CAudioSet(std::wstring path) : path_(std::move(path)) {
  createBuiltInItems(false);
  createBuiltInModes();
  connectApply();
}

CAudioSet::~CAudioSet() { disconnectApply(); }

void CAudioSet::storeItem(std::unique_ptr<Item> item) {
  const std::wstring name = item->name();
  items_[name] = std::move(item);
}

void CAudioSet::createBuiltInItems(bool onlyMissing) {
  for (const auto& b : kBuiltInItems) {
    if (onlyMissing && items_.count(b.name)) continue;
    storeItem(std::make_unique<Item>(b.name, b.txt, b.min, b.max, b.step, b.value, b.def));
  }
}

void CAudioSet::createBuiltInModes() {
  modes_ = {{L"KTV", 6, L"KTV", -1, -1, false},
            {L"Concert", 5, L"演唱会", -1, -1, false},
            {L"RecordingStudio", 1, L"录音棚", -1, -1, false},
            {L"USER", 7, L"自定义", 63, 76, true}};
  current_ = default_ = 0;
}

bool CAudioSet::LoadSets() {
  // The subscriptions go before the items they are made on.
  disconnectApply();
  items_.clear();
  modes_.clear();
  current_ = default_ = -1;

  AudioSet_xmlHandler handler(*this);
  XmlReadOptions options;
  options.notReadyMessage = "CAudioSet::LoadSets - LoadSets File!";
  options.notReadySource = "AppSet\\AudioSet";
  options.notReadyLine = 248;
  options.notReadyFunction = "CAudioSet::LoadSets";
  options.notReadyIsRendererException = false;
  options.keepUnreadableCopy = true;
  const bool read = readSettingsXml(handler, settingsPathUtf8(path_), options);
  if (!read) {
    items_.clear();
    createBuiltInItems(false);
    createBuiltInModes();
  } else {
    createBuiltInItems(true);
    if (modes_.empty()) createBuiltInModes();
  }
  connectApply();
  return read;
}

bool CAudioSet::SaveSets() {
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("Set").openTag("Value");
    for (const auto& [name, item] : items_) {
      xml.openTag("Item")
          .attribute("Name", guiString(item->name()))
          .attribute("Min", xmlFromInt(item->min()))
          .attribute("Max", xmlFromInt(item->max()))
          .attribute("Setup", xmlFromInt(item->step()))
          .attribute("Cur", xmlFromInt(item->value()))
          .attribute("Def", xmlFromInt(item->defaultValue()))
          .attribute("Txt", guiString(item->txt()))
          .closeTag();
    }
    xml.closeTag().openTag("AudioEffset");
    if (const EffectMode* mode = currentMode()) xml.attribute("CurSel", guiString(mode->Name));
    if (const EffectMode* mode = defaultMode()) xml.attribute("Def", guiString(mode->Name));
    for (const EffectMode& mode : modes_) {
      xml.openTag("Item")
          .attribute("Name", guiString(mode.Name))
          .attribute("EffectID", xmlFromInt(mode.EffectID))
          .attribute("bUser", xmlFromBool(mode.bUser))
          .attribute("Depth", xmlFromInt(mode.Depth))
          .attribute("ECHO", xmlFromInt(mode.ECHO))
          .attribute("Txt", guiString(mode.Txt))
          .closeTag();
    }
    xml.closeTag().closeTag();
  });
}

Item* CAudioSet::getItem(const std::wstring& name) const {
  const auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second.get();
}

EffectMode* CAudioSet::currentMode() {
  return current_ >= 0 && current_ < static_cast<int>(modes_.size()) ? &modes_[current_] : nullptr;
}

EffectMode* CAudioSet::defaultMode() {
  return default_ >= 0 && default_ < static_cast<int>(modes_.size()) ? &modes_[default_] : nullptr;
}

bool CAudioSet::setCurrentMode(size_t index) {
  if (index >= modes_.size()) return false;
  current_ = static_cast<int>(index);
  return true;
}

bool CAudioSet::isUserMode() const {
  return current_ >= 0 && current_ < static_cast<int>(modes_.size()) && modes_[current_].bUser;
}

void CAudioSet::resetToDefaults() {
  for (const auto& [name, item] : items_) {
    if (keepMelody_ && name == L"MELODY") continue;
    item->resetValue();
  }
  current_ = default_;
  if (const EffectMode* mode = currentMode(); mode && mode->bUser) {
    const int depth = mode->Depth, echo = mode->ECHO;  // the handlers write into the mode
    if (Item* item = getItem(L"Depth")) item->setValue(depth, true);
    if (Item* item = getItem(L"ECHO")) item->setValue(echo, true);
  }
}

void CAudioSet::connectApply() {
  for (const wchar_t* name : kAppliedItems) {
    Item* item = getItem(name);
    if (!item) continue;
    applied_.push_back(item->subscribeEvent(
        Item::EventValueChanged, CEGUI::Event::Subscriber([this, item](const CEGUI::EventArgs&) {
          apply(item->name(), item->value());
          return false;
        })));
  }
}

void CAudioSet::disconnectApply() {
  for (auto& connection : applied_) connection->disconnect();
  applied_.clear();
}

void CAudioSet::apply(const std::wstring& name, int value) {
  if (name == L"VOL") {
    if (component_) component_->setMasterVolume(value);
  } else if (name == L"MIC") {
    if (component_) component_->setMicrophoneLevel(value);
  } else if (name == L"SysMICRC") {
    if (component_) component_->setMonitorLevel(value);
  } else if (name == L"Depth" || name == L"ECHO") {
    if (EffectMode* mode = currentMode(); mode && mode->bUser)
      (name == L"Depth" ? mode->Depth : mode->ECHO) = value;
    if (engine_) name == L"Depth" ? engine_->MicSetEchoDeep(value) : engine_->MicSetEchoLevel(value);
  } else if (engine_) {
    if (name == L"Accompany") engine_->VokaSetVolume(value);
    else if (name == L"MICRC") engine_->MicSetVolume(value);
    else if (name == L"MELODY") engine_->MidiSetMelodyVolume(value);
    else if (name == L"TEMPO") engine_->VokaSetTempo(value);
    else if (name == L"KEY") engine_->VokaSetKey(value);
  }
}

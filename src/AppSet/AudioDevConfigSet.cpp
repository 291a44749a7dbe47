#include "AppSet/AudioDevConfigSet.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"

class AudioDevConfigSetXMLHander : public TXMLHander<AudioDevConfigSetXMLHander> {
 public:
  explicit AudioDevConfigSetXMLHander(CAudioDevConfigSet& set) : set_(set) {
    registerStart("element", &AudioDevConfigSetXMLHander::onRoot);
    registerStart("Item", &AudioDevConfigSetXMLHander::onItem);
    registerStart("MicDelay", &AudioDevConfigSetXMLHander::onMicDelay);
  }

 private:
  void onRoot(const CEGUI::XMLAttributes& a) {
    set_.current_ = a.getValueAsString("CurSel");
    set_.default_ = a.getValueAsString("Def");
  }
  void onItem(const CEGUI::XMLAttributes& a) {
    set_.addConfig(a.getValueAsString("Name"), a.getValueAsString("Path"));
  }
  // A damaged entry (no number, out of range) is dropped: that pair is measured afresh.
  void onMicDelay(const CEGUI::XMLAttributes& a) {
    const CEGUI::String ms = a.getValueAsString("Ms");
    if (ms.empty() || ms.find_first_not_of("0123456789") != CEGUI::String::npos || ms.length() > 4) return;
    set_.setMicDelay(a.getValueAsString("Out"), a.getValueAsString("In"), xmlToInt(ms));
  }
  CAudioDevConfigSet& set_;
};

CAudioDevConfigSet::CAudioDevConfigSet(CEGUI::String path) : path_(std::move(path)) {
  restoreDefaults();
}

void CAudioDevConfigSet::restoreDefaults() {
  configs_.clear();
  micDelays_.clear();
  configs_["DefAudioCfg"] = "./PKData/AppSets/DefAudioCfg.xml";
  current_ = default_ = "DefAudioCfg";
}

bool CAudioDevConfigSet::LoadSets() {
  configs_.clear();
  micDelays_.clear();
  current_.clear();
  default_.clear();
  AudioDevConfigSetXMLHander handler(*this);
  XmlReadOptions options;
  options.notReadyMessage = "CAudioDevConfigSet::LoadSets - LoadSets File!";
  options.notReadySource = "AppSet\\AudioDevConfigSet";
  options.notReadyLine = 108;
  options.notReadyFunction = "CAudioDevConfigSet::LoadSets";
  options.notReadyIsRendererException = false;
  options.keepUnreadableCopy = true;
  const bool read = readSettingsXml(handler, path_.c_str(), options);
  if (!read) restoreDefaults();
  return read;
}

bool CAudioDevConfigSet::SaveSets() {
  return writeSettingsXml(path_.c_str(), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("element").attribute("Def", default_).attribute("CurSel", current_);
    for (const auto& [name, path] : configs_)
      xml.openTag("Item").attribute("Name", name).attribute("Path", path).closeTag();
    for (const auto& [pair, ms] : micDelays_)
      xml.openTag("MicDelay").attribute("Out", pair.first).attribute("In", pair.second).attribute("Ms", xmlFromInt(ms)).closeTag();
    xml.closeTag();
  });
}

bool CAudioDevConfigSet::selectConfig(const CEGUI::String& name) {
  if (!configs_.count(name)) return false;
  current_ = name;
  return true;
}

bool CAudioDevConfigSet::configPath(const CEGUI::String& name, CEGUI::String& path) const {
  const auto it = configs_.find(name);
  if (it == configs_.end()) return false;
  path = it->second;
  return true;
}

bool CAudioDevConfigSet::addConfig(const CEGUI::String& name, const CEGUI::String& path) {
  return configs_.emplace(name, path).second;
}

std::optional<int> CAudioDevConfigSet::micDelay(const CEGUI::String& output, const CEGUI::String& input) const {
  const auto it = micDelays_.find({output, input});
  if (it == micDelays_.end()) return std::nullopt;
  return it->second;
}

bool CAudioDevConfigSet::setMicDelay(const CEGUI::String& output, const CEGUI::String& input, int milliseconds) {
  if (milliseconds < 0 || milliseconds > 2000) return false;
  micDelays_[{output, input}] = milliseconds;
  return true;
}

#include "AppSet/AudioDevConfigSet.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"

class AudioDevConfigSetXMLHander : public TXMLHander<AudioDevConfigSetXMLHander> {
 public:
  explicit AudioDevConfigSetXMLHander(CAudioDevConfigSet& set) : set_(set) {
    registerStart("element", &AudioDevConfigSetXMLHander::onRoot);
    registerStart("Item", &AudioDevConfigSetXMLHander::onItem);
  }

 private:
  void onRoot(const CEGUI::XMLAttributes& a) {
    set_.current_ = a.getValueAsString("CurSel");
    set_.default_ = a.getValueAsString("Def");
  }
  void onItem(const CEGUI::XMLAttributes& a) {
    set_.addConfig(a.getValueAsString("Name"), a.getValueAsString("Path"));
  }
  CAudioDevConfigSet& set_;
};

CAudioDevConfigSet::CAudioDevConfigSet(CEGUI::String path) : path_(std::move(path)) {
  restoreDefaults();
}

void CAudioDevConfigSet::restoreDefaults() {
  configs_.clear();
  configs_["DefAudioCfg"] = "./PKData/AppSets/DefAudioCfg.xml";
  current_ = default_ = "DefAudioCfg";
}

bool CAudioDevConfigSet::LoadSets() {
  configs_.clear();
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

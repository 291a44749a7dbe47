#include "AppSet/AudioDevUseSet.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

class CAudioDevUseSetXMLHander : public TXMLHander<CAudioDevUseSetXMLHander> {
 public:
  explicit CAudioDevUseSetXMLHander(CAudioDevUseSet& set) : set_(set) {
    registerStart("AudioDevUse", &CAudioDevUseSetXMLHander::acceptElement);
    registerStart("Item", &CAudioDevUseSetXMLHander::onItem);
  }

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    const CEGUI::String which = a.getValueAsString("Name");
    UsedAudioDevice device{xmlAttrWide(a, "DevName"), xmlAttrUInt(a, "DevID", 0)};
    if (which == "AudioIn")
      set_.input_ = device;
    else if (which == "AudiOut")  // spelled so in the file
      set_.output_ = device;
  }
  CAudioDevUseSet& set_;
};

CAudioDevUseSet::CAudioDevUseSet(CEGUI::String path) : path_(std::move(path)) {}

bool CAudioDevUseSet::LoadSets() {
  CAudioDevUseSetXMLHander handler(*this);
  XmlReadOptions options;
  options.via = XmlReadVia::GuiSystemUnchecked;
  options.keepUnreadableCopy = true;
  return readSettingsXml(handler, path_.c_str(), options);
}

bool CAudioDevUseSet::SaveSets() {
  return writeSettingsXml(path_.c_str(), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("AudioDevUse");
    xml.openTag("Item")
        .attribute("Name", "AudioIn")
        .attribute("DevName", guiString(input_.name))
        .attribute("DevID", xmlFromUInt(input_.id))
        .closeTag();
    xml.openTag("Item")
        .attribute("Name", "AudiOut")
        .attribute("DevName", guiString(output_.name))
        .attribute("DevID", xmlFromUInt(output_.id))
        .closeTag();
    xml.closeTag();
  });
}

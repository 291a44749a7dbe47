#include "AppSet/TunedCtrl.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"

std::wstring ToneRecord::rangeName(int number) {
  static const wchar_t* const names[] = {L"低音", L"中低音", L"中音", L"中高音", L"高音"};
  return number >= 1 && number <= 5 ? names[number - 1] : L"";
}

class TunedInfoXMLHander : public TXMLHander<TunedInfoXMLHander> {
 public:
  explicit TunedInfoXMLHander(TunedCtrl& ctrl) : ctrl_(ctrl) {
    registerStart("ROOT", &TunedInfoXMLHander::acceptElement);
    registerStart("Item", &TunedInfoXMLHander::onItem);
  }

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    const ToneRecord fresh;
    ToneRecord r;
    r.IsMale = xmlAttrBool(a, "IsMale", fresh.IsMale != 0) ? 1 : 0;
    r.HighPitch = xmlAttrInt(a, "HighPitch", 0);
    r.HighKey = xmlAttrInt(a, "HighKey", fresh.HighKey);
    r.Leave = xmlAttrInt(a, "Leave", 0);
    r.bUse = xmlAttrBool(a, "bUse", fresh.bUse != 0) ? 1 : 0;
    // Items past the seventh would be cut off again after reading.
    if (next_ < TunedCtrl::kSlots) ctrl_.records_[next_] = r;
    ++next_;
  }
  TunedCtrl& ctrl_;
  int next_ = 0;
};

TunedCtrl::TunedCtrl(std::wstring path) : path_(std::move(path)) {}

bool TunedCtrl::LoadSets() {
  TunedInfoXMLHander handler(*this);
  XmlReadOptions options;
  options.notReadyMessage = "TunedCtrl::LoadSets - LoadSets Fail!";
  options.notReadySource = "PK\\TunedCtrl";
  options.notReadyFunction = "TunedCtrl::LoadSets";
  options.keepUnreadableCopy = true;
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

bool TunedCtrl::SaveSets() {
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("ROOT");
    for (const ToneRecord& r : records_) {
      xml.openTag("Item")
          .attribute("IsMale", xmlFromBool(r.IsMale != 0))
          .attribute("HighPitch", xmlFromInt(r.HighPitch))
          .attribute("HighKey", xmlFromInt(r.HighKey))
          .attribute("Leave", xmlFromInt(r.Leave))
          .attribute("bUse", xmlFromBool(r.bUse != 0))
          .closeTag();
    }
    xml.closeTag();
  });
}

bool TunedCtrl::setRecord(int index, const ToneRecord& record) {
  if (index < 0 || index >= kSlots) return false;
  records_[index] = record;
  return true;
}

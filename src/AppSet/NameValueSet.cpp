#include "AppSet/NameValueSet.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

// Reads device.xml and UserSet.xml alike (CDevSetXMLHander and CUserSetXMLHander differ only
// in their document element).
class CNameValueSetXMLHander : public TXMLHander<CNameValueSetXMLHander> {
 public:
  CNameValueSetXMLHander(CNameValueSet& set, const char* root) : set_(set) {
    registerStart(root, &CNameValueSetXMLHander::acceptElement);
    registerStart("Item", &CNameValueSetXMLHander::onItem);
  }

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    set_.setValue(xmlAttrWide(a, "Name"), xmlAttrWide(a, "Value"));
  }
  CNameValueSet& set_;
};

CNameValueSet::CNameValueSet(std::wstring path, const char* root, const char* source, int line)
    : path_(std::move(path)), root_(root), source_(source), line_(line) {}

bool CNameValueSet::LoadSets() {
  CNameValueSetXMLHander handler(*this, root_);
  XmlReadOptions options;
  options.notReadySource = source_;
  options.notReadyLine = line_;
  options.keepUnreadableCopy = true;
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

bool CNameValueSet::SaveSets() {
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag(root_);
    for (const auto& [name, value] : values_)
      xml.openTag("Item").attribute("Name", guiString(name)).attribute("Value", guiString(value)).closeTag();
    xml.closeTag();
  });
}

void CNameValueSet::setValue(const std::wstring& name, const std::wstring& value) {
  values_[name] = value;
}

bool CNameValueSet::getValue(const std::wstring& name, std::wstring& value) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return false;
  value = it->second;
  return true;
}

CDevSets::CDevSets(std::wstring path)
    : CNameValueSet(std::move(path), "DevSet", "AppSet\\DevSet", 92) {}

CUserSet::CUserSet(std::wstring path)
    : CNameValueSet(std::move(path), "UserSet", "AppSet\\UserSet", 93) {}

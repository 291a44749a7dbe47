#include "AppSet/KeyMap.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

namespace {
CKeyMap* instance = nullptr;
}

class CKeyMapXMLHander : public TXMLHander<CKeyMapXMLHander> {
 public:
  explicit CKeyMapXMLHander(CKeyMap& map) : map_(map) {
    registerStart("KEYMAP", &CKeyMapXMLHander::acceptElement);
    registerStart("Item", &CKeyMapXMLHander::onItem);
  }

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    map_.setEntry({xmlAttrWide(a, "Name"), xmlAttrInt(a, "Value", 0), xmlAttrWide(a, "VKValue"),
                   xmlAttrWide(a, "Comment")});
  }
  CKeyMap& map_;
};

CKeyMap::CKeyMap(std::wstring path) : path_(std::move(path)) {
  const KeyMapEntry defaults[] = {
      {L"Back", 1, L"VK_ESCAPE", L"返回上一级"},
      {L"OK", 28, L"VK_Return", L"确认ok"},
      {L"Dwon", 208, L"VK_DOWN", L"方向下"},
      {L"UP", 200, L"VK_UP", L"方向上"},
      {L"Left", 203, L"VK_LEFT", L"方向左"},
      {L"Right", 205, L"VK_RIGHT", L"方向右"},
      {L"Clear", 105, L"VK_F18", L"清除"},
      {L"Menu", 109, L"VK_F22", L" 菜单"},
      {L"PlayPause", 162, L"VK_MEDIA_PLAY_PAUSE", L"播放和暂停"},
      {L"MediaStop", 164, L"VK_MEDIA_STOP", L"播放器停止"},
      {L"Exit", 1, L"VK_ESCAPE", L"退出"},
  };
  for (const auto& e : defaults) entries_[e.Name] = e;
  instance = this;
}

CKeyMap::~CKeyMap() {
  if (instance == this) instance = nullptr;
}

CKeyMap* CKeyMap::getSingletonPtr() { return instance; }

bool CKeyMap::lookupKey(const std::wstring& name, int& value) const {
  const auto it = entries_.find(name);
  if (it == entries_.end()) return false;
  value = it->second.Value;
  return true;
}

bool CKeyMap::LoadSets() {
  CKeyMapXMLHander handler(*this);
  XmlReadOptions options;
  options.via = XmlReadVia::StandAlone;
  options.keepUnreadableCopy = true;
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

bool CKeyMap::SaveSets() {
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("KEYMAP");
    for (const auto& [name, e] : entries_) {
      xml.openTag("Item")
          .attribute("Name", guiString(e.Name))
          .attribute("Value", xmlFromInt(e.Value))
          .attribute("VKValue", guiString(e.VKValue))
          .attribute("Comment", guiString(e.Comment))
          .closeTag();
    }
    xml.closeTag();
  });
}

void CKeyMap::setEntry(const KeyMapEntry& entry) { entries_[entry.Name] = entry; }

int keyMapCode(const std::wstring& name) {
  int value = -1;
  if (instance && instance->lookupKey(name, value)) return value;
  return -1;
}

bool isMappedKey(unsigned scancode, const std::wstring& name) {
  const int code = keyMapCode(name);
  return code >= 0 && static_cast<unsigned>(code) == scancode;
}

#include "AppSet/ConfigSet.h"

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"

class CConfigSetXMLHander : public TXMLHander<CConfigSetXMLHander> {
 public:
  explicit CConfigSetXMLHander(CConfigSet& set) : set_(set) {
    registerStart("Config", &CConfigSetXMLHander::acceptElement);
    registerStart("FullScreen", &CConfigSetXMLHander::onFullScreen);
    registerStart("WndSize", &CConfigSetXMLHander::onWndSize);
    registerStart("AlbumMaxSize", &CConfigSetXMLHander::onAlbumMaxSize);
    registerStart("AlbumMaxNum", &CConfigSetXMLHander::onAlbumMaxNum);
    registerStart("SangMaxNum", &CConfigSetXMLHander::onSangMaxNum);
  }

 private:
  void onFullScreen(const CEGUI::XMLAttributes& a) {
    set_.fullScreen_ = xmlAttrBool(a, "Value", set_.fullScreen_);
  }
  void onWndSize(const CEGUI::XMLAttributes& a) {
    set_.hasWindowSize_ = true;
    set_.width_ = xmlAttrInt(a, "Width", 0);
    set_.height_ = xmlAttrInt(a, "Height", 0);
  }
  void onAlbumMaxSize(const CEGUI::XMLAttributes& a) {
    set_.albumMaxSize_ = xmlAttrInt(a, "Value", set_.albumMaxSize_);
  }
  void onAlbumMaxNum(const CEGUI::XMLAttributes& a) {
    set_.albumMaxNum_ = xmlAttrInt(a, "Value", set_.albumMaxNum_);
  }
  void onSangMaxNum(const CEGUI::XMLAttributes& a) {
    set_.sangMaxNum_ = xmlAttrInt(a, "Value", set_.sangMaxNum_);
  }

  CConfigSet& set_;
};

CConfigSet::CConfigSet(std::wstring path) : path_(std::move(path)) {}

bool CConfigSet::LoadSets() {
  CConfigSetXMLHander handler(*this);
  XmlReadOptions options;
  options.via = XmlReadVia::StandAlone;
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

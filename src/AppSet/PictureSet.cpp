#include "AppSet/PictureSet.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/AppLog.h"
#include "app/WindowPath.h"

class HeadPicXmlHandler : public TXMLHander<HeadPicXmlHandler> {
 public:
  HeadPicXmlHandler() {
    registerStart("Set", &HeadPicXmlHandler::acceptElement);
    registerStart("Item", &HeadPicXmlHandler::onItem);
  }
  // "id" and "filename" of each entry, in document order.
  std::vector<std::pair<std::wstring, std::wstring>> entries;

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    entries.emplace_back(xmlAttrWide(a, "id"), xmlAttrWide(a, "filename"));
  }
};

CPictureSet::CPictureSet(std::wstring listPath, const char* imagesetPrefix, const char* pictureFile,
                         const char* resourceGroup, int kind)
    : listPath_(std::move(listPath)), prefix_(imagesetPrefix), pictureFile_(pictureFile),
      group_(resourceGroup), kind_(kind) {}

bool CPictureSet::load() {
  HeadPicXmlHandler handler;
  XmlReadOptions options;
  options.notReadyFunction = "ShowPictureInterface::load";
  const bool read = readSettingsXml(handler, settingsPathUtf8(listPath_), options);
  table_.clear();
  int position = 0;
  for (const auto& [id, file] : handler.entries) {
    ++position;
    table_[position] = id == std::to_wstring(position) ? file : std::wstring();
  }
  return read;
}

int CPictureSet::apply(CEGUI::PropertySet* const* windows, int n) {
  auto& images = CEGUI::ImageManager::getSingleton();
  int handled = 0;
  for (int i = 0; i < n; ++i) {
    if (!windows || !windows[i]) continue;
    const CEGUI::String imageset = CEGUI::String(prefix_) + xmlFromInt(i + 1);
    const CEGUI::String image = imageName("set:" + imageset + " image:full_image");
    try {
      if (!images.isDefined(image)) images.addFromImageFile(image, pictureFile_, group_);
      for (const char* property : {"NormalImage", "HoverImage", "PushedImage"})
        windows[i]->setProperty(property, image);
      ++handled;
    } catch (const CEGUI::Exception& e) {
      appLogError(std::string("picture set: window ") + std::to_string(i + 1) + " gets no picture: " +
                  e.getMessage().c_str());
    }
  }
  return handled;
}

ShowHeadPicture::ShowHeadPicture(std::wstring listPath)
    : CPictureSet(std::move(listPath), "HeadImageSet", "PKData/ShowPhoto/HeadIconDefault.png",
                  "HeadPicture", 0) {}

ShowThemePicture::ShowThemePicture(std::wstring listPath)
    : CPictureSet(std::move(listPath), "ThemeImageSet", "PKData/ShowPhoto/ThemeIconDefault.png",
                  "ThemePicture", 1) {}

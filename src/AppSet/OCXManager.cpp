#include "AppSet/OCXManager.h"

#include <cstdint>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/AppLog.h"
#include "oscompat/DynamicLibrary.h"
#include "oscompat/Utf.h"

namespace {
OCXManager* instance = nullptr;
// The registration entry points return a 32-bit result code; negative is failure.
using EntryPoint = int32_t (*)();
}  // namespace

class ocx_xmlHandler : public TXMLHander<ocx_xmlHandler> {
 public:
  explicit ocx_xmlHandler(OCXManager& manager) : manager_(manager) {
    registerStart("ROOT", &ocx_xmlHandler::acceptElement);
    registerStart("ITEM", &ocx_xmlHandler::onItem);
  }

 private:
  void onItem(const CEGUI::XMLAttributes& a) {
    if (a.exists("PATH")) manager_.components_.push_back(xmlAttrWide(a, "PATH"));
  }
  OCXManager& manager_;
};

OCXManager::OCXManager(std::wstring listPath) : listPath_(std::move(listPath)) { instance = this; }

OCXManager::~OCXManager() {
  if (instance == this) instance = nullptr;
}

OCXManager* OCXManager::getSingletonPtr() { return instance; }

bool OCXManager::loadList() {
  components_.clear();
  ocx_xmlHandler handler(*this);
  XmlReadOptions options;
  options.notReadyFunction = "OCXManager::loadList";
  return readSettingsXml(handler, settingsPathUtf8(listPath_), options);
}

int OCXManager::registerAll() { return visitAll("DllRegisterServer"); }

int OCXManager::unregisterAll() { return visitAll("DllUnregisterServer"); }

int OCXManager::visitAll(const char* entryPoint) {
  int done = 0;
  for (const std::wstring& component : components_) {
    std::string path = oscompat::utf8FromWide(component);
    // A bare name means the file in the current folder, as the list was written for; the
    // loader would search the system's library folders for it instead.
    if (path.find('/') == std::string::npos) path = "./" + path;
    void* library = oscompat::loadLibrary(path);
    if (!library) continue;
    const auto entry = reinterpret_cast<EntryPoint>(oscompat::findSymbol(library, entryPoint));
    if (!entry || entry() >= 0)
      ++done;
    else
      appLog(std::string("component manager: ") + entryPoint + " of " + path + " failed");
  }
  return done;
}

// The practice menu document: 5023 (the version the module has is current), 5024 (a new
// document). Either way the application's start-up, which waits for one of the two events,
// goes on.
#include <filesystem>

#include "NetWork/NetEventArgs.h"
#include "NetWork/NetReplyHandlers.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/ModulePaths.h"
#include "oscompat/AtomicFile.h"

namespace netreply {
namespace {

void postMenuList() { postGlobal(EventNames::GetNetMenuList, new GetNetMenuVersinEventArgs); }

void onMenuVersion(void* result, int, int status) {
  const auto* text = static_cast<const ITextResult*>(result);
  if (status != 0 || !text) return postMenuList();
  postGlobal(EventNames::GetNetMenuVersion, new GetNetMenuVersinEventArgs(narrow(text->GetText())));
}

void onMenuDocument(void* result, int, int status) {
  const auto* text = static_cast<const ITextResult*>(result);
  if (status == 0 && text) {
    // Written beside and renamed over the old file, so that a stop in the middle never
    // leaves half a menu behind.
    const std::filesystem::path file =
        std::filesystem::path(moduleDirectoryUtf8()) / "PKData" / "AppSets" / "NetMenu.xml";
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::string error;
    if (!oscompat::writeFileAtomically(file.string(), narrow(text->GetText()), &error))
      appLogError("network reply 5024: the menu document was not saved: " + error);
  }
  postMenuList();
}

}  // namespace

void addMenuHandlers(HandlerMap& map) {
  map[5023] = &onMenuVersion;
  map[5024] = &onMenuDocument;
}

}  // namespace netreply

#include "Upload/WorkRemoval.h"

#include <CEGUI/CEGUI.h>

#include "app/AppLog.h"
#include "app/IPageCtrl.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/CRemoveTipWnd.h"

bool confirmWorkRemoval(const std::wstring& song, std::function<void()> remove) {
  auto* dialog = new CRemoveTipWnd;
  dialog->subscribeEvent("EndModal", CEGUI::Event::Subscriber([dialog, remove](const CEGUI::EventArgs&) {
                           // The dialog goes once its own handler has returned.
                           IPageCtrl::freeLater(dialog);
                           if (dialog->result() == 1 && remove) remove();
                           return true;
                         }));
  if (!dialog->attach(guiSheet()) || !dialog->pageWindow()) {
    appLogError("works: the removal confirmation could not be shown; nothing removed");
    dialog->endModal(0);
    return false;
  }
  CEGUI::Window* page = dialog->pageWindow();
  if (page->isChild("Title")) page->getChild("Title")->setText(guiString(L"删除作品"));
  if (page->isChild("Message"))
    page->getChild("Message")->setText(guiString(L"确定要删除作品《" + song + L"》吗？删除后不能恢复。"));
  return true;
}

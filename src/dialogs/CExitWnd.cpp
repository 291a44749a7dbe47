#include "dialogs/CExitWnd.h"

#include "oscompat/Display.h"

CExitWnd::CExitWnd() : CTwoButtonDialog("PK_ExitWnd.layout") {}

bool CExitWnd::onAttached() {
  const bool ok = CTwoButtonDialog::onAttached();
  oscompat::showSystemCursor(true);
  return ok;
}

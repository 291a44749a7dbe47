#include "dialogs/CRemoveTipWnd.h"

#include "AppSet/KeyMap.h"

CRemoveTipWnd::CRemoveTipWnd() : CTwoButtonDialog("PK_RemoveTipWnd.layout") {}

bool CRemoveTipWnd::handleOwnKey(unsigned key) {
  if (!isMappedKey(key, L"Back")) return false;
  endModal(0);
  return true;
}

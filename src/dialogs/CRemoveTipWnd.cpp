#include "dialogs/CRemoveTipWnd.h"

#include "AppSet/KeyMap.h"

CRemoveTipWnd::CRemoveTipWnd() : CTwoButtonDialog("PK_RemoveTipWnd.layout") {}

bool CRemoveTipWnd::handleOwnKey(unsigned key) {
  const int back = keyMapCode(L"Back");
  if (back < 0 || key != static_cast<unsigned>(back)) return false;
  endModal(0);
  return true;
}

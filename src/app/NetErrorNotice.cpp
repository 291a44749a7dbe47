#include "app/NetErrorNotice.h"

#include "app/CInfoTipManager.h"

std::wstring netErrorText(int e, int c) {
  if (e == -15004 && c == 2549) return L"已上传专辑信息获取失败,请检查网络！";
  if (e == -15004) return L"网络接口失败,请检查网络(指令号：" + std::to_wstring(c) + L"）";
  if (e == -15005) return L"ZRQ服务器地址为空！";
  if (e >= -5004 && e <= -5002) return L"没有搜索到相应数据！";
  return L"网络接口错误（指令号：" + std::to_wstring(c) + L"，错误码：" + std::to_wstring(e) + L"）";
}

void showNetErrorNotice(int errorCode, int commandNumber) {
  if (auto* tips = CInfoTipManager::getSingletonPtr())
    tips->showStandardNotice(netErrorText(errorCode, commandNumber), L"NetError", 2000);
}

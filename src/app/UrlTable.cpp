#include "app/UrlTable.h"

const std::array<const wchar_t*, UrlTable::Count> UrlTable::names = {
    L"strData_14Homepage", L"strMini_Web_register_URL", L"strMini_Web_ForgetPSD_URL",
    L"strData_CHONGZHI", L"strData_OpenRuzaZuv", L"strRuzaZuvN_LinK", L"strRuzaZuvY_LinK",
    L"strActivate", L"strVokaMarket", L"strVokaForum", L"strVokaMyBlog", L"strVokaToneRank",
    L"strAlbumePlyaURL", L"strUserGuideURL", L"strPKRuleURL", L"strPKHelpURL", L"strPKBlogURL",
    L"strPKMineURL", L"strPKPlayURL"};

const std::wstring& UrlTable::at(int index) const {
  static const std::wstring empty;
  return index >= 0 && index < Count ? urls_[static_cast<size_t>(index)] : empty;
}

void UrlTable::set(int index, const std::wstring& url) {
  if (index >= 0 && index < Count) urls_[static_cast<size_t>(index)] = url;
}

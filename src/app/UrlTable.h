#pragma once
// The launcher's table of web addresses.
#include <array>
#include <string>

class UrlTable {
 public:
  enum Index {
    strData_14Homepage, strMini_Web_register_URL, strMini_Web_ForgetPSD_URL, strData_CHONGZHI,
    strData_OpenRuzaZuv, strRuzaZuvN_LinK, strRuzaZuvY_LinK, strActivate, strVokaMarket,
    strVokaForum, strVokaMyBlog, strVokaToneRank, strAlbumePlyaURL, strUserGuideURL,
    strPKRuleURL, strPKHelpURL, strPKBlogURL, strPKMineURL, strPKPlayURL,
    Count
  };
  // Parameter names of the entries, in index order.
  static const std::array<const wchar_t*, Count> names;

  const std::wstring& at(int index) const;
  void set(int index, const std::wstring& url);

 private:
  std::array<std::wstring, Count> urls_;
};

// The six option flags of the launcher.
struct AppOptions {
  int NorSet_Upload = 0;
  int NorSet_SelTone = 0;  // show the tone selection before each song
  int InfoTip_ExitInfo = 0;
  int InfoTip_UploadInfo = 0;
  int InfoTip_UploadVoice = 0;
  int InfoTip_ExitUploadInfo = 0;
};

// The audio devices the launcher chose, kept until the audio device manager takes them.
struct LaunchDevices {
  int DeviceIDIn = 0;
  int DeviceIDOut = 0;
  std::wstring DeviceIn;
  std::wstring DeviceOut;
};

#include "LaunchDocument.h"

std::vector<std::pair<std::string, std::string>> defaultLaunchParams() {
  return {
      {"Mail", "demo@vokaran.example"},
      {"SessionID", "vk-demo-session-10001"},
      {"UserID", "10001"},
      {"SecretKey", "demo-secret"},
      {"userToneLevel", "3"},
      {"userToneSex", "1"},
      {"DeviceIDOut", "0"},
      {"DeviceIDIn", "0"},
      {"DeviceOut", "默认输出设备"},
      {"DeviceIn", "默认麦克风"},
      {"DeviceVideo", "0"},
      {"IsVod", "1"},
      {"IsUpload", "1"},
      {"IsVodCoins", "1"},
      {"IsUploadCoins", "1"},
      {"ruzaZuv", "1"},
      {"VokaCoin", "25.5"},
      {"level", "3"},
      {"exper", "1280"},
      {"iPercent", "45"},
      {"totalCanSingRecNum", "30"},
      {"totalCanUploadNum", "10"},
      {"leaveCanSingRecNum", "28"},
      {"leaveCanUploadNum", "9"},
      {"judedSongNum", "12"},
      {"overDate", "2027-12-31"},
      {"ktvNum", "2"},
      {"uploadNum", "1"},
      {"strData_14Homepage", "http://127.0.0.1:8730/"},
      {"strMini_Web_register_URL", "http://127.0.0.1:8730/register"},
      {"strMini_Web_ForgetPSD_URL", "http://127.0.0.1:8730/password"},
      {"strData_CHONGZHI", "http://127.0.0.1:8730/recharge"},
      {"strData_OpenRuzaZuv", "http://127.0.0.1:8730/membership"},
      {"strRuzaZuvN_LinK", "http://127.0.0.1:8730/membership/no"},
      {"strRuzaZuvY_LinK", "http://127.0.0.1:8730/membership/yes"},
      {"strActivate", "http://127.0.0.1:8730/activate"},
      {"strVokaMarket", "http://127.0.0.1:8730/market"},
      {"strVokaForum", "http://127.0.0.1:8730/forum"},
      {"strVokaMyBlog", "http://127.0.0.1:8730/blog"},
      {"strVokaToneRank", "http://127.0.0.1:8730/tone-rank"},
      {"strAlbumePlyaURL", "http://127.0.0.1:8730/album"},
      {"strUserGuideURL", "http://127.0.0.1:8730/guide"},
      {"strPKRuleURL", "http://127.0.0.1:8730/contest/rules"},
      {"strPKHelpURL", "http://127.0.0.1:8730/contest/help"},
      {"strPKBlogURL", "http://127.0.0.1:8730/community"},
      {"strPKMineURL", "http://127.0.0.1:8730/works/mine"},
      {"strPKPlayURL", "http://127.0.0.1:8730/works/play"},
      {"NorSet_Upload", "1"},
      {"NorSet_SelTone", "1"},
      {"InfoTip_ExitInfo", "1"},
      {"InfoTip_UploadInfo", "1"},
      {"InfoTip_UploadVoice", "1"},
      {"InfoTip_ExitUploadInfo", "1"},
      {"Telphone", "13800138000"},
  };
}

void rebaseWebAddresses(std::vector<std::pair<std::string, std::string>>& params, const std::string& base) {
  const std::string from = kDefaultWebBase;
  for (auto& [name, value] : params)
    if (value.compare(0, from.size(), from) == 0 && (value.size() == from.size() || value[from.size()] == '/'))
      value = base + value.substr(from.size());
}

namespace {
std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}
}  // namespace

std::string buildLaunchDocument(const std::vector<std::pair<std::string, std::string>>& params) {
  std::string doc = "<Launch>";
  for (const auto& [name, value] : params)
    doc += "<Param Name=\"" + escape(name) + "\" Value=\"" + escape(value) + "\"/>";
  doc += "</Launch>";
  return doc;
}

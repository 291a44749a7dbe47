#include "app/LaunchParams.h"

#include <CEGUI/PropertyHelper.h>
#include <tinyxml.h>

#include "app/TextConvert.h"
#include "oscompat/CodePage.h"

const std::array<const wchar_t*, 53> kRequiredLaunchParams = {
    L"Mail", L"SessionID", L"UserID", L"SecretKey", L"userToneLevel", L"userToneSex",
    L"DeviceIDOut", L"DeviceIDIn", L"DeviceOut", L"DeviceIn", L"DeviceVideo", L"IsVod",
    L"IsUpload", L"IsVodCoins", L"IsUploadCoins", L"ruzaZuv", L"VokaCoin", L"level", L"exper",
    L"iPercent", L"totalCanSingRecNum", L"totalCanUploadNum", L"leaveCanSingRecNum",
    L"leaveCanUploadNum", L"judedSongNum", L"overDate", L"ktvNum", L"uploadNum",
    L"strData_14Homepage", L"strMini_Web_register_URL", L"strMini_Web_ForgetPSD_URL",
    L"strData_CHONGZHI", L"strData_OpenRuzaZuv", L"strRuzaZuvN_LinK", L"strRuzaZuvY_LinK",
    L"strActivate", L"strVokaMarket", L"strVokaForum", L"strVokaMyBlog", L"strVokaToneRank",
    L"strAlbumePlyaURL", L"strUserGuideURL", L"strPKRuleURL", L"strPKHelpURL", L"strPKBlogURL",
    L"strPKMineURL", L"strPKPlayURL", L"NorSet_Upload", L"NorSet_SelTone", L"InfoTip_ExitInfo",
    L"InfoTip_UploadInfo", L"InfoTip_UploadVoice", L"InfoTip_ExitUploadInfo"};

bool parseLaunchParams(LaunchParams& out, const std::string& commandLine,
                       std::wstring* firstMissing) {
  if (firstMissing) firstMissing->clear();
  TiXmlDocument doc;
  const std::string cp = oscompat::systemCodePage();
  const bool utf8 = cp == "UTF-8" || cp == "utf-8" || cp == "UTF8" || cp == "utf8";
  doc.Parse(commandLine.c_str(), nullptr, utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
  const TiXmlElement* root = doc.RootElement();
  if (doc.Error() || !root) return false;
  for (const TiXmlElement* p = root->FirstChildElement("Param"); p;
       p = p->NextSiblingElement("Param")) {
    const char* name = p->Attribute("Name");
    const char* value = p->Attribute("Value");
    out[toWide(name ? name : "")] = toWide(value ? value : "");
  }
  for (const wchar_t* key : kRequiredLaunchParams) {
    if (out.find(key) == out.end()) {
      if (firstMissing) *firstMissing = key;
      return false;
    }
  }
  return true;
}

std::wstring launchParamText(const LaunchParams& params, const wchar_t* name) {
  const auto it = params.find(name);
  return it == params.end() ? std::wstring() : it->second;
}

int launchParamInt(const LaunchParams& params, const wchar_t* name) {
  return CEGUI::PropertyHelper<int>::fromString(guiString(launchParamText(params, name)));
}

void distributeLaunchParams(const LaunchParams& params, LaunchContext& context) {
  auto num = [&](const wchar_t* name) { return launchParamInt(params, name); };
  auto text = [&](const wchar_t* name) { return launchParamText(params, name); };

  context.devices.DeviceIDIn = num(L"DeviceIDIn");
  context.devices.DeviceIDOut = num(L"DeviceIDOut");
  context.devices.DeviceIn = text(L"DeviceIn");
  context.devices.DeviceOut = text(L"DeviceOut");

  UserRights rights;
  rights.IsVod = num(L"IsVod");
  rights.IsUpload = num(L"IsUpload");
  rights.IsVodCoins = num(L"IsVodCoins");
  rights.IsUploadCoins = num(L"IsUploadCoins");

  UserInfor fresh;
  fresh.ruzaZuv = num(L"ruzaZuv");
  fresh.VokaCoin = text(L"VokaCoin");
  fresh.level = text(L"level");
  fresh.exper = text(L"exper");
  fresh.iPercent = num(L"iPercent");
  fresh.totalCanSingRecNum = num(L"totalCanSingRecNum");
  fresh.totalCanSingRecNumCopy = num(L"totalCanSingRecNum");
  fresh.totalCanUploadNum = num(L"totalCanUploadNum");
  fresh.leaveCanSingRecNum = num(L"leaveCanSingRecNum");
  fresh.leaveCanSingRecNumCopy = num(L"leaveCanSingRecNum");
  fresh.leaveCanUploadNum = num(L"leaveCanUploadNum");
  fresh.judedSongNum = num(L"judedSongNum");
  fresh.overDate = text(L"overDate");
  fresh.ktvNum = num(L"ktvNum");
  fresh.uploadNum = num(L"uploadNum");
  fresh.UserID = text(L"UserID");
  fresh.SecretKey = text(L"SecretKey");
  fresh.Mail = text(L"Mail");
  fresh.Telphone = text(L"Telphone");
  context.user.assignFrom(fresh);
  context.user.setRights(rights);

  UrlTable urls;
  for (int i = 0; i < UrlTable::Count; ++i) urls.set(i, text(UrlTable::names[static_cast<size_t>(i)]));
  context.urls = urls;

  context.sessionId = text(L"SessionID");

  context.options.NorSet_Upload = num(L"NorSet_Upload");
  context.options.NorSet_SelTone = num(L"NorSet_SelTone");
  context.options.InfoTip_ExitInfo = num(L"InfoTip_ExitInfo");
  context.options.InfoTip_UploadInfo = num(L"InfoTip_UploadInfo");
  context.options.InfoTip_UploadVoice = num(L"InfoTip_UploadVoice");
  context.options.InfoTip_ExitUploadInfo = num(L"InfoTip_ExitUploadInfo");
}

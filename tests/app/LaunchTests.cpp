// The launcher's parameter document and the records it fills.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>

#include "app/DeviceChoice.h"
#include "app/LaunchParams.h"
#include "oscompat/CodePage.h"

namespace {

std::string document(const std::vector<std::pair<std::string, std::string>>& params,
                     const char* root = "Launch") {
  std::string doc = std::string("<") + root + ">";
  for (auto& [n, v] : params) doc += "<Param Name=\"" + n + "\" Value=\"" + v + "\"/>";
  return doc + "</" + root + ">";
}

std::vector<std::pair<std::string, std::string>> completeParams() {
  std::vector<std::pair<std::string, std::string>> params;
  for (const wchar_t* key : kRequiredLaunchParams) {
    std::string narrow;
    for (const wchar_t* c = key; *c; ++c) narrow += static_cast<char>(*c);
    params.emplace_back(narrow, "1");
  }
  return params;
}

}  // namespace

TEST(LaunchParams, EveryRequiredKeyIsCheckedInOrderAndTelphoneIsOptional) {
  LaunchParams out;
  std::wstring missing;
  ASSERT_TRUE(parseLaunchParams(out, document(completeParams()), &missing));
  EXPECT_EQ(out.count(L"Telphone"), 0u);
  // Dropping any one key fails the parse and names exactly that key.
  const auto all = completeParams();
  for (size_t drop = 0; drop < all.size(); ++drop) {
    auto params = all;
    params.erase(params.begin() + static_cast<long>(drop));
    LaunchParams partial;
    EXPECT_FALSE(parseLaunchParams(partial, document(params), &missing));
    EXPECT_EQ(missing, kRequiredLaunchParams[drop]);
  }
}

TEST(LaunchParams, DocumentsWithoutParamsOrNotXmlFail) {
  LaunchParams out;
  std::wstring missing;
  EXPECT_FALSE(parseLaunchParams(out, "<Launch/>", &missing));
  EXPECT_EQ(missing, L"Mail");  // the first key checked
  EXPECT_FALSE(parseLaunchParams(out, "", &missing));
  EXPECT_FALSE(parseLaunchParams(out, "<Launch><Param Name=\"Mail\"", &missing));
  EXPECT_FALSE(parseLaunchParams(out, "just words", &missing));
  // The root may have any name; elements other than "Param" are ignored.
  auto params = completeParams();
  std::string doc = document(params, "Whatever");
  doc.insert(10, "<Other Name=\"Mail\" Value=\"x\"/>");
  ASSERT_TRUE(parseLaunchParams(out, doc));
  EXPECT_EQ(out[L"Mail"], L"1");
}

TEST(LaunchParams, LaterDuplicatesWinAndMissingAttributesReadAsEmpty) {
  auto params = completeParams();
  params.emplace_back("Mail", "second@example.org");
  LaunchParams out;
  ASSERT_TRUE(parseLaunchParams(out, document(params)));
  EXPECT_EQ(out[L"Mail"], L"second@example.org");

  std::string doc = document(completeParams());
  doc.insert(8, "<Param Name=\"Telphone\"/>");
  LaunchParams withEmpty;
  ASSERT_TRUE(parseLaunchParams(withEmpty, doc));
  EXPECT_EQ(withEmpty.count(L"Telphone"), 1u);
  EXPECT_EQ(withEmpty[L"Telphone"], L"");
}

TEST(LaunchParams, IntegersReadLikeTheGuiLibraryDoes) {
  LaunchParams p{{L"a", L""}, {L"b", L"abc"}, {L"c", L"12abc"}, {L"d", L"-7"}};
  EXPECT_EQ(launchParamInt(p, L"a"), 0);
  EXPECT_EQ(launchParamInt(p, L"b"), 0);
  EXPECT_EQ(launchParamInt(p, L"c"), 12);
  EXPECT_EQ(launchParamInt(p, L"d"), -7);
  EXPECT_EQ(launchParamInt(p, L"absent"), 0);
}

TEST(LaunchParams, GbkDocumentsDecodeInTheGbkSystemCodePage) {
  std::string doc = document(completeParams());
  setenv("VOKARAN_CODEPAGE", "GBK", 1);
  const std::string gbkValue = oscompat::codePageFromWide(L"麦克风", "GBK");
  doc.insert(8, "<Param Name=\"Telphone\" Value=\"" + gbkValue + "\"/>");
  LaunchParams out;
  const bool ok = parseLaunchParams(out, doc);
  unsetenv("VOKARAN_CODEPAGE");
  ASSERT_TRUE(ok);
  EXPECT_EQ(out[L"Telphone"], L"麦克风");
}

TEST(LaunchParams, DistributionFillsEveryRecordInItsPlace) {
  LaunchParams p;
  for (const wchar_t* key : kRequiredLaunchParams) p[key] = L"0";
  p[L"UserID"] = L"10001";
  p[L"Mail"] = L"demo@vokaran.example";
  p[L"SessionID"] = L"session";
  p[L"VokaCoin"] = L"2.5";
  p[L"totalCanSingRecNum"] = L"30";
  p[L"leaveCanSingRecNum"] = L"28";
  p[L"IsVod"] = L"1";
  p[L"IsUploadCoins"] = L"1";
  p[L"DeviceIDOut"] = L"3";
  p[L"DeviceOut"] = L"扬声器";
  p[L"strPKHelpURL"] = L"http://help";
  p[L"strPKPlayURL"] = L"http://play";
  p[L"NorSet_SelTone"] = L"1";
  LaunchContext c;
  c.user.IsVod = 5;  // replaced by the document's rights
  distributeLaunchParams(p, c);
  EXPECT_EQ(c.user.UserID, L"10001");
  EXPECT_EQ(c.user.Mail, L"demo@vokaran.example");
  EXPECT_EQ(c.user.VokaCoin, L"2.5");
  EXPECT_EQ(c.user.totalCanSingRecNum, 30);
  EXPECT_EQ(c.user.totalCanSingRecNumCopy, 30);
  EXPECT_EQ(c.user.leaveCanSingRecNum, 28);
  EXPECT_EQ(c.user.leaveCanSingRecNumCopy, 28);
  EXPECT_EQ(c.user.Telphone, L"");
  EXPECT_EQ(c.user.IsVod, 1);
  EXPECT_EQ(c.user.IsUploadCoins, 1);
  EXPECT_EQ(c.devices.DeviceIDOut, 3);
  EXPECT_EQ(c.devices.DeviceOut, L"扬声器");
  EXPECT_EQ(c.urls.at(UrlTable::strPKHelpURL), L"http://help");
  EXPECT_EQ(c.urls.at(18), L"http://play");
  EXPECT_EQ(c.sessionId, L"session");
  EXPECT_EQ(c.options.NorSet_SelTone, 1);
}

TEST(UserInfor, AssignFromKeepsRightsAndANonEmptyUserId) {
  UserInfor mine;
  mine.UserID = L"10001";
  mine.setRights({1, 1, 0, 1});
  UserInfor fromServer;
  fromServer.VokaCoin = L"9";
  fromServer.leaveCanSingRecNum = 4;
  fromServer.setRights({0, 0, 1, 0});
  mine.assignFrom(fromServer);
  EXPECT_EQ(mine.UserID, L"10001");
  EXPECT_EQ(mine.VokaCoin, L"9");
  EXPECT_EQ(mine.leaveCanSingRecNum, 4);
  EXPECT_EQ(mine.IsVod, 1);
  EXPECT_EQ(mine.IsVodCoins, 0);
  EXPECT_EQ(mine.IsUploadCoins, 1);
  fromServer.UserID = L"20002";
  mine.assignFrom(fromServer);
  EXPECT_EQ(mine.UserID, L"20002");
}

TEST(UserInfor, ChargesAndFlagsFollowTheAllowancesAndTheCoinBalance) {
  UserInfor u;
  u.leaveCanSingRecNum = 1;
  u.leaveCanUploadNum = 1;
  u.chargeSing();
  EXPECT_EQ(u.leaveCanSingRecNum, 0);
  EXPECT_EQ(u.ktvNum, 1);
  EXPECT_FALSE(u.refreshVodFlag());
  EXPECT_TRUE(u.refreshUploadFlag());
  u.chargeUpload();
  EXPECT_EQ(u.ktvNum, 2);
  EXPECT_FALSE(u.refreshUploadFlag());
  // Paying by coins is possible when the balance covers a charge of 0.1.
  for (auto [balance, expected] : std::vector<std::pair<std::wstring, bool>>{
           {L"0.1", true}, {L"25.5", true}, {L"0.0999", true}, {L"0.09", false}, {L"", false}, {L"abc", false}}) {
    u.VokaCoin = balance;
    EXPECT_EQ(u.refreshVodCoinsFlag(), expected) << std::string(balance.begin(), balance.end());
    EXPECT_EQ(u.refreshUploadCoinsFlag(), expected);
  }
}

TEST(DeviceChoice, RecordKeepsItsLayoutAndTerminatesLongNames) {
  const std::wstring longName(200, L'声');
  const DeviceChoice c = DeviceChoice::make(2, longName, 5, L"Mic");
  EXPECT_EQ(sizeof(c), 528u);
  EXPECT_EQ(c.entries[0].kind, 0);
  EXPECT_EQ(c.entries[1].kind, 1);
  EXPECT_EQ(c.entries[0].id, 2);
  EXPECT_EQ(c.entries[1].id, 5);
  EXPECT_EQ(c.entries[0].name[127], u'\0');
  EXPECT_EQ(DeviceChoice::nameOf(c.entries[0]), longName.substr(0, 127));
  EXPECT_EQ(DeviceChoice::nameOf(c.entries[1]), L"Mic");
  // Byte offsets as the launcher reads them.
  const auto* bytes = reinterpret_cast<const uint8_t*>(&c);
  int32_t inputId;
  std::memcpy(&inputId, bytes + 264 + 4, 4);
  EXPECT_EQ(inputId, 5);
}

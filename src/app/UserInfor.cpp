#include "app/UserInfor.h"

#include <cmath>
#include <cwchar>
#include <sstream>

#include "oscompat/Utf.h"

void UserInfor::assignFrom(const UserInfor& other) {
  const UserRights kept = rights();
  const std::wstring keptId = UserID;
  *this = other;
  setRights(kept);
  if (other.UserID.empty()) UserID = keptId;
}

void UserInfor::setRights(const UserRights& r) {
  IsVod = r.IsVod;
  IsUpload = r.IsUpload;
  IsVodCoins = r.IsVodCoins;
  IsUploadCoins = r.IsUploadCoins;
}

UserRights UserInfor::rights() const { return {IsVod, IsUpload, IsVodCoins, IsUploadCoins}; }

void UserInfor::chargeSing() {
  --leaveCanSingRecNum;
  ++ktvNum;
}

void UserInfor::chargeUpload() {
  --leaveCanUploadNum;
  ++ktvNum;
}

bool UserInfor::refreshVodFlag() {
  IsVod = leaveCanSingRecNum > 0 ? 1 : 0;
  return IsVod != 0;
}

bool UserInfor::refreshUploadFlag() {
  IsUpload = leaveCanUploadNum > 0 ? 1 : 0;
  return IsUpload != 0;
}

float UserInfor::coinBalance() const {
  const float value = std::wcstof(VokaCoin.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0f;
}

// The coin flags say whether the balance covers one charge of 0.1 coins: a balance of
// 0.1 or more (with a tolerance of 0.0001 for the single-precision value) enables paying by
// coins. Comparing for equality with 0.1 would refuse every richer account.
namespace {
constexpr float kCoinCharge = 0.1f;
constexpr float kCoinTolerance = 0.0001f;
}  // namespace

bool UserInfor::refreshVodCoinsFlag() {
  IsVodCoins = coinBalance() >= kCoinCharge - kCoinTolerance ? 1 : 0;
  return IsVodCoins != 0;
}

bool UserInfor::refreshUploadCoinsFlag() {
  IsUploadCoins = coinBalance() >= kCoinCharge - kCoinTolerance ? 1 : 0;
  return IsUploadCoins != 0;
}

std::string UserInfor::toText() const {
  std::ostringstream out;
  auto text = [&](const char* name, const std::wstring& v) {
    out << name << '=' << oscompat::utf8FromWide(v) << '\n';
  };
  auto number = [&](const char* name, int v) { out << name << '=' << v << '\n'; };
  number("ruzaZuv", ruzaZuv);
  text("VokaCoin", VokaCoin);
  text("level", level);
  text("exper", exper);
  number("iPercent", iPercent);
  number("totalCanSingRecNum", totalCanSingRecNum);
  number("totalCanUploadNum", totalCanUploadNum);
  number("leaveCanSingRecNum", leaveCanSingRecNum);
  number("leaveCanUploadNum", leaveCanUploadNum);
  number("judedSongNum", judedSongNum);
  text("overDate", overDate);
  number("ktvNum", ktvNum);
  number("uploadNum", uploadNum);
  text("UserID", UserID);
  text("SecretKey", SecretKey);
  text("Mail", Mail);
  text("Telphone", Telphone);
  number("IsVod", IsVod);
  number("IsUpload", IsUpload);
  number("IsVodCoins", IsVodCoins);
  number("IsUploadCoins", IsUploadCoins);
  return out.str();
}

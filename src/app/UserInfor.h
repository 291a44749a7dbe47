#pragma once
// The user's context handed over by the launcher and refreshed by the server.
#include <string>

// The four rights flags, in this order.
struct UserRights {
  int IsVod = 0;          // may sing paid songs
  int IsUpload = 0;       // may upload works
  int IsVodCoins = 0;     // paid singing by coins is possible
  int IsUploadCoins = 0;  // paid upload by coins is possible
};

class UserInfor {
 public:
  int ruzaZuv = 0;
  std::wstring VokaCoin;  // coin balance as decimal text
  std::wstring level;
  std::wstring exper;
  int iPercent = 0;
  int totalCanSingRecNum = 0;
  int totalCanSingRecNumCopy = 0;
  int totalCanUploadNum = 0;
  int leaveCanSingRecNum = 0;      // remaining paid sings
  int leaveCanSingRecNumCopy = 0;  // second copy, tested before a paid upload
  int leaveCanUploadNum = 0;       // remaining paid uploads
  int judedSongNum = 0;
  std::wstring overDate;
  int ktvNum = 0;  // grows with every charged sing or upload
  int uploadNum = 0;
  std::wstring UserID;
  std::wstring SecretKey;
  std::wstring Mail;
  std::wstring Telphone;
  int IsVod = 0;
  int IsUpload = 0;
  int IsVodCoins = 0;
  int IsUploadCoins = 0;

  // Copies every field but the four rights flags; UserID only when other's is not empty.
  void assignFrom(const UserInfor& other);
  void setRights(const UserRights& rights);
  UserRights rights() const;

  void chargeSing();
  void chargeUpload();
  bool refreshVodFlag();
  bool refreshUploadFlag();
  bool refreshVodCoinsFlag();
  bool refreshUploadCoinsFlag();

  // The coin balance as a single-precision value (0 when it is not a number).
  float coinBalance() const;

  // The record as "Name=Value" lines (UTF-8), as the launcher receives it.
  std::string toText() const;
};

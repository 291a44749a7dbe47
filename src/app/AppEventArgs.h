#pragma once
// Argument objects of the application-level events.
#include <CEGUI/EventArgs.h>

#include "app/UserInfor.h"

// "NetError" and the song-book replies: a request's status and its message id.
class ErrorEventArgs : public CEGUI::EventArgs {
 public:
  ErrorEventArgs(int errorCode = 0, int commandNumber = 0)
      : errorCode(errorCode), commandNumber(commandNumber) {}
  int errorCode;
  int commandNumber;
};

// "GetUserSpecialInfo": fresh user data from the server.
class UserSpecailInfoEventArgs : public CEGUI::EventArgs {
 public:
  UserInfor user;
};

// "GetUserPermit": fresh rights flags.
class UserRightsInfoEventArgs : public CEGUI::EventArgs {
 public:
  UserRights rights;
};

// "RecBackUserTone": the user's tone values.
class UserToneFunRecvEventArgs : public CEGUI::EventArgs {
 public:
  int firstToneValue = 0;
  int toneLevel = 0;  // already mapped to |6 - v| mod 6
};

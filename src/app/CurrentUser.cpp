#include "app/CurrentUser.h"

namespace {
UserInfor* theUser = nullptr;
}

UserInfor* currentUserInfor() { return theUser; }
void setCurrentUserInfor(UserInfor* user) { theUser = user; }

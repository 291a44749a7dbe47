#pragma once
// The logged-in user's context for the windows that need it and are built far from the
// application object (the works page asks for a phone number). Set by the application object
// for its lifetime; null without one. GUI thread.
class UserInfor;

UserInfor* currentUserInfor();
void setCurrentUserInfor(UserInfor* user);

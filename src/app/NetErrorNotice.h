#pragma once
// The notice shown for a failed server request.
#include <string>

// The notice text for error code `errorCode` of command `commandNumber`.
std::wstring netErrorText(int errorCode, int commandNumber);
// Shows it as the "NetError" tip for 2000 ms (a newer notice replaces it). GUI thread.
void showNetErrorNotice(int errorCode, int commandNumber);

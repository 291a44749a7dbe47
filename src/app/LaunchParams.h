#pragma once
// The launcher's parameter document: a root element holding one "Param" element per key, each
// with "Name" and "Value" attributes in the system code page.
#include <array>
#include <map>
#include <string>

#include "app/UrlTable.h"
#include "app/UserInfor.h"

// Parameter name to value; a later duplicate of a name overwrites the earlier one.
using LaunchParams = std::map<std::wstring, std::wstring>;

// The 53 keys a document must hold, in checking order ("Telphone" is optional).
extern const std::array<const wchar_t*, 53> kRequiredLaunchParams;

// Parses the document into `out`. False when it is not a document with a root element or
// lacks a required key; `firstMissing` (optional) then names the first missing key (empty
// for a malformed document).
bool parseLaunchParams(LaunchParams& out, const std::string& commandLine,
                       std::wstring* firstMissing = nullptr);

// Everything the launcher hands over, as the application keeps it.
struct LaunchContext {
  UserInfor user;
  UrlTable urls;
  std::wstring sessionId;
  AppOptions options;
  LaunchDevices devices;
};

// Distributes a parsed document into the application's records, in the launcher's order:
// devices, rights, a fresh user record (taken over with assignFrom, then the rights), the
// web addresses, the session id, the options. Integers that are not numbers read as 0.
void distributeLaunchParams(const LaunchParams& params, LaunchContext& context);

// Integer conversion as the GUI library does it: "12abc" is 12, "abc" is 0.
int launchParamInt(const LaunchParams& params, const wchar_t* name);
std::wstring launchParamText(const LaunchParams& params, const wchar_t* name);

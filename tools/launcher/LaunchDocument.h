#pragma once
// The parameter document the development launcher hands to the module.
#include <map>
#include <string>
#include <vector>

// The demo values of every parameter the module reads, in the module's checking order, with
// "Telphone" last.
std::vector<std::pair<std::string, std::string>> defaultLaunchParams();

// The address the demo web pages of defaultLaunchParams are under (the default service).
inline constexpr const char* kDefaultWebBase = "http://127.0.0.1:8730";

// Moves every parameter under kDefaultWebBase to the same page under `base` (a service
// address without a trailing slash), so the module's pages (the recharge page among them)
// open on the service the launcher uses.
void rebaseWebAddresses(std::vector<std::pair<std::string, std::string>>& params, const std::string& base);

// The document: a "Launch" root with one "Param" element per entry (attribute values escaped).
std::string buildLaunchDocument(const std::vector<std::pair<std::string, std::string>>& params);

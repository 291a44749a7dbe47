#pragma once
// The parameter document the development launcher hands to the module.
#include <map>
#include <string>
#include <vector>

// The demo values of every parameter the module reads, in the module's checking order, with
// "Telphone" last.
std::vector<std::pair<std::string, std::string>> defaultLaunchParams();

// The document: a "Launch" root with one "Param" element per entry (attribute values escaped).
std::string buildLaunchDocument(const std::vector<std::pair<std::string, std::string>>& params);

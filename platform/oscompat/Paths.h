#pragma once
// The installation folder and the per-user runtime folder.
#include <string>

namespace oscompat {

// The installation folder (no trailing separator), UTF-8: the folder of the running
// executable, unless VOKARAN_MODULE_DIR names another (development and tests run a built
// program against a scratch installation) or an override was set in-process (tests).
std::string moduleDirectory();
void setModuleDirectoryOverride(const std::string& dir);  // empty clears it

// The folder of the running executable itself, whatever the overrides.
std::string executableDirectory();

// Folder for sockets and lock files: $XDG_RUNTIME_DIR, else /tmp.
std::string runtimeDirectory();

}  // namespace oscompat

#pragma once
// The installation folder and the per-user runtime folder.
#include <string>

namespace oscompat {

// Folder of the running executable (no trailing separator), UTF-8. Tests and tools that run
// outside the installation set an override first.
std::string moduleDirectory();
void setModuleDirectoryOverride(const std::string& dir);  // empty clears it

// Folder for sockets and lock files: $XDG_RUNTIME_DIR, else /tmp.
std::string runtimeDirectory();

}  // namespace oscompat

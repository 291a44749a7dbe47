#include "app/ModulePaths.h"

#include "oscompat/Paths.h"
#include "oscompat/Utf.h"

std::string moduleDirectoryUtf8() { return oscompat::moduleDirectory(); }
std::string tempDirectoryUtf8() { return moduleDirectoryUtf8() + "/Temp"; }
std::wstring moduleDirectory() { return oscompat::wideFromUtf8(moduleDirectoryUtf8()); }
std::wstring tempDirectory() { return moduleDirectory() + L"/Temp"; }

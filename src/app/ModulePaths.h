#pragma once
// Every data path of the module is built from these two folders.
#include <string>

// The folder of the running executable, without a trailing separator.
std::wstring moduleDirectory();
// moduleDirectory() + "/Temp".
std::wstring tempDirectory();
// The same folders as UTF-8, for file APIs.
std::string moduleDirectoryUtf8();
std::string tempDirectoryUtf8();

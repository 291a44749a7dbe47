#pragma once
// Loading optional shared objects at run time (dlopen).
#include <string>

namespace oscompat {

// Null when the library cannot be loaded (missing file, wrong format); the reason is logged.
void* loadLibrary(const std::string& path);
void* findSymbol(void* library, const char* name);
void freeLibrary(void* library);

}  // namespace oscompat

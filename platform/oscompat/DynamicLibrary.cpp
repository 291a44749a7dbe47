#include "oscompat/DynamicLibrary.h"

#include <dlfcn.h>

#include "oscompat/Log.h"

namespace oscompat {

void* loadLibrary(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = dlerror();
    log(LogLevel::Info, "dlopen(" + path + ") failed: " + (why ? why : "unknown reason"));
  }
  return library;
}

void* findSymbol(void* library, const char* name) {
  return library ? dlsym(library, name) : nullptr;
}

void freeLibrary(void* library) {
  if (library) dlclose(library);
}

}  // namespace oscompat

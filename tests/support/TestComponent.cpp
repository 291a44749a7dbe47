// A component for the component manager's tests: its registration entry points append a line
// to the file named by VK_TEST_COMPONENT_LOG. Built three times: succeeding, failing and
// without entry points.
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {
int32_t record(const char* what, int32_t result) {
  if (const char* log = std::getenv("VK_TEST_COMPONENT_LOG")) std::ofstream(log, std::ios::app) << what << '\n';
  return result;
}
}  // namespace

#if defined(VK_COMPONENT_OK)
extern "C" int32_t DllRegisterServer() { return record("register ok", 0); }
extern "C" int32_t DllUnregisterServer() { return record("unregister ok", 1); }
#elif defined(VK_COMPONENT_FAILING)
extern "C" int32_t DllRegisterServer() { return record("register failing", INT32_MIN + 0x4005); }
extern "C" int32_t DllUnregisterServer() { return record("unregister failing", -1); }
#else
extern "C" int32_t somethingElse() { return record("never called", 0); }
#endif

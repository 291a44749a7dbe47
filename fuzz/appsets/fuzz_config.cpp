// Fuzz target: Config.xml, read before the GUI exists.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/ConfigSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::writeInput(data, size);
  CConfigSet set(vkfuzz::scratchFileWide());
  set.LoadSets();
  return 0;
}

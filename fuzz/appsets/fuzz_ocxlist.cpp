// Fuzz target: the component list ocx.xml (read only: nothing is loaded).
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/OCXManager.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::writeInput(data, size);
  OCXManager manager(vkfuzz::scratchFileWide());
  manager.loadList();
  return 0;
}

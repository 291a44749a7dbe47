// Fuzz target: HeadPicture.xml and ThemePicture.xml.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/PictureSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::writeInput(data, size);
  ShowHeadPicture heads(vkfuzz::scratchFileWide());
  heads.load();
  if (heads.count() != static_cast<int>(heads.entries().size())) vkfuzz::fail("entry count and table differ");
  return 0;
}

// Fuzz target: TunedInfo.xml.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/TunedCtrl.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<TunedCtrl>(vkfuzz::scratchFileWide()); },
      [](TunedCtrl& tuned) {
        std::string s;
        for (const ToneRecord& r : tuned.records())
          for (int v : {r.IsMale, r.HighPitch, r.HighKey, r.Leave, int(r.bUse)}) field(s, v);
        return s;
      });
  return 0;
}

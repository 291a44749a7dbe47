// Fuzz target: device.xml and UserSet.xml (one format).
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/NameValueSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<CUserSet>(vkfuzz::scratchFileWide()); },
      [](CUserSet& set) {
        std::string s;
        for (const auto& [name, value] : set.values()) {
          field(s, name);
          field(s, value);
        }
        return s;
      });
  return 0;
}

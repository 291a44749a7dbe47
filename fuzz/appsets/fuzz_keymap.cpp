// Fuzz target: KEYMAP.xml.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/KeyMap.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<CKeyMap>(vkfuzz::scratchFileWide()); },
      [](CKeyMap& keys) {
        std::string s;
        for (const auto& [name, e] : keys.entries()) {
          field(s, e.Name);
          field(s, e.Value);
          field(s, e.VKValue);
          field(s, e.Comment);
        }
        return s;
      });
  return 0;
}

// Fuzz target: AudioDeviceConfig.xml.
#include <memory>

#include "FuzzHarness.h"
#include <CEGUI/String.h>

#include "AppSet/AudioDevConfigSet.h"
#include "app/TextConvert.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size,
      [] { return std::make_unique<CAudioDevConfigSet>(guiStringUtf8(vkfuzz::scratchFile())); },
      [](CAudioDevConfigSet& set) {
        std::string s;
        for (const auto& [name, path] : set.configs()) {
          field(s, wideFromGui(name));
          field(s, wideFromGui(path));
        }
        field(s, wideFromGui(set.currentSelection()));
        field(s, wideFromGui(set.defaultName()));
        return s;
      });
  return 0;
}

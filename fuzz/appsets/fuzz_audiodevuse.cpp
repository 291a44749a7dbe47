// Fuzz target: AudioDevUse.xml.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/AudioDevUseSet.h"
#include "app/TextConvert.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<CAudioDevUseSet>(guiStringUtf8(vkfuzz::scratchFile())); },
      [](CAudioDevUseSet& set) {
        std::string s;
        for (const UsedAudioDevice* d : {&set.input(), &set.output()}) {
          field(s, d->name);
          field(s, static_cast<long long>(d->id));
        }
        return s;
      });
  return 0;
}

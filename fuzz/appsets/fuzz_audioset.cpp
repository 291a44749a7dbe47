// Fuzz target: Audio.xml and the per-microphone audio files.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/AudioSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<CAudioSet>(vkfuzz::scratchFileWide()); },
      [](CAudioSet& set) {
        std::string s;
        for (const auto& [name, item] : set.items()) {
          field(s, item->name());
          field(s, item->txt());
          for (int v : {item->min(), item->max(), item->step(), item->value(), item->defaultValue()}) field(s, v);
        }
        for (const EffectMode& m : set.modes()) {
          field(s, m.Name);
          field(s, m.Txt);
          for (int v : {m.EffectID, m.ECHO, m.Depth, int(m.bUser)}) field(s, v);
        }
        field(s, set.currentMode() ? set.currentMode()->Name : L"-");
        field(s, set.defaultMode() ? set.defaultMode()->Name : L"-");
        // Every item the program looks up exists, whatever the file held.
        for (const wchar_t* name : {L"VOL", L"KEY", L"TEMPO", L"MELODY", L"ECHO", L"Depth"})
          if (!set.getItem(name)) vkfuzz::fail("a built-in item is missing");
        return s;
      });
  return 0;
}

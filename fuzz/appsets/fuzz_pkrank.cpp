// Fuzz target: the rank record file.
#include <memory>

#include "FuzzHarness.h"
#include "AppSet/PKRankSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size,
      [] {
        auto set = std::make_unique<PKRankSet>();
        set->setPath(vkfuzz::scratchFileWide());
        return set;
      },
      [](PKRankSet& set) {
        std::string s;
        for (const auto& id : set.songIds()) {
          field(s, id);
          if (const auto* ranks = set.ranks(id))
            for (const SongRank& r : *ranks)
              for (const auto* t : {&r.FinalScore, &r.YinGanScore, &r.FeelScore, &r.JieZouScore, &r.Rate}) field(s, *t);
        }
        return s;
      });
  return 0;
}

// Fuzz target: the song-set format (SangSet.xml).
#include <memory>
#include <vector>

#include "FuzzHarness.h"
#include "AppSet/SongSet.h"

using vkfuzz::field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vkfuzz::initialise();
  vkfuzz::roundTrip(
      data, size, [] { return std::make_unique<CSongSet>(vkfuzz::scratchFileWide()); },
      [](CSongSet& set) {
        std::string s;
        for (const auto& song : set.songs()) {
          field(s, static_cast<long long>(song.size()));
          for (const auto& [name, value] : song) {
            field(s, name);
            field(s, value);
          }
        }
        std::vector<SongSetEntry> records;
        set.songsToRecords(records);
        for (const auto& r : records) {
          field(s, r.record.SongKey);
          field(s, r.misType);
        }
        return s;
      });
  return 0;
}

#pragma once
// The guide melody of the song being sung: per part, the notes in time order with their pitch
// as a percentage of a range shared by both parts. One per performance, loaded when the melody
// window starts; the melody window and the grade display read it. GUI thread for loading;
// reading is safe from any thread once loaded, as long as nobody loads it again meanwhile.
// Like the lyrics, the notes are copied out of the engine at load time.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/EngineRecords.h"

struct MelodyNote {
  int32_t begin = 0;  // engine time
  int32_t end = 0;
  int pitch = 0;      // percent of the range: 0 at its low end, 100 at its high end
  // Word index, line index, velocity, flags, as the engine gives them.
  std::array<int32_t, 4> extra{};
};

class CMelodyNoteData {
 public:
  static constexpr int kPartCount = 2;
  static constexpr int kDefaultLow = 0;
  static constexpr int kDefaultHigh = 100;
  // Semitones of room left below the lowest and above the highest note.
  static constexpr int kRangeMargin = 4;

  // Replaces the notes with those of `records` (copied).
  void load(const EngineMelodyRecords& records);
  // The same for the song opened in the engine. GUI thread, after the song was opened.
  void loadFromEngine();
  void clear();

  // Part 0 or 1; an empty list and the default range for any other index.
  const std::vector<MelodyNote>& notes(int part) const;
  int low(int part) const;
  int high(int part) const;
  // The notes of `part` that overlap (from, to), in time order. Notes follow one another, so
  // the scan ends with the first note that reaches past `to`.
  std::vector<MelodyNote> notesBetween(int part, int32_t from, int32_t to) const;

 private:
  struct Part {
    int low = kDefaultLow;
    int high = kDefaultHigh;
    std::vector<MelodyNote> notes;
  };
  const Part* part(int index) const;

  std::array<Part, kPartCount> parts_;
};

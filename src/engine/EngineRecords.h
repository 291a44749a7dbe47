#pragma once
// The engine's lyric and melody records of the opened song, gathered from its getters. Only
// pointers and counts: the arrays belong to the engine and are valid only until the next song
// is opened (or the engine is closed), so whoever reads them copies what it needs at once.
// The models take these records rather than calling the engine themselves, so they can be
// built from records made anywhere (tests, tools).
#include <array>

#include "vokaran/Vokaran.h"

struct EngineLyricPart {
  int voiceType = 0;  // 1 male, 2 female, 3 chorus, anything else: none given
  const VokaLyricLine* lines = nullptr;
  int lineCount = 0;
  const VokaLyricWord* words = nullptr;
  int wordCount = 0;
  // One per word record, in the same order; may be null (no phonetic texts).
  const VokaPhonetic* phonetics = nullptr;
  const VokaCountIn* countIns = nullptr;
  int countInCount = 0;
};

struct EngineLyricRecords {
  std::array<EngineLyricPart, 2> parts;  // part 1 at index 0, part 2 at index 1
};

struct EngineMelodyPart {
  const VokaMelodyNote* notes = nullptr;
  int noteCount = 0;
  int lowestNote = -1;   // negative: the part has no notes
  int highestNote = -1;
};

struct EngineMelodyRecords {
  std::array<EngineMelodyPart, 2> parts;
};

// Calls the getters for the song opened in the engine. A getter that fails (negative result)
// leaves its part's array empty. GUI thread, right after the song was opened.
EngineLyricRecords readEngineLyricRecords();
EngineMelodyRecords readEngineMelodyRecords();

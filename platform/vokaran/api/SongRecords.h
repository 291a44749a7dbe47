#pragma once
// The engine's fixed-layout lyric and melody records, built from a parsed song.
#include "Vokaran.h"
#include "song/SongFile.h"

#include <array>
#include <vector>

namespace vokaran {

struct PartRecords {
    bool present = false;
    int voiceType = 0;
    std::vector<VokaLyricLine> lines;
    std::vector<VokaLyricWord> words;
    std::vector<VokaPhonetic> phonetics;
    std::vector<VokaCountIn> countIns;
    std::vector<VokaMelodyNote> notes;
    int lowNote = -1;
    int highNote = -1;
};

struct SongRecords {
    std::array<PartRecords, 2> parts;
};

SongRecords buildSongRecords(const SongData& song);

} // namespace vokaran

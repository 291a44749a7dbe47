#pragma once
// The hand-written song source (".vksong", docs/song-source.md) and its compiler into the
// engine's song data: lyric lines, words with pinyin, count-ins, melody notes and a MIDI
// arrangement (guide melody, lead, chords, pad, bass and drums) generated from the chords.
#include "song/SongFile.h"

#include <optional>
#include <string>
#include <vector>

namespace vksong {

struct CompileResult {
    std::optional<vokaran::SongData> song;
    std::string error;  // "NAME:LINE: message"
};

// `name` is used in messages only. When `arrangement` is given (a Standard MIDI File), it
// replaces the generated accompaniment; it must carry the guide melody on channels 1 and 2.
CompileResult compileSongSource(const std::string& text, const std::string& name,
                                const std::vector<std::uint8_t>* arrangement = nullptr);

// A readable dump of a song file's content.
std::string dumpSong(const vokaran::SongData& song);

} // namespace vksong

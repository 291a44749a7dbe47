#pragma once
// What a contest performance is scored against: the words of a song with the guide notes
// under each, grouped into lines, in the order they are sung. Built once per opened song on
// the controlling thread, then only read (by the analysis thread and by tools).
// docs/scoring.md describes the model.
#include "song/SongFile.h"

#include <memory>
#include <vector>

namespace vokaran {

struct ScoreNote {
    double begin = 0, end = 0;  // score seconds (the song's own tempo)
    int note = 0;               // MIDI note number before any key change
};

struct ScoreWord {
    double begin = 0, end = 0;
    int part = 1;               // 1 or 2
    int line = 0;               // index into ScoreSong::lines
    int firstNote = 0;          // its notes: ScoreSong::notes[firstNote, firstNote + noteCount)
    int noteCount = 0;
};

struct ScoreLine {
    int part = 1;
    int lastWord = 0;           // the word whose score completes the line
    int wordCount = 0;
};

struct ScoreSong {
    std::vector<ScoreNote> notes;
    std::vector<ScoreWord> words;  // by begin time (then part): the order they are scored in
    std::vector<ScoreLine> lines;  // by the word that completes them
    std::vector<ScoreNote> guide;  // every note of the guide melody (both parts), by begin
    // Every other pitched note the song's MIDI plays (the accompaniment, the drums left out), by
    // begin: what else the speakers can leak into the microphone.
    std::vector<ScoreNote> accompaniment;
    int lowNote = -1, highNote = -1;  // range of the scored notes; -1 when there are none
    int voiceType = 1;             // of part 1: 1 male, 2 female, 3 chorus
};

// The scored words: those the lyrics model keeps (end after begin, inside a line of their
// part) that have guide notes (their own by word index, else the part's notes under them).
// Part 2 words count only where they do not overlap a part 1 word: one voice sings one
// part at a time, so the sections sung together are scored once, against part 1.
std::shared_ptr<const ScoreSong> buildScoreSong(const SongData& song);

// Key fitting (docs/scoring.md): the shift of -6..6 semitones that centres the song's scored
// melody on the comfortable middle of a singer of tone level 1 (low) .. 5 (high), male or
// female, singing in whichever octave suits the voice. 0 when the song has no scored notes.
int fitKey(const ScoreSong& song, int level, bool male);
// The middle of the comfortable range of a singer, as a MIDI note number.
int singerCentre(int level, bool male);

} // namespace vokaran

#pragma once
// Synthetic singing for the engine tests (voice/SyntheticVoice.h) and a small song whose guide
// melody it can follow.
#include "TestSupport.h"

#include "scoring/ScoreModel.h"
#include "song/SongFile.h"
#include "voice/SyntheticVoice.h"

#include <cmath>
#include <random>
#include <vector>

namespace vktest {

using vokaran::SungNote;
using vokaran::SyntheticVoice;
using vokaran::VoiceStyle;
using vokaran::singVoice;

// A two-part-free song of three lines: varied steps and leaps so that a transposed voice
// rarely lands on a guide note.
inline vokaran::SongData melodySong(std::vector<SungNote>* melody = nullptr) {
    const int notes[] = {60, 62, 64, 65, 67, 69, 67, 64, 62, 60, 64, 67, 72, 71, 69, 67, 65, 64, 62, 60};
    const double durs[] = {0.5, 0.4, 0.6, 0.4, 0.8, 0.4, 0.4, 0.5, 0.4, 0.9, 0.45, 0.45, 0.7, 0.35, 0.4, 0.5, 0.4, 0.45, 0.4, 1.0};
    const int lineOf[] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2};
    vokaran::SongData s;
    s.name = u"Melody";
    s.singer = u"Test";
    MidiBuilder m;
    double t = 1.0;
    vokaran::SongPart p;
    p.number = 1;
    p.voiceType = 1;
    double lineBegin[3] = {0, 0, 0}, lineEnd[3] = {0, 0, 0};
    for (int i = 0; i < 20; ++i) {
        const double b = t, e = t + durs[i];
        m.note(0, b, e, notes[i]);
        p.words.push_back({et(b), et(e), lineOf[i], -1, u"啦", u"la"});
        p.notes.push_back({et(b), et(e), notes[i], {i, lineOf[i], 96, 1}});
        if (melody) melody->push_back({b, e, double(notes[i])});
        if (lineBegin[lineOf[i]] == 0) lineBegin[lineOf[i]] = b;
        lineEnd[lineOf[i]] = e;
        t = e + (lineOf[i] != (i < 19 ? lineOf[i + 1] : -1) ? 0.6 : 0.0);
    }
    for (int l = 0; l < 3; ++l) p.lines.push_back({u"啦啦啦", false, 1 + l % 2, et(lineBegin[l]), et(lineEnd[l])});
    s.parts.push_back(p);
    s.songEnd = et(t + 0.5);
    s.midi = m.bytes();
    return s;
}

} // namespace vktest

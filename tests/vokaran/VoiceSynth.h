#pragma once
// Synthetic singing for the engine tests (voice/SyntheticVoice.h) and a small song whose guide
// melody it can follow.
#include "TestSupport.h"

#include "core/EngineCore.h"
#include "core/Pcm.h"
#include "core/SongPlayer.h"
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
// rarely lands on a guide note. With `accompanied`, a bass and a chord on other channels play
// under the guide melody (channel 1), as in a real song.
inline vokaran::SongData melodySong(std::vector<SungNote>* melody = nullptr, bool accompanied = false) {
    const int notes[] = {60, 62, 64, 65, 67, 69, 67, 64, 62, 60, 64, 67, 72, 71, 69, 67, 65, 64, 62, 60};
    const double durs[] = {0.5, 0.4, 0.6, 0.4, 0.8, 0.4, 0.4, 0.5, 0.4, 0.9, 0.45, 0.45, 0.7, 0.35, 0.4, 0.5, 0.4, 0.45, 0.4, 1.0};
    const int lineOf[] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2};
    vokaran::SongData s;
    s.name = u"Melody";
    s.singer = u"Test";
    MidiBuilder m;
    double t = 1.0;
    if (accompanied) m.program(2, 33).program(3, 48);  // a bass and strings
    vokaran::SongPart p;
    p.number = 1;
    p.voiceType = 1;
    double lineBegin[3] = {0, 0, 0}, lineEnd[3] = {0, 0, 0};
    for (int i = 0; i < 20; ++i) {
        const double b = t, e = t + durs[i];
        m.note(0, b, e, notes[i]);
        if (accompanied) {
            const int root = 48 + (notes[i] % 12 < 5 ? 0 : 5);  // C or F under the note
            m.note(2, b, e, root - 12, 90).note(3, b, e, root, 60).note(3, b, e, root + 4, 60).note(3, b, e, root + 7, 60);
        }
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

// The output of a song as the engine plays it from the start (the music recording, each
// channel in 16 bits), mono: what its speakers can leak into the microphone.
inline std::vector<float> renderOutput(const vokaran::SongData& song, int melodyVolume = 127) {
    std::string err;
    vokaran::EngineCore core(testSynth(), testEngineData());
    core.setMelodyVolume(melodyVolume);
    core.play(vokaran::prepareSong(song, 0, err));
    std::vector<float> out(2 * 512), in(512, 0.0f), mono;
    do {
        core.process(out.data(), in.data(), 512);
        for (int i = 0; i < 512; ++i)
            mono.push_back(0.5f * (vokaran::asRecorded(out[2 * i]) + vokaran::asRecorded(out[2 * i + 1])));
    } while (core.playState() != vokaran::PlayState::Stopped);
    return mono;
}

// The voice with the output added at `db` against its level, `delaySeconds` late, clipped.
inline std::vector<float> withLeak(std::vector<float> mic, const std::vector<float>& out, double db, double delaySeconds,
                                   int rate = 44100) {
    const float g = float(std::pow(10.0, db / 20.0));
    const auto d = std::size_t(delaySeconds * rate);
    if (mic.size() < out.size()) mic.resize(out.size(), 0.0f);
    for (std::size_t i = d; i < out.size() + d && i < mic.size(); ++i) mic[i] = std::clamp(mic[i] + g * out[i - d], -1.0f, 1.0f);
    return mic;
}

} // namespace vktest

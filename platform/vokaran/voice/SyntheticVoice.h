#pragma once
// A synthetic singer: a harmonic voice that follows (or misses) a melody, with vibrato, note
// envelopes and added noise. For the engine's tests, the benchmarks and the tool that makes a
// voice for a song (vokaran-voice).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace vokaran {

struct SungNote {
    double begin, end;  // seconds
    double midi;
};

struct VoiceStyle {
    double transpose = 0;      // semitones added to every note
    double late = 0;           // seconds the voice comes after the melody
    double vibratoCents = 30;  // depth of a 5.5 Hz vibrato (from 0.15 s into a note)
    double snrDb = 25;         // white noise added at this signal-to-noise ratio
    double level = 0.3;        // peak amplitude of the voice
    double gap = 0.04;         // seconds of breath before the next note
    unsigned seed = 1;
    // A more human voice (all off by default): an "ah" vowel's formants shaping the harmonics,
    // a slow random drift of the pitch (jitter, cents), and each note's start and end moved
    // at random by up to `scatter` seconds.
    bool vowel = false;
    double jitterCents = 0;
    double scatter = 0;
    // Phrasing (off by default): each phrase swells from this many dB below the voice's level
    // at its ends to the level in its middle, each note at one level; a singer who shapes a
    // line rather than singing every note alike. A phrase ends at a rest of `phraseRest`
    // seconds or more and where one of `phraseStarts` (seconds, e.g. the lyrics' lines) begins.
    double phraseDb = 0;
    double phraseRest = 0.25;
    std::vector<double> phraseStarts;
};

// The voice, and the exact pitch (MIDI, 0 = silent) at every sample.
struct SyntheticVoice {
    std::vector<float> samples;
    std::vector<float> truth;
};

inline SyntheticVoice singVoice(const std::vector<SungNote>& notes, double seconds, const VoiceStyle& v, int rate = 44100) {
    SyntheticVoice out;
    const std::size_t n = static_cast<std::size_t>(seconds * rate);
    out.samples.assign(n, 0.0f);
    out.truth.assign(n, 0.0f);
    double phase = 0;
    double signalPower = 0;
    std::size_t signalCount = 0;
    std::mt19937 human(v.seed * 7919u + 13u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    double gains[17] = {};
    double drift = 0;  // cents, a random walk pulled back to 0
    // Gain of an "ah" vowel's first three formants at a frequency.
    auto formantGain = [](double hz) {
        const double f[3] = {730, 1090, 2440}, bw[3] = {90, 110, 170}, g[3] = {1.0, 0.5, 0.25};
        double sum = 0.05;
        for (int i = 0; i < 3; ++i) sum += g[i] / (1.0 + std::pow((hz - f[i]) / bw[i], 2));
        return sum;
    };
    // Each note's place in its phrase, 0 (its first note's begin) .. 1 (its last note's begin).
    std::vector<double> place(notes.size(), 0.5), starts = v.phraseStarts;
    std::sort(starts.begin(), starts.end());
    auto startsBetween = [&](double t0, double t1) {  // a phrase start in (t0, t1]
        const auto it = std::upper_bound(starts.begin(), starts.end(), t0);
        return it != starts.end() && *it <= t1;
    };
    for (std::size_t a = 0; a < notes.size();) {
        std::size_t b = a + 1;
        while (b < notes.size() && notes[b].begin - notes[b - 1].end < v.phraseRest &&
               !startsBetween(notes[b - 1].begin, notes[b].begin))
            ++b;
        const double span = notes[b - 1].begin - notes[a].begin;
        for (std::size_t k = a; k < b; ++k) place[k] = span > 0 ? (notes[k].begin - notes[a].begin) / span : 0.5;
        a = b;
    }
    for (std::size_t ni = 0; ni < notes.size(); ++ni) {
        const SungNote& note = notes[ni];
        const double shape = std::pow(10.0, -v.phraseDb * (1.0 - std::sin(M_PI * place[ni])) / 20.0);
        const double jb = v.scatter > 0 ? v.scatter * unit(human) : 0.0;
        const double je = v.scatter > 0 ? v.scatter * unit(human) : 0.0;
        const double b = note.begin + v.late + jb, e = std::max(b + 0.05, note.end + v.late - v.gap + je);
        const auto i0 = static_cast<std::size_t>(std::max(0.0, b * rate));
        const auto i1 = std::min(n, static_cast<std::size_t>(std::max(0.0, e * rate)));
        for (std::size_t i = i0; i < i1; ++i) {
            const double t = double(i) / rate - b;
            const double vib = t > 0.15 ? v.vibratoCents / 100.0 * std::sin(2 * M_PI * 5.5 * (t - 0.15)) : 0.0;
            if (v.jitterCents > 0 && i % 64 == 0) drift = 0.995 * drift + 0.1 * v.jitterCents * unit(human);
            const double midi = note.midi + v.transpose + vib + drift / 100.0;
            const double f0 = 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
            phase += 2 * M_PI * f0 / rate;
            // Attack 20 ms, a slow decay of about 4 dB, release 30 ms.
            const double attack = std::min(1.0, t / 0.02), release = std::min(1.0, (e - b - t) / 0.03);
            const double env = attack * release * std::pow(10.0, -4.0 / 20.0 * t / std::max(0.1, e - b));
            double s = 0;
            if (v.vowel) {
                if ((i - i0) % 64 == 0) {
                    double sum = 0;
                    for (int h = 1; h <= 16; ++h) sum += gains[h] = formantGain(h * f0) / std::sqrt(double(h));
                    for (int h = 1; h <= 16; ++h) gains[h] *= 1.6 / sum;  // about the plain voice's peak
                }
                for (int h = 1; h <= 16 && h * f0 < rate / 2.0; ++h) s += gains[h] * std::sin(h * phase);
            } else
                for (int h = 1; h <= 8 && h * f0 < rate / 2.0; ++h) s += std::sin(h * phase) / h;
            out.samples[i] = static_cast<float>(v.level * shape * env * s / 1.6);
            out.truth[i] = static_cast<float>(midi);
            signalPower += double(out.samples[i]) * out.samples[i];
            ++signalCount;
        }
    }
    if (std::isfinite(v.snrDb)) {
        // Noise power against the voice where it sings (a silent voice gets noise at the level's scale).
        const double p = signalCount ? signalPower / signalCount : v.level * v.level / 4;
        const double sigma = std::sqrt(p / std::pow(10.0, v.snrDb / 10.0));
        std::mt19937 rng(v.seed);
        std::normal_distribution<double> noise(0.0, sigma);
        for (auto& x : out.samples) x = static_cast<float>(x + noise(rng));
    }
    return out;
}

}  // namespace vokaran

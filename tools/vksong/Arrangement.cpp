#include "Arrangement.h"

#include "midi/Smf.h"

#include <cmath>
#include <map>

namespace vksong {
namespace {

constexpr int kPpq = 480;

// GM percussion keys.
constexpr int kKick = 36, kSideStick = 37, kSnare = 38, kClosedHat = 42, kPedalHat = 44, kOpenHat = 46,
              kCrash = 49, kRide = 51;

class Builder {
public:
    explicit Builder(const Arrangement& a) : a_(a) {}

    void note(int channel, double beat, double beats, int pitch, int velocity) {
        if (pitch < 0 || pitch > 127 || beats <= 0) return;
        const auto on = tick(beat);
        auto off = tick(beat + beats);
        if (off <= on) off = on + 1;
        events_.push_back({on, std::uint8_t(0x90 | channel), std::uint8_t(pitch), std::uint8_t(velocity), {}, 2});
        events_.push_back({off, std::uint8_t(0x80 | channel), std::uint8_t(pitch), 0, {}, 1});
    }
    void cc(int channel, double beat, int controller, int value) {
        events_.push_back({tick(beat), std::uint8_t(0xB0 | channel), std::uint8_t(controller), std::uint8_t(value), {}, 0});
    }
    void program(int channel, int program) {
        events_.push_back({0, std::uint8_t(0xC0 | channel), std::uint8_t(program), 0, {}, 0});
    }
    void tempo(double bpm) {
        const auto us = static_cast<std::uint32_t>(std::lround(60e6 / bpm));
        events_.push_back({0, 0xFF, 0x51, 0, {std::uint8_t(us >> 16), std::uint8_t(us >> 8), std::uint8_t(us)}, -1});
    }
    void marker(double beat, const std::string& text) {
        events_.push_back({tick(beat), 0xFF, 0x06, 0, std::vector<std::uint8_t>(text.begin(), text.end()), -1});
    }
    void end(double beat) { endTick_ = tick(beat); }

    std::vector<std::uint8_t> finish() {
        // A final no-op controller keeps the file as long as the song.
        events_.push_back({endTick_, 0xB0 | kChannelPad, 1, 0, {}, 3});
        return vokaran::writeSmf(std::move(events_), kPpq);
    }

private:
    std::uint32_t tick(double beat) const { return static_cast<std::uint32_t>(std::lround(beat * kPpq)); }
    const Arrangement& a_;
    std::vector<vokaran::SmfWriteEvent> events_;
    std::uint32_t endTick_ = 0;
};

// Chord tones placed around a centre pitch: the voicing the piano and pad play.
std::vector<int> voicing(const Chord& c, int low) {
    std::vector<int> out;
    int root = low + ((c.root - low) % 12 + 12) % 12;
    for (int iv : c.intervals) out.push_back(root + iv);
    return out;
}

int bassPitch(const Chord& c, int pitchClass) {
    const int pc = pitchClass >= 0 ? pitchClass : c.root;
    return 36 + ((pc - 36) % 12 + 12) % 12;  // C2..B2
}

int fifthAbove(const Chord& c) {
    for (int iv : c.intervals)
        if (iv == 7 || iv == 6 || iv == 8) return bassPitch(c, -1) + iv;
    return bassPitch(c, -1) + 7;
}

const Chord& chordAt(const Section& s, double beat) {
    double t = 0;
    for (const auto& [chord, beats] : s.chords) {
        if (beat < t + beats - 1e-9) return chord;
        t += beats;
    }
    return s.chords.back().first;
}

void playSection(Builder& b, const Arrangement& a, const Section& s, bool last) {
    const double base = s.startBeat;
    const double length = s.lengthBeats();
    const int meter = a.meter;
    b.marker(base, s.name);
    b.note(kChannelDrums, base, 1, kCrash, 90);

    // Melodies and lead: slightly detached so repeated pitches are heard as new notes.
    for (int p = 0; p < 2; ++p)
        for (const auto& n : s.melody[p])
            b.note(p == 0 ? kChannelMelody1 : kChannelMelody2, base + n.start, n.beats * 0.92, n.pitch, 100);
    for (const auto& n : s.lead) b.note(kChannelLead, base + n.start, n.beats * 0.92, n.pitch, 92);

    // Pad: each chord held for its length.
    double t = 0;
    for (const auto& [chord, beats] : s.chords) {
        for (int p : voicing(chord, 55)) b.note(kChannelPad, base + t, beats, p, 48);
        t += beats;
    }

    const int bars = static_cast<int>(std::ceil(length / meter - 1e-9));
    for (int bar = 0; bar < bars; ++bar) {
        const double b0 = bar * meter;
        const bool finalBar = last && bar == bars - 1;
        if (finalBar) {
            // The last bar: one held chord, a low root and a cymbal.
            const Chord& c = chordAt(s, b0);
            for (int p : voicing(c, 60)) b.note(kChannelChords, base + b0, meter, p, 80);
            b.note(kChannelBass, base + b0, meter, bassPitch(c, c.bass), 100);
            b.note(kChannelDrums, base + b0, 1, kCrash, 100);
            b.note(kChannelDrums, base + b0, 1, kKick, 100);
            continue;
        }
        for (int beat = 0; beat < meter && b0 + beat < length; ++beat) {
            const double at = base + b0 + beat;
            const Chord& c = chordAt(s, b0 + beat);
            const auto v = voicing(c, 60);
            const bool chordChanged = beat == 0 || &chordAt(s, b0 + beat - 1) != &c;
            switch (a.style) {
            case Style::Ballad: {
                // Bass on the strong beats, piano arpeggio in eighths, soft kit.
                if (beat == 0 || (beat == meter / 2 && meter % 2 == 0) || chordChanged)
                    b.note(kChannelBass, at, beat == 0 && meter >= 4 ? 1.9 : 0.95,
                           beat == 0 || chordChanged ? bassPitch(c, c.bass) : fifthAbove(c), 96);
                const int idx[] = {0, 2, 1, 2};
                const std::vector<int> arp = {v[0], v.size() > 1 ? v[1] : v[0], v.size() > 2 ? v[2] : v[0] + 12};
                b.note(kChannelChords, at, 0.5, arp[idx[(2 * beat) % 4] % arp.size()], 70);
                b.note(kChannelChords, at + 0.5, 0.5, arp[idx[(2 * beat + 1) % 4] % arp.size()] + (beat % 2 ? 12 : 0), 62);
                if (beat == 0 || (meter >= 4 && beat == 2)) b.note(kChannelDrums, at, 0.5, kKick, 84);
                if (beat % 2 == 1) b.note(kChannelDrums, at, 0.5, kSideStick, 70);
                b.note(kChannelDrums, at, 0.25, kClosedHat, 56);
                b.note(kChannelDrums, at + 0.5, 0.25, kClosedHat, 44);
                break;
            }
            case Style::Pop: {
                b.note(kChannelBass, at, 0.45, bassPitch(c, c.bass), 100);
                b.note(kChannelBass, at + 0.5, 0.45, beat % 2 ? fifthAbove(c) : bassPitch(c, c.bass), 84);
                for (int p : v) b.note(kChannelChords, at, 0.9, p, beat % 2 ? 62 : 72);
                if (beat % 2 == 0) b.note(kChannelDrums, at, 0.5, kKick, 96);
                if (beat == 2) b.note(kChannelDrums, at - 0.5, 0.5, kKick, 70);
                if (beat % 2 == 1) b.note(kChannelDrums, at, 0.5, kSnare, 88);
                b.note(kChannelDrums, at, 0.25, kClosedHat, 64);
                b.note(kChannelDrums, at + 0.5, 0.25, beat == meter - 1 ? kOpenHat : kClosedHat, 50);
                break;
            }
            case Style::Waltz: {
                if (beat == 0) {
                    b.note(kChannelBass, at, 0.95, bassPitch(c, c.bass), 100);
                    b.note(kChannelDrums, at, 0.5, kKick, 80);
                } else {
                    for (int p : v) b.note(kChannelChords, at, 0.6, p + 12 * (p < 62), 64);
                    b.note(kChannelDrums, at, 0.25, kPedalHat, 52);
                    if (chordChanged) b.note(kChannelBass, at, 0.95, bassPitch(c, c.bass), 90);
                }
                b.note(kChannelDrums, at, 0.25, kRide, 40);
                break;
            }
            case Style::March: {
                b.note(kChannelBass, at, 0.45, beat % 2 ? fifthAbove(c) : bassPitch(c, c.bass), 96);
                for (int p : v) b.note(kChannelChords, at + 0.5, 0.4, p, 66);
                b.note(kChannelDrums, at, 0.5, beat % 2 ? kSnare : kKick, beat % 2 ? 80 : 92);
                b.note(kChannelDrums, at + 0.5, 0.25, kSnare, 40);
                b.note(kChannelDrums, at, 0.25, kClosedHat, 50);
                break;
            }
            }
        }
    }
}

} // namespace

bool parseStyle(const std::string& name, Style& out) {
    static const std::map<std::string, Style> styles = {
        {"ballad", Style::Ballad}, {"pop", Style::Pop}, {"waltz", Style::Waltz}, {"march", Style::March}};
    auto it = styles.find(name);
    if (it == styles.end()) return false;
    out = it->second;
    return true;
}

std::optional<Chord> parseChord(const std::string& symbol) {
    static const std::map<char, int> letters = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    static const std::map<std::string, std::vector<int>> qualities = {
        {"", {0, 4, 7}},      {"m", {0, 3, 7}},     {"7", {0, 4, 7, 10}}, {"m7", {0, 3, 7, 10}},
        {"maj7", {0, 4, 7, 11}}, {"sus4", {0, 5, 7}}, {"sus2", {0, 2, 7}}, {"dim", {0, 3, 6}},
        {"aug", {0, 4, 8}},   {"6", {0, 4, 7, 9}},  {"m6", {0, 3, 7, 9}}, {"add9", {0, 4, 7, 14}}};
    auto pitchClass = [&](const std::string& s, std::size_t& i) -> int {
        if (i >= s.size()) return -1;
        auto it = letters.find(s[i]);
        if (it == letters.end()) return -1;
        int pc = it->second;
        ++i;
        if (i < s.size() && s[i] == '#') { ++pc; ++i; }
        else if (i < s.size() && s[i] == 'b') { --pc; ++i; }
        return (pc + 12) % 12;
    };
    std::size_t i = 0;
    Chord c;
    c.root = pitchClass(symbol, i);
    if (c.root < 0) return std::nullopt;
    std::string rest = symbol.substr(i);
    if (auto slash = rest.find('/'); slash != std::string::npos) {
        std::size_t j = 0;
        const std::string bass = rest.substr(slash + 1);
        c.bass = pitchClass(bass, j);
        if (c.bass < 0 || j != bass.size()) return std::nullopt;
        rest = rest.substr(0, slash);
    }
    auto q = qualities.find(rest);
    if (q == qualities.end()) return std::nullopt;
    c.intervals = q->second;
    return c;
}

bool Arrangement::setProgram(const std::string& role, int program) {
    if (role == "melody") programMelody = program;
    else if (role == "lead") programLead = program;
    else if (role == "chords") programChords = program;
    else if (role == "pad") programPad = program;
    else if (role == "bass") programBass = program;
    else return false;
    return true;
}

std::vector<std::uint8_t> renderArrangement(const Arrangement& a) {
    Builder b(a);
    b.tempo(a.tempo);
    b.program(kChannelMelody1, a.programMelody);
    b.program(kChannelMelody2, a.programMelody);
    b.program(kChannelChords, a.programChords);
    b.program(kChannelBass, a.programBass);
    b.program(kChannelPad, a.programPad);
    b.program(kChannelLead, a.programLead);
    const int volumes[][2] = {{kChannelMelody1, 110}, {kChannelMelody2, 110}, {kChannelChords, 88}, {kChannelBass, 104},
                              {kChannelPad, 70},      {kChannelLead, 100},    {kChannelDrums, 96}};
    for (const auto& [ch, vol] : volumes) {
        b.cc(ch, 0, 7, vol);
        b.cc(ch, 0, 91, ch == kChannelDrums ? 30 : 50);  // reverb send
    }
    b.cc(kChannelMelody2, 0, 10, 80);  // part 2 slightly right of part 1
    b.cc(kChannelMelody1, 0, 10, 48);
    b.cc(kChannelPad, 0, 10, 40);
    b.cc(kChannelChords, 0, 10, 76);
    for (std::size_t i = 0; i < a.sections.size(); ++i) playSection(b, a, a.sections[i], i + 1 == a.sections.size());
    b.end(a.totalBeats());
    return b.finish();
}

} // namespace vksong

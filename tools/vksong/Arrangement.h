#pragma once
// The accompaniment generated from a song source: sections of chords, the sung melodies and
// an optional instrumental lead, rendered by a style into a MIDI file with fixed channels.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vksong {

// MIDI channels (0-based) of the generated arrangement. The guide melody of part 1 and part
// 2 is on channels 1 and 2 (1-based), as the engine data file expects by default.
inline constexpr int kChannelMelody1 = 0;
inline constexpr int kChannelMelody2 = 1;
inline constexpr int kChannelChords = 2;
inline constexpr int kChannelBass = 3;
inline constexpr int kChannelPad = 4;
inline constexpr int kChannelLead = 5;
inline constexpr int kChannelDrums = 9;

enum class Style { Ballad, Pop, Waltz, March };
bool parseStyle(const std::string& name, Style& out);

struct Chord {
    int root = 0;                 // pitch class
    std::vector<int> intervals;   // from the root, ascending
    int bass = -1;                // pitch class of a slash bass, -1 = root
};
std::optional<Chord> parseChord(const std::string& symbol);

struct TimedNote {
    double start;  // beats from the section start
    double beats;
    int pitch;
};

struct Section {
    std::string name;
    double startBeat = 0;
    std::vector<std::pair<Chord, double>> chords;  // chord and its beats, in order
    std::vector<TimedNote> melody[2];
    std::vector<TimedNote> lead;
    double leadCursor = 0;
    double lengthBeats() const {
        double b = 0;
        for (const auto& c : chords) b += c.second;
        return b;
    }
};

struct Arrangement {
    Style style = Style::Ballad;
    double tempo = 90;
    int meter = 4;
    int programMelody = 73;  // flute
    int programLead = 71;    // clarinet
    int programChords = 0;   // piano
    int programPad = 48;     // strings
    int programBass = 33;    // finger bass
    std::vector<Section> sections;

    bool setProgram(const std::string& role, int program);
    double totalBeats() const {
        double b = 0;
        for (const auto& s : sections) b += s.lengthBeats();
        return b;
    }
};

// A format 0 Standard MIDI File of the whole arrangement.
std::vector<std::uint8_t> renderArrangement(const Arrangement& arrangement);

} // namespace vksong

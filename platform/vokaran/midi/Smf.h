#pragma once
// Standard MIDI File reading (formats 0 and 1, metrical time) into one time-ordered list of
// channel events with times in seconds, and writing (format 0) for the song compiler.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vokaran {

struct MidiEvent {
    double seconds = 0;      // score time at the file's own tempo map
    std::uint8_t status = 0; // channel voice message status (0x80..0xEF)
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    int channel() const { return status & 0x0F; }
    int kind() const { return status & 0xF0; }
};

struct MidiSequence {
    std::vector<MidiEvent> events;  // ordered by time, ties in file order
    double lastEventSeconds = 0;    // time of the last event of any kind (end-of-track included)
    double firstTempoBpm = 120.0;
};

struct MidiParseResult {
    bool ok = false;
    std::string error;
    MidiSequence sequence;
};

inline constexpr std::size_t kMaxMidiEvents = 2'000'000;

// Never throws on bad input; the error names what is wrong.
MidiParseResult parseSmf(std::span<const std::uint8_t> bytes);

// A tick-stamped event for writing; `meta` events carry a type and bytes.
struct SmfWriteEvent {
    std::uint32_t tick = 0;
    std::uint8_t status = 0;  // 0xFF for a meta event
    std::uint8_t data1 = 0;   // meta: type
    std::uint8_t data2 = 0;
    std::vector<std::uint8_t> metaData;
    int order = 0;            // tie-break at equal ticks (lower first)
};

// Writes a format 0 file with the given division; events are sorted by (tick, order).
std::vector<std::uint8_t> writeSmf(std::vector<SmfWriteEvent> events, std::uint16_t ticksPerQuarter);

} // namespace vokaran

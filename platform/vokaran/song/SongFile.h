#pragma once
// The song ("mic") file: a little-endian chunked container holding the MIDI accompaniment,
// the song's names and up to two sung parts with lines, words, count-ins and melody notes,
// closed by a CRC-32 over everything before it. docs/song-file.md is the format of record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vokaran {

// Engine time: 1/1024 ms, 1,024,000 per second.
inline constexpr std::uint32_t kEngineTicksPerSecond = 1024000;

// Capacities of the engine's fixed records, in UTF-16 code units without the terminator.
inline constexpr std::size_t kMaxLineTextUnits = 125;
inline constexpr std::size_t kMaxWordTextUnits = 31;
inline constexpr std::size_t kMaxPhoneticUnits = 31;

inline constexpr std::size_t kMaxSongFileBytes = 32u * 1024u * 1024u;
inline constexpr std::size_t kMaxLinesPerPart = 4096;
inline constexpr std::size_t kMaxWordsPerPart = 65536;
inline constexpr std::size_t kMaxCountInsPerPart = 4096;
inline constexpr std::size_t kMaxNotesPerPart = 65536;
inline constexpr std::uint16_t kSongFileVersion = 1;

struct SongLine {
    std::u16string text;
    bool chorus = false;
    std::int32_t row = 1;  // 1 first display row, 2 second
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

struct SongWord {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::int32_t line = 0;      // index of the line within the same part
    std::int32_t charPos = -1;  // position of the word in its line's text (UTF-16 units)
    std::u16string text;
    std::u16string phonetic;
};

struct SongCountIn {
    std::uint32_t end = 0;
    std::uint32_t beats = 0;
};

struct SongNote {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::int32_t note = 0;
    // Word index, line index, velocity, flags (bit 0: the note starts its word).
    std::array<std::int32_t, 4> extra{};
};

struct SongPart {
    std::int32_t number = 1;     // 1 or 2
    std::int32_t voiceType = 1;  // 1 male, 2 female, 3 chorus
    std::vector<SongLine> lines;
    std::vector<SongWord> words;
    std::vector<SongCountIn> countIns;
    std::vector<SongNote> notes;
};

struct SongData {
    std::u16string name;
    std::u16string singer;
    std::uint32_t songEnd = 0;           // engine time at which the song is over
    std::vector<std::uint8_t> midi;      // Standard MIDI File, guide melody on channels 1 and 2
    std::vector<SongPart> parts;         // at most two, ordered by number

    const SongPart* part(int number) const;
};

enum class SongFileError {
    None = 0,
    Truncated,
    TooLarge,
    BadMagic,
    BadVersion,
    BadChecksum,
    BadChunk,
    BadField,
};

struct SongParseResult {
    std::optional<SongData> song;
    SongFileError error = SongFileError::None;
    std::string message;  // names what is wrong, e.g. "PART 2: line 3 text longer than 125 units"
};

// Checks size, magic, version and the checksum only. Any thread.
SongParseResult checkSongFile(std::span<const std::uint8_t> bytes);
// Full parse and validation. Any thread; never throws on bad input.
SongParseResult parseSongFile(std::span<const std::uint8_t> bytes);
// Serialises; throws std::invalid_argument naming the field when the data cannot be stored.
std::vector<std::uint8_t> writeSongFile(const SongData& song);

} // namespace vokaran

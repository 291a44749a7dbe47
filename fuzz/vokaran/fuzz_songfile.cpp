// libFuzzer target for the song file parser and the MIDI reader behind it.
#include "midi/Smf.h"
#include "song/Crc32.h"
#include "song/SongFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void parseOne(std::span<const std::uint8_t> bytes) {
    auto song = vokaran::parseSongFile(bytes);
    if (song.song) {
        (void)vokaran::parseSmf(song.song->midi);
        // What parses must serialise again.
        if (vokaran::writeSongFile(*song.song).empty()) __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    parseOne(bytes);
    // The same bytes with the declared size and the checksum made right, so mutations reach
    // the chunk parser instead of stopping at the checksum.
    if (size >= 20) {
        std::vector<std::uint8_t> fixed(data, data + size);
        for (int i = 0; i < 4; ++i) fixed[12 + i] = (size >> (8 * i)) & 0xFF;
        const auto crc = vokaran::crc32(fixed.data(), size - 4);
        for (int i = 0; i < 4; ++i) fixed[size - 4 + i] = (crc >> (8 * i)) & 0xFF;
        parseOne(fixed);
    }
    (void)vokaran::parseSmf(bytes);
    return 0;
}

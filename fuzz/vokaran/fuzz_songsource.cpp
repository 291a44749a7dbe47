// libFuzzer target for the song source compiler (hand-written text, so any bytes can come).
#include "SongSource.h"

#include "song/SongFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto r = vksong::compileSongSource(text, "fuzz");
    if (r.song) {
        // What compiles must be storable and read back.
        auto bytes = vokaran::writeSongFile(*r.song);
        if (!vokaran::parseSongFile(bytes).song) __builtin_trap();
    } else if (r.error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}

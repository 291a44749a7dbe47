#pragma once
// 16-bit PCM conversion shared by the recorder and the voice analysis. Full scale is 32768 in
// both directions, so a 16-bit capture survives float and back unchanged, and the analysis of
// a live voice sees exactly the samples that the recording keeps.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vokaran {

inline std::int16_t toPcm16(float x) {
    const float y = std::nearbyint(x * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(y, -32768.0f, 32767.0f));
}

inline float fromPcm16(std::int16_t s) { return s / 32768.0f; }

// What a sample becomes once recorded: the analysis works on this, live and from a file alike.
inline float asRecorded(float x) { return fromPcm16(toPcm16(x)); }

} // namespace vokaran

#pragma once
// The engine's data file (PKData/RadeZuz76e.sdc): a small text file of "key = value"
// settings behind a signature line. docs/engine-data-file.md is the format of record.
#include <string>

namespace vokaran {

struct EngineData {
    std::string soundFont;          // absolute, or resolved against the data file's folder
    int sampleRate = 44100;
    int bufferFrames = 512;
    double synthGain = 0.6;
    int polyphony = 256;
    bool reverb = true;
    bool chorus = false;
    int melodyChannel1 = 1;         // MIDI channel numbers (1..16) of the guide melody
    int melodyChannel2 = 2;
    // Contest scoring tolerances, read here for the scoring stage of the engine.
    int pitchToleranceCents = 50;
    int rhythmToleranceMs = 150;
    int scoreFrameHop = 512;
};

struct EngineDataResult {
    bool ok = false;
    std::string error;  // names the line and the key
    EngineData data;
};

// Reads and validates the file; the SoundFont must exist and be readable. GUI thread.
EngineDataResult loadEngineData(const std::string& path);
EngineDataResult parseEngineData(const std::string& text, const std::string& baseDir);

} // namespace vokaran

#pragma once
// The MIDI synthesiser behind an interface free of FluidSynth headers. After creation,
// every call is made from the engine thread only (the synth's own API lock is switched off).
#include "core/EngineData.h"

#include <memory>
#include <string>

namespace vokaran {

class Synth {
public:
    virtual ~Synth() = default;
    virtual void noteOn(int channel, int key, int velocity) = 0;
    virtual void noteOff(int channel, int key) = 0;
    virtual void controlChange(int channel, int controller, int value) = 0;
    virtual void programChange(int channel, int program) = 0;
    virtual void pitchBend(int channel, int value14) = 0;
    virtual void channelPressure(int channel, int value) = 0;
    virtual void keyPressure(int channel, int key, int value) = 0;
    // Ends every note with its release (no click) on all channels.
    virtual void allNotesOff() = 0;
    // Resets controllers and programs to their defaults; for a new song.
    virtual void reset() = 0;
    // Adds nothing: writes `frames` interleaved stereo frames into out.
    virtual void render(float* interleavedStereo, int frames) = 0;
};

// FluidSynth with the data file's SoundFont; heavy (loads the SoundFont): call it on the
// GUI or start-up thread, never on the engine thread. Null with `error` set on failure.
std::unique_ptr<Synth> createFluidSynth(const EngineData& data, std::string& error);

} // namespace vokaran

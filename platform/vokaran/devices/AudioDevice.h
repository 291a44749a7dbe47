#pragma once
// The engine's audio device layer: a real SDL2 device, a file-backed device for tests and CI
// (microphone from a WAV or raw file, output discarded or written to a file, paced in real
// time or as fast as possible) and a null device that keeps time when there is no sound card.
// Chosen with the environment variable VOKARAN_AUDIO (see docs/engine.md).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vokaran {

// What a device drives. process() is called on the device's thread (the engine thread).
class AudioClient {
public:
    virtual ~AudioClient() = default;
    // out: interleaved stereo to fill; in: mono capture, null when there is none.
    virtual void process(float* out, const float* in, int frames) = 0;
    // Whether a device running faster than real time may go on right now.
    virtual bool canRunAhead() const { return true; }
    // Whether anything is playing; an idle fast device falls back to real-time pacing.
    virtual bool isActive() const { return true; }
    // The device stopped working (unplugged, failed): called once, on a device thread, after
    // which process() is no longer called. Must not block.
    virtual void deviceLost() {}
};

struct AudioConfig {
    int sampleRate = 44100;
    int bufferFrames = 512;
};

// Which devices to open: indices into the lists of listDevices(), -1 for the system's default.
struct DeviceSelection {
    int output = -1;
    int input = -1;
};

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts calling the client; false with `error` naming the failing call.
    virtual bool start(AudioClient& client, std::string& error) = 0;
    // Returns once the client is no longer called.
    virtual void stop() = 0;
    virtual std::string description() const = 0;
    // Whether a microphone is captured (without one the client gets a null input).
    virtual bool hasInput() const { return true; }
    // Frames from a sample leaving process() to its sound reaching the microphone's input
    // to process(), as far as the device knows (its buffers); 0 for the file device, whose
    // input and output are the same frames.
    virtual int latencyFrames() const { return 0; }
};

std::unique_ptr<AudioDevice> createNullDevice(const AudioConfig& config);
std::unique_ptr<AudioDevice> createSdlDevice(const AudioConfig& config, const DeviceSelection& selection = {});
// Names of SDL's playback or capture devices in the system's order.
std::vector<std::string> listSdlDevices(bool capture);

struct FileDeviceOptions {
    std::string inputPath;   // WAV, or raw mono s16le at the engine rate; empty = silence
    std::string outputPath;  // ".wav" = WAV, anything else raw stereo s16le; empty = discard
    bool fast = false;       // as fast as possible instead of real time
    std::int64_t failAfterFrames = -1;  // stops working after this many frames, as if unplugged
    // Loop-back, as speakers heard by the microphone: the output (mono) this many frames
    // later, times the gain, is added to the input; 0 = none. At least one block.
    int loopbackFrames = 0;
    float loopbackGain = 0.5f;
    float noiseRms = 0.0f;  // white noise added to the input (a noisy room or line)
};
std::unique_ptr<AudioDevice> createFileDevice(const AudioConfig& config, const FileDeviceOptions& options);

// Reads VOKARAN_AUDIO ("sdl" default, "file", "null") and, for "file", VOKARAN_AUDIO_IN,
// VOKARAN_AUDIO_OUT, VOKARAN_AUDIO_PACE ("realtime" default, "fast") and
// VOKARAN_AUDIO_FAIL_AFTER (seconds of audio after which the device fails, for tests),
// VOKARAN_AUDIO_LOOPBACK_MS (the output comes back into the input this much later),
// VOKARAN_AUDIO_LOOPBACK_GAIN (its level, 0..1, default 0.5) and VOKARAN_AUDIO_NOISE_DB (white
// noise in the input, rms in dBFS).
// Null with `error` when the variables are invalid.
std::unique_ptr<AudioDevice> createDeviceFromEnvironment(const AudioConfig& config, std::string& error);
std::unique_ptr<AudioDevice> createDeviceFromEnvironment(const AudioConfig& config, const DeviceSelection& selection,
                                                         std::string& error);
// The output (capture = false) or input devices of the VOKARAN_AUDIO kind, in system order.
// False with `error` when VOKARAN_AUDIO is invalid.
bool listDevices(bool capture, std::vector<std::string>& names, std::string& error);

} // namespace vokaran

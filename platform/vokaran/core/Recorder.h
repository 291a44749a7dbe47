#pragma once
// Records a performance as two raw PCM files (no header): the voice as captured (mono) and
// the music as played (stereo, interleaved), both signed 16-bit little-endian at the engine's
// sample rate. The engine thread fills two rings; a writer thread empties them into the files.
#include "core/SpscRing.h"
#include "core/Wav.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace vokaran {

class Recorder {
public:
    // Opens both files (truncated, or appended to when `append`) and starts the writer thread.
    // Null with `error` naming the failing call. Controlling thread.
    static std::unique_ptr<Recorder> start(const std::string& voicePath, const std::string& musicPath,
                                           bool append, int sampleRate, std::string& error);
    ~Recorder();

    // Engine thread: non-blocking, allocation-free. Drops the block (counted) when the rings
    // are full, always from both files, so voice and music stay aligned.
    void write(const float* voiceMono, const float* musicStereo, int frames);
    bool nearlyFull() const;
    // Controlling thread, after the engine has let go of the recorder: writes what is left,
    // stops the writer and closes the files. False when any write failed.
    bool finish(std::string& error);

    std::uint64_t droppedFrames() const { return dropped_.load(); }

private:
    Recorder(int sampleRate);
    void writerLoop();
    bool drain();

    SpscRing<std::int16_t> voice_;
    SpscRing<std::int16_t> music_;
    FilePtr voiceFile_;
    FilePtr musicFile_;
    std::string voicePath_, musicPath_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> dropped_{0};
    bool failed_ = false;  // writer thread, then finish()
    std::thread writer_;
};

// Length in frames of a raw recording, from its size; -1 when the file cannot be read.
std::int64_t rawFrames(const std::string& path, int channels);

} // namespace vokaran

#pragma once
// Mixing a recorded performance: the voice (mono raw PCM) over the music (stereo raw PCM),
// each with its gain, the voice moved earlier by the microphone delay. Used for the mix into a
// WAV file (worker thread) and for live playback through the engine (worker thread feeding
// the engine thread through a ring).
#include "core/SpscRing.h"
#include "core/Wav.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace vokaran {

struct MixSettings {
    int voiceGain = 100;   // percent, 100 = as recorded
    int musicGain = 100;
    int micDelayMs = 0;    // the voice is moved this much earlier
};

// Reads the two recordings and produces the mixed stereo frames. One thread at a time.
class RecMixReader {
public:
    bool open(const std::string& voicePath, const std::string& musicPath, const MixSettings& settings,
              int sampleRate, std::string& error);
    // Writes up to `frames` stereo frames; returns how many (0 at the end).
    std::size_t read(std::int16_t* stereo, std::size_t frames);
    std::uint64_t totalFrames() const { return total_; }
    // The next read starts `frame` frames into the mix (past the end: at the end).
    void seek(std::uint64_t frame);

private:
    FilePtr voice_, music_;
    MixSettings settings_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t voiceSkip_ = 0;
};

// Seconds of a recording pair: the longer of the two, to the nearest second but at least 1
// when anything was recorded; 0 when both are empty;
// -1 when neither file can be read.
int recordingSeconds(const std::string& voicePath, const std::string& musicPath, int sampleRate);

// Mixes into a 16-bit stereo WAV on its own thread. A mix that fails to write or is cancelled
// removes its file, so no truncated WAV is taken for a finished mix.
class MixToFile {
public:
    // Starts at once; false with `error` when the inputs or the output cannot be opened.
    bool start(const std::string& voicePath, const std::string& musicPath, const std::string& wavPath,
               const MixSettings& settings, int sampleRate, std::string& error);
    ~MixToFile();
    bool running() const { return running_.load(std::memory_order_acquire); }
    std::uint64_t framesDone() const { return framesDone_.load(std::memory_order_relaxed); }
    bool succeeded() const { return ok_.load(); }
    void join();
    // Ends a running mix: its file is removed and it does not count as succeeded. Returns at
    // once; join() waits for the worker.
    void cancel() { cancel_.store(true); }
    // Called on the worker thread when the mix ends (successfully or not).
    void onFinished(void (*fn)(void*), void* ctx) { finishedFn_ = fn; finishedCtx_ = ctx; }

private:
    RecMixReader reader_;
    WavWriter wav_;
    std::string wavPath_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> ok_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<std::uint64_t> framesDone_{0};
    void (*finishedFn_)(void*) = nullptr;
    void* finishedCtx_ = nullptr;
};

// Live playback of the mix: a worker reads ahead into a ring that the engine thread drains.
// A seek is a hand-shake without a lock: the controlling thread asks, the worker moves the
// reader and stops filling, the engine thread drops what the ring holds from before the move
// and says so, and the worker fills again from the new place.
class MixPlayback {
public:
    bool start(const std::string& voicePath, const std::string& musicPath, const MixSettings& settings,
               int sampleRate, std::string& error);
    ~MixPlayback();
    void stop();  // controlling thread, after the engine has let go of it

    // Engine thread: adds the next frames into out (stereo). True once, when the end is reached.
    bool pullAdd(float* out, int frames);
    void setPaused(bool paused) { paused_.store(paused, std::memory_order_relaxed); }
    bool paused() const { return paused_.load(std::memory_order_relaxed); }
    // Played to the end, and no seek under way that brings it back.
    bool finished() const;
    // The position: frames played, or the frame a seek asked for until the sound is there.
    // Any thread.
    std::uint64_t framesPlayed() const;
    // The same as heard: a block handed to the device is heard over the block's own length, so
    // this moves on smoothly from where the block began instead of jumping by a block at each
    // pull (what a picture is kept in step with). Any thread.
    std::uint64_t framesHeard() const;
    std::uint64_t totalFrames() const { return total_; }
    // How far the reader is ahead of what was played, in frames. Any thread.
    std::uint64_t framesBuffered() const { return ring_.readable() / 2; }
    // Controlling thread, non-blocking: playing or paused, the mix goes on from `frame`
    // (clamped to the end). A finished mix plays again from there.
    void seek(std::uint64_t frame);

private:
    void fillLoop();
    // Engine thread: drops the frames read before the reader moved.
    void takeSeek();
    RecMixReader reader_;
    SpscRing<std::int16_t> ring_{1 << 17};
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> readerDone_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> paused_{false};
    std::atomic<std::uint64_t> played_{0};
    std::uint64_t total_ = 0;
    int sampleRate_ = 44100;
    // The last block pulled: where it began, its length and when it was pulled, written by the
    // engine thread under a sequence count (odd while being written) that readers retry on.
    std::atomic<std::uint32_t> blockSeq_{0};
    std::atomic<std::uint64_t> blockStart_{0};
    std::atomic<std::uint64_t> blockFrames_{0};
    std::atomic<std::int64_t> blockAtNs_{0};
    void noteBlock(std::uint64_t start, std::uint64_t frames);
    // The hand-shake: asked (controlling thread), the reader moved for (worker), the ring
    // emptied for (engine thread). Counters, so that a second seek overtakes a first one.
    std::atomic<std::uint64_t> seekFrame_{0};
    std::atomic<std::uint32_t> seekAsked_{0};
    std::atomic<std::uint64_t> seekedTo_{0};
    std::atomic<std::uint32_t> seekMoved_{0};
    std::atomic<std::uint32_t> seekTaken_{0};
};

} // namespace vokaran

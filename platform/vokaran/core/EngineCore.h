#pragma once
// The engine core: one synchronous process() entry renders a block of the song, records the
// captured voice and the music as played, and adds the live mix of a recording. The audio
// device's callback only wraps process(); tests call it directly, faster than real time.
//
// Threads: process() runs on the engine thread (the device callback). Every other method is
// for the one controlling thread (the GUI thread in the module) unless it says otherwise;
// they never block on the engine thread. Commands reach the engine thread through an SPSC
// queue and atomics; songs are retired on the controlling thread once the engine thread has
// moved past them, so the engine thread never frees memory.
#include "devices/AudioDevice.h"
#include "core/EngineData.h"
#include "core/SongPlayer.h"
#include "core/SpscRing.h"
#include "voice/VoiceEffects.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vokaran {

class Synth;
class Recorder;
class MixPlayback;
class LiveScoring;

enum class PlayState : int { Stopped = 0, Playing = 1, Paused = 2 };

// A delay measurement in progress: from the block after it is attached, the engine thread adds
// `signal` to the output and keeps the microphone from the same frame on, until `captured` is
// full. The controlling thread sizes both before attaching and reads `captured` once `done`.
struct ProbeRun {
    std::vector<float> signal;
    std::vector<float> captured;
    std::atomic<std::size_t> pos{0};
    std::atomic<bool> done{false};
    std::atomic<bool> cancelled{false};  // the engine closed before the run was complete
    // Engine thread: non-blocking, allocation-free.
    void feed(float* out, const float* in, int frames);
};

// Event bits raised by the engine thread and collected by the event thread (or a test).
enum EngineEvent : std::uint32_t {
    kEventSongEnded = 1u << 0,   // the song reached its end or was stopped
    kEventMixFinished = 1u << 1, // a mix into a file or a live mix playback finished
    kEventDeviceLost = 1u << 2,  // the audio device stopped working
};

class EngineCore final : public AudioClient {
public:
    static constexpr int kMaxBlockFrames = 4096;

    EngineCore(std::unique_ptr<Synth> synth, const EngineData& data);
    ~EngineCore() override;
    EngineCore(const EngineCore&) = delete;
    EngineCore& operator=(const EngineCore&) = delete;

    int sampleRate() const { return sampleRate_; }

    // Engine thread. out: interleaved stereo, written (not added to); voiceIn: mono capture or
    // null for silence. Any frame count.
    void process(float* out, const float* voiceIn, int frames) override;
    // Any thread: false while a recording's buffers are more than half full, so a device that
    // runs faster than real time lets the writer catch up instead of dropping audio.
    bool canRunAhead() const override;
    // Any thread: whether process() has anything to play (a song or a live mix).
    bool isActive() const override;
    // A device thread: the device failed; raised as an event.
    void deviceLost() override { raise(kEventDeviceLost); }

    // Playback control. False when the call does not fit the state (e.g. pause while stopped)
    // or the command queue is full.
    bool play(std::shared_ptr<const PreparedSong> song);
    bool pause();
    bool resume();
    bool stop();
    PlayState playState() const;
    const PreparedSong* currentSong() const { return current_.get(); }

    // Any thread. Score time of the audio rendered so far, in engine time (1/1024 ms);
    // 0 when no song plays or is paused.
    std::uint32_t songTime() const;

    void setKey(int semitones) { key_.store(semitones, std::memory_order_relaxed); }
    void setTempo(int percent) { tempo_.store(percent, std::memory_order_relaxed); }
    void setVolume(int percent) { volume_.store(percent, std::memory_order_relaxed); }
    void setMelodyVolume(int volume) { melodyVolume_.store(volume, std::memory_order_relaxed); }
    int key() const { return key_.load(std::memory_order_relaxed); }
    int tempo() const { return tempo_.load(std::memory_order_relaxed); }
    int volume() const { return volume_.load(std::memory_order_relaxed); }
    int melodyVolume() const { return melodyVolume_.load(std::memory_order_relaxed); }

    // The recorder receives every block rendered while a song plays. attach: the recorder
    // must outlive detachRecorder(), which returns once the engine thread no longer uses it.
    void attachRecorder(Recorder* recorder);
    void detachRecorder();
    void attachMixPlayback(MixPlayback* playback);
    void detachMixPlayback();
    // The live voice analysis receives every block with where the song stood.
    void attachAnalysis(LiveScoring* analysis);
    void detachAnalysis();

    // The delay measurement (ProbeRun): the run must outlive detachProbe(), which returns once
    // the engine thread no longer uses it. While it runs the monitored voice is left out of the
    // output, so the test signal does not come back twice.
    void attachProbe(ProbeRun* run);
    void detachProbe();

    // Monitoring of the microphone with echo and room: settings on the controlling thread.
    VoiceEffects& effects() { return effects_; }

    // Any thread: blocks processed so far (changes whenever the engine thread has run).
    std::uint64_t blocksProcessed() const { return blocks_.load(std::memory_order_acquire); }
    // Whether the engine thread has carried out every play/pause/resume/stop sent so far
    // (control side).
    bool commandsApplied() const { return doneSerial_.load(std::memory_order_acquire) >= sentSerial_; }
    // Any thread: generation of the song whose end (or stop) was raised last.
    std::uint32_t endedGeneration() const { return endedGeneration_.load(std::memory_order_acquire); }
    // Generation of the latest play(): controlling thread.
    std::uint32_t generation() const { return static_cast<std::uint32_t>(state_.load() >> 2); }

    // Any thread. Events raised since the last call; and a counter that changes whenever an
    // event is raised, for waiting with std::atomic::wait.
    std::uint32_t takeEvents() { return events_.exchange(0, std::memory_order_acq_rel); }
    const std::atomic<std::uint32_t>& eventCounter() const { return eventCounter_; }
    // Raises events from the controlling thread (e.g. the end of a stopped song).
    void raise(std::uint32_t bits);

private:
    enum class Cmd : int { Play, Pause, Resume, Stop };
    struct Command {
        Cmd cmd;
        const PreparedSong* song;
        std::uint32_t generation;
    };

    bool send(Cmd cmd, const PreparedSong* song);
    void retireSongs();
    void runCommands();
    bool endSong();

    std::unique_ptr<Synth> synth_;
    const int sampleRate_;
    SongPlayer player_;
    SpscRing<Command> commands_{64};

    // Controlling thread's view.
    std::shared_ptr<const PreparedSong> current_;
    struct Retired { std::shared_ptr<const PreparedSong> song; std::uint64_t afterSerial; };
    std::vector<Retired> retired_;
    std::uint64_t sentSerial_ = 0;
    std::atomic<std::uint64_t> doneSerial_{0};
    // generation << 2 | PlayState; the generation changes with every play().
    std::atomic<std::uint64_t> state_{0};
    // generation << 32 | song time of the last rendered block.
    std::atomic<std::uint64_t> published_{0};

    std::atomic<int> key_{0};
    std::atomic<int> tempo_{100};
    std::atomic<int> volume_{100};
    std::atomic<int> melodyVolume_{127};

    // Engine thread's own state.
    bool playing_ = false;
    bool loaded_ = false;
    std::uint32_t generation_ = 0;
    double position_ = 0;  // score seconds
    std::uint64_t songSamples_ = 0;  // samples of the current song played
    std::vector<float> silence_;

    RtGate recorderGate_;
    std::atomic<Recorder*> recorder_{nullptr};
    RtGate mixGate_;
    std::atomic<MixPlayback*> mixPlayback_{nullptr};

    VoiceEffects effects_;
    std::vector<float> monitorScratch_;  // the monitored voice while a probe plays
    RtGate probeGate_;
    std::atomic<ProbeRun*> probe_{nullptr};
    RtGate analysisGate_;
    std::atomic<LiveScoring*> analysis_{nullptr};
    std::atomic<std::uint64_t> blocks_{0};

    std::atomic<std::uint32_t> endedGeneration_{0};
    std::atomic<std::uint32_t> events_{0};
    std::atomic<std::uint32_t> eventCounter_{0};
};

} // namespace vokaran

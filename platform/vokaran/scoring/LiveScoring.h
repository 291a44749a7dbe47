#pragma once
// The live voice analysis: the engine thread hands every block of captured voice (with where
// the song stood) to an SPSC ring; the analysis thread tracks the pitch, scores the contest
// words and lines of the song that plays, publishes the results on a score board and calls the
// contest callbacks. The score board outlives the engine, so the getters never wait for it.
#include "core/EngineData.h"
#include "core/SpscRing.h"
#include "scoring/VoiceScoring.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace vokaran {

using ScoreCallback = void (*)();

// What the getters read and whom the analysis calls. Any thread; the callbacks are called
// without any lock held, so they may read the board.
class ScoreBoard {
public:
    struct Scores {
        int wordPitch = 0, wordRhythm = 0;
        int linePitch = 0, lineRhythm = 0, lineExpression = 0;
        ScoreTotals totals;
    };
    Scores scores() const {
        std::lock_guard g(m_);
        return s_;
    }
    void clear() {
        std::lock_guard g(m_);
        s_ = Scores{};
    }
    void setWord(const WordScore& w, const ScoreTotals& t) {
        std::lock_guard g(m_);
        s_.wordPitch = w.pitch;
        s_.wordRhythm = w.rhythm;
        s_.totals = t;
    }
    void setLine(const LineScore& l, const ScoreTotals& t) {
        std::lock_guard g(m_);
        s_.linePitch = l.pitch;
        s_.lineRhythm = l.rhythm;
        s_.lineExpression = l.expression;
        s_.totals = t;
    }
    void setTotals(const ScoreTotals& t) {
        std::lock_guard g(m_);
        s_.totals = t;
    }

    std::atomic<int> micNote{0};  // 0: no voice
    std::atomic<ScoreCallback> onWord{nullptr}, onLine{nullptr}, onMic{nullptr};

private:
    mutable std::mutex m_;
    Scores s_;
};

// Where the song stood in a block, stamped by the engine thread.
struct VoiceStamp {
    enum State : std::uint8_t { NoSong = 0, Playing = 1, Paused = 2 };
    std::uint32_t generation = 0;   // of the song loaded
    State state = NoSong;
    bool songEnds = false;          // the song reached its end in this block
    bool evaluate = false;          // contest mode and evaluation were on
    bool guide = true;              // the guide melody was audible in the output
    int key = 0;
    int tempoPercent = 100;
    std::uint64_t songSample = 0;   // samples of this song played before the block
    std::uint32_t frames = 0;
    std::uint32_t carried = 0;      // frames whose samples are in the ring (0: lost)
};

class LiveScoring {
public:
    LiveScoring(int sampleRate, const EngineData& data, ScoreBoard& board);
    ~LiveScoring();  // stops the analysis thread; the engine thread must have let go
    LiveScoring(const LiveScoring&) = delete;
    LiveScoring& operator=(const LiveScoring&) = delete;

    // Engine thread: non-blocking, allocation-free; a null voice is silence. `output` is the
    // block as rendered (interleaved stereo, as the music recording keeps it), the reference
    // for removing its leak from the voice; null = silence. The stamp says where the song
    // stood; its evaluate, frames and carried fields are filled in here.
    void push(const float* voice, const float* output, int frames, VoiceStamp stamp);
    // Any thread: the ring is more than half full (a device faster than real time waits).
    bool nearlyFull() const { return samples_.readable() > samples_.capacity() / 2; }

    // Controlling thread.
    void setMicOn(bool on);
    bool micOn() const { return micOn_.load(); }
    void setContestMode(bool on);
    bool contestMode() const { return contest_.load(); }
    void setEvaluating(bool on) { evaluating_.store(on); }
    bool evaluating() const { return evaluating_.load(); }
    // The song that the next play (of this generation) plays; scored against this model.
    void setSong(std::uint32_t generation, std::shared_ptr<const ScoreSong> song);
    // The device's latency from output to input, in frames: where the output's leak is looked
    // for in the voice. Taken when a song starts.
    void setEchoDelay(int frames) { echoDelay_.store(frames); }
    int echoDelay() const { return echoDelay_.load(); }
    // How far the microphone lags the output the singer hears, in frames (the measured round
    // trip): the voice is scored that much earlier. Taken when a song starts.
    void setMicDelay(int frames) { micDelay_.store(frames); }
    int micDelay() const { return micDelay_.load(); }

    // Any thread but the analysis thread: returns once every block pushed so far has been
    // analysed (false when that takes longer than `timeout`).
    bool settle(std::chrono::milliseconds timeout);

private:
    class Listener;
    void run();
    void handle(const VoiceStamp& s);
    void noteFrame(const PitchFrame& f);
    void startSong(const VoiceStamp& s);
    void endSong();

    const int rate_;
    const int hop_;
    const ScoreSettings settings_;
    ScoreBoard& board_;

    SpscRing<float> samples_;
    SpscRing<float> outputs_;           // the output, mono, sample for sample with samples_
    std::vector<float> downmix_;        // engine thread's scratch
    std::atomic<int> echoDelay_{0};
    std::atomic<int> micDelay_{0};
    SpscRing<VoiceStamp> stamps_;
    std::atomic<std::uint64_t> pushed_{0};
    std::atomic<std::uint64_t> processed_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> micOn_{false}, contest_{false}, evaluating_{false};
    std::atomic<bool> resetTotals_{false};
    bool lastWasSong_ = false;  // engine thread: a song block was pushed since the last no-song one

    std::mutex songMutex_;
    std::uint32_t nextGeneration_ = 0;
    std::shared_ptr<const ScoreSong> nextSong_;

    std::mutex settleMutex_;
    std::condition_variable settled_;

    // Analysis thread's own state.
    std::unique_ptr<VoiceScoring> scoring_;
    std::uint32_t generation_ = 0;
    bool songOpen_ = false;
    PitchTracker idleTracker_;  // the microphone between songs and in pauses
    int unvoicedRun_ = 0;
    std::vector<float> buf_, refBuf_;
    Listener* listener_ = nullptr;
    std::thread thread_;
};

} // namespace vokaran

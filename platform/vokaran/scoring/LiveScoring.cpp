#include "scoring/LiveScoring.h"

#include "core/EngineCore.h"
#include "core/Pcm.h"

#include <algorithm>
#include <cmath>

namespace vokaran {

namespace {
constexpr int kUnvoicedFramesForSilence = 3;  // about 35 ms at the default hop
}

// Publishes what the analysis finds and calls the contest callbacks (analysis thread).
class LiveScoring::Listener final : public VoiceListener {
public:
    explicit Listener(LiveScoring& owner) : o_(owner) {}
    void frame(const PitchFrame& f, double) override { o_.noteFrame(f); }
    void word(const WordScore& w, const ScoreTotals& t) override {
        o_.board_.setWord(w, t);
        if (auto cb = o_.board_.onWord.load()) cb();
    }
    void line(const LineScore& l, const ScoreTotals& t) override {
        o_.board_.setLine(l, t);
        if (auto cb = o_.board_.onLine.load()) cb();
    }

private:
    LiveScoring& o_;
};

LiveScoring::LiveScoring(int sampleRate, const EngineData& data, ScoreBoard& board)
    : rate_(sampleRate),
      hop_(data.scoreFrameHop),
      settings_{data.pitchToleranceCents, data.rhythmToleranceMs},
      board_(board),
      samples_(std::size_t(sampleRate) * 4),
      outputs_(std::size_t(sampleRate) * 4),
      downmix_(std::size_t(EngineCore::kMaxBlockFrames)),
      stamps_(2048),
      idleTracker_(sampleRate, data.scoreFrameHop),
      buf_(std::size_t(EngineCore::kMaxBlockFrames)),
      refBuf_(std::size_t(EngineCore::kMaxBlockFrames)) {
    board_.micNote.store(0);
    thread_ = std::thread([this] { run(); });
}

LiveScoring::~LiveScoring() {
    stop_.store(true);
    pushed_.fetch_add(1);
    pushed_.notify_all();
    if (thread_.joinable()) thread_.join();
    board_.micNote.store(0);
}

void LiveScoring::push(const float* voice, const float* output, int frames, VoiceStamp s) {
    const bool song = s.state != VoiceStamp::NoSong;
    // Between songs the voice matters only to the microphone display; the first block after
    // a song still goes, so the analysis learns that the song is over.
    if (!song && !lastWasSong_ && !micOn_.load(std::memory_order_relaxed)) return;
    if (frames <= 0 || frames > int(buf_.size()) || stamps_.writable() == 0) return;  // lost; the next stamp shows the gap
    lastWasSong_ = song;
    s.evaluate = contest_.load(std::memory_order_relaxed) && evaluating_.load(std::memory_order_relaxed);
    s.frames = std::uint32_t(frames);
    s.carried = 0;
    if (voice && samples_.writable() >= std::size_t(frames) && outputs_.writable() >= std::size_t(frames)) {
        // The reference as the music recording keeps it: each channel in 16 bits, then mono.
        for (int i = 0; i < frames; ++i)
            downmix_[std::size_t(i)] = output ? 0.5f * (asRecorded(output[2 * i]) + asRecorded(output[2 * i + 1])) : 0.0f;
        samples_.push(voice, std::size_t(frames));
        outputs_.push(downmix_.data(), std::size_t(frames));
        s.carried = std::uint32_t(frames);
    }
    stamps_.push(s);
    pushed_.fetch_add(1, std::memory_order_release);
    pushed_.notify_one();
}

void LiveScoring::setMicOn(bool on) {
    micOn_.store(on);
    if (!on) board_.micNote.store(0);
}

void LiveScoring::setContestMode(bool on) {
    if (on && !contest_.exchange(true)) {
        board_.clear();
        resetTotals_.store(true);
    } else if (!on) {
        contest_.store(false);
    }
}

void LiveScoring::setSong(std::uint32_t generation, std::shared_ptr<const ScoreSong> song) {
    std::lock_guard g(songMutex_);
    nextGeneration_ = generation;
    nextSong_ = std::move(song);
}

bool LiveScoring::settle(std::chrono::milliseconds timeout) {
    const auto target = pushed_.load(std::memory_order_acquire);
    std::unique_lock g(settleMutex_);
    return settled_.wait_for(g, timeout, [&] { return processed_.load(std::memory_order_acquire) >= target; });
}

void LiveScoring::noteFrame(const PitchFrame& f) {
    if (!micOn_.load(std::memory_order_relaxed)) return;
    if (f.voiced) {
        unvoicedRun_ = 0;
        board_.micNote.store(std::clamp(static_cast<int>(std::lround(f.midi)), 1, 127));
    } else if (++unvoicedRun_ >= kUnvoicedFramesForSilence) {
        board_.micNote.store(0);
    }
    if (auto cb = board_.onMic.load()) cb();
}

void LiveScoring::run() {
    Listener listener(*this);
    listener_ = &listener;
    while (true) {
        const auto seen = pushed_.load(std::memory_order_acquire);
        VoiceStamp s;
        if (!stamps_.pop(s)) {
            if (stop_.load()) break;
            pushed_.wait(seen);
            continue;
        }
        const std::size_t got = samples_.pop(buf_.data(), s.carried);
        const std::size_t refs = outputs_.pop(refBuf_.data(), s.carried);
        if (got < s.carried || refs < s.carried) s.carried = 0;  // cannot happen: samples go in before their stamp
        handle(s);
        processed_.fetch_add(1, std::memory_order_release);
        { std::lock_guard g(settleMutex_); }
        settled_.notify_all();
    }
    listener_ = nullptr;
}

void LiveScoring::startSong(const VoiceStamp& s) {
    std::shared_ptr<const ScoreSong> song;
    {
        std::lock_guard g(songMutex_);
        if (nextGeneration_ == s.generation) song = nextSong_;
    }
    if (!song) song = std::make_shared<ScoreSong>();  // nothing to score against: pitch only
    scoring_ = std::make_unique<VoiceScoring>(rate_, hop_, settings_, std::move(song));
    scoring_->enableEchoCancellation(echoDelay_.load());
    scoring_->setMicDelay(micDelay_.load());
    generation_ = s.generation;
    songOpen_ = true;
    if (contest_.load()) board_.clear();
}

void LiveScoring::endSong() {
    if (songOpen_ && scoring_) scoring_->finish(*listener_);
    songOpen_ = false;
    idleTracker_.reset();
}

void LiveScoring::handle(const VoiceStamp& s) {
    if (resetTotals_.exchange(false) && scoring_) scoring_->resetTotals();
    const VoiceBlock block{s.tempoPercent, s.key, s.evaluate, s.guide};
    if (s.state == VoiceStamp::Playing) {
        if (!songOpen_ || s.generation != generation_) {
            endSong();
            startSong(s);
        }
        // Lost blocks become silence, so every later sample keeps its place in the song.
        if (s.songSample > scoring_->samples()) scoring_->feedSilence(s.songSample - scoring_->samples(), block, *listener_);
        if (s.carried) scoring_->feed(buf_.data(), refBuf_.data(), s.carried, block, *listener_);
        else scoring_->feedSilence(s.frames, block, *listener_);
        if (s.songEnds) endSong();
        return;
    }
    if (songOpen_ && (s.state == VoiceStamp::NoSong || s.generation != generation_)) endSong();
    if (!micOn_.load()) return;
    if (!s.carried) std::fill(buf_.begin(), buf_.begin() + s.frames, 0.0f);
    idleTracker_.feed(buf_.data(), s.frames, [&](const PitchFrame& f) { noteFrame(f); });
}

} // namespace vokaran

#include "core/EngineCore.h"

#include "core/RecMix.h"
#include "core/Recorder.h"
#include "core/Synth.h"
#include "scoring/LiveScoring.h"

#include <algorithm>
#include <cmath>

namespace vokaran {
namespace {
constexpr int kChunk = 64;  // events are placed with this many frames of precision
constexpr std::uint64_t pack(std::uint32_t generation, PlayState s) {
    return std::uint64_t(generation) << 2 | std::uint64_t(s);
}
} // namespace

EngineCore::EngineCore(std::unique_ptr<Synth> synth, const EngineData& data)
    : synth_(std::move(synth)), sampleRate_(data.sampleRate), silence_(kMaxBlockFrames, 0.0f), effects_(data.sampleRate),
      monitorScratch_(2 * kMaxBlockFrames, 0.0f) {
    player_.setMelodyChannels(data.melodyChannel1 - 1, data.melodyChannel2 - 1);
    synth_->reset();
}

EngineCore::~EngineCore() = default;

bool EngineCore::send(Cmd cmd, const PreparedSong* song) {
    const auto generation = static_cast<std::uint32_t>(state_.load() >> 2);
    if (!commands_.push(Command{cmd, song, generation})) return false;
    ++sentSerial_;
    return true;
}

void EngineCore::retireSongs() {
    const auto done = doneSerial_.load(std::memory_order_acquire);
    std::erase_if(retired_, [done](const Retired& r) { return r.afterSerial <= done; });
}

bool EngineCore::play(std::shared_ptr<const PreparedSong> song) {
    retireSongs();
    if (!song || commands_.writable() == 0) return false;
    const auto generation = static_cast<std::uint32_t>(state_.load() >> 2) + 1;
    state_.store(pack(generation, PlayState::Playing));
    if (!send(Cmd::Play, song.get())) return false;
    // The previous song stays alive until the engine thread has taken the new one.
    if (current_) retired_.push_back({std::move(current_), sentSerial_});
    current_ = std::move(song);
    return true;
}

bool EngineCore::pause() {
    if (commands_.writable() == 0) return false;
    auto s = state_.load();
    if (PlayState(s & 3) != PlayState::Playing) return false;
    if (!state_.compare_exchange_strong(s, (s & ~3ull) | std::uint64_t(PlayState::Paused)))
        return false;  // the song ended meanwhile
    return send(Cmd::Pause, nullptr);
}

bool EngineCore::resume() {
    if (commands_.writable() == 0) return false;
    auto s = state_.load();
    if (PlayState(s & 3) != PlayState::Paused) return false;
    state_.store((s & ~3ull) | std::uint64_t(PlayState::Playing));
    return send(Cmd::Resume, nullptr);
}

bool EngineCore::stop() {
    if (commands_.writable() == 0) return false;
    auto s = state_.load();
    if (PlayState(s & 3) == PlayState::Stopped) return false;
    if (!state_.compare_exchange_strong(s, s & ~3ull)) return false;  // ended meanwhile
    send(Cmd::Stop, nullptr);
    endedGeneration_.store(static_cast<std::uint32_t>(s >> 2), std::memory_order_release);
    raise(kEventSongEnded);
    return true;
}

PlayState EngineCore::playState() const { return PlayState(state_.load() & 3); }

std::uint32_t EngineCore::songTime() const {
    const auto s = state_.load();
    if (PlayState(s & 3) == PlayState::Stopped) return 0;
    const auto p = published_.load(std::memory_order_acquire);
    if ((p >> 32) != ((s >> 2) & 0xFFFFFFFFu)) return 0;  // the engine has not started this song yet
    return static_cast<std::uint32_t>(p);
}

void EngineCore::raise(std::uint32_t bits) {
    events_.fetch_or(bits, std::memory_order_acq_rel);
    eventCounter_.fetch_add(1, std::memory_order_acq_rel);
    eventCounter_.notify_all();
}

void EngineCore::attachRecorder(Recorder* recorder) {
    detachRecorder();
    recorder_.store(recorder);
    recorderGate_.open();
}

void EngineCore::detachRecorder() {
    recorderGate_.close();
    recorder_.store(nullptr);
}

void EngineCore::attachMixPlayback(MixPlayback* playback) {
    detachMixPlayback();
    mixPlayback_.store(playback);
    mixGate_.open();
}

void EngineCore::detachMixPlayback() {
    mixGate_.close();
    mixPlayback_.store(nullptr);
}

void ProbeRun::feed(float* out, const float* in, int frames) {
    std::size_t at = pos.load(std::memory_order_relaxed);
    for (int i = 0; i < frames && at < captured.size(); ++i, ++at) {
        captured[at] = in ? in[i] : 0.0f;
        if (at < signal.size()) {
            out[2 * i] += signal[at];
            out[2 * i + 1] += signal[at];
        }
    }
    pos.store(at, std::memory_order_release);
    if (at >= captured.size()) done.store(true, std::memory_order_release);
}

void EngineCore::attachProbe(ProbeRun* run) {
    detachProbe();
    probe_.store(run);
    probeGate_.open();
}

void EngineCore::detachProbe() {
    probeGate_.close();
    probe_.store(nullptr);
}

void EngineCore::attachAnalysis(LiveScoring* analysis) {
    detachAnalysis();
    analysis_.store(analysis);
    analysisGate_.open();
}

void EngineCore::detachAnalysis() {
    analysisGate_.close();
    analysis_.store(nullptr);
}

bool EngineCore::canRunAhead() const {
    auto* r = recorder_.load(std::memory_order_acquire);
    if (recorderGate_.isOpen() && r && r->nearlyFull()) return false;
    auto* a = analysis_.load(std::memory_order_acquire);
    return !(analysisGate_.isOpen() && a && a->nearlyFull());
}

bool EngineCore::isActive() const {
    return playState() == PlayState::Playing || mixGate_.isOpen() || probeGate_.isOpen();
}

bool EngineCore::endSong() {
    // Ends the song it belongs to, playing or paused (a pause may race with the end); a song
    // replaced by a newer play() ends silently.
    auto cur = state_.load();
    while (static_cast<std::uint32_t>(cur >> 2) == generation_ && PlayState(cur & 3) != PlayState::Stopped) {
        if (state_.compare_exchange_weak(cur, pack(generation_, PlayState::Stopped))) return true;
    }
    return false;
}

void EngineCore::runCommands() {
    Command c;
    while (commands_.pop(c)) {
        switch (c.cmd) {
        case Cmd::Play:
            synth_->reset();
            player_.start(c.song, *synth_);
            generation_ = c.generation;
            position_ = 0;
            songSamples_ = 0;
            playing_ = true;
            loaded_ = true;
            break;
        case Cmd::Pause:
            if (c.generation == generation_) {
                playing_ = false;
                player_.releaseAll(*synth_);
            }
            break;
        case Cmd::Resume:
            if (c.generation == generation_ && loaded_) playing_ = true;
            break;
        case Cmd::Stop:
            if (c.generation == generation_) {
                player_.clear(*synth_);
                playing_ = false;
                loaded_ = false;
            }
            break;
        }
        doneSerial_.fetch_add(1, std::memory_order_acq_rel);
    }
}

void EngineCore::process(float* out, const float* voiceIn, int frames) {
    while (frames > kMaxBlockFrames) {
        process(out, voiceIn, kMaxBlockFrames);
        out += 2 * kMaxBlockFrames;
        if (voiceIn) voiceIn += kMaxBlockFrames;
        frames -= kMaxBlockFrames;
    }
    if (frames <= 0) return;
    runCommands();
    const bool loadedAtStart = loaded_;
    const int key = std::clamp(key_.load(std::memory_order_relaxed), -12, 12);
    if (key != player_.key()) player_.setKey(key, *synth_);
    player_.setMelodyVolume(melodyVolume_.load(std::memory_order_relaxed), *synth_);
    const int tempoPercent = std::clamp(tempo_.load(std::memory_order_relaxed), 25, 400);
    const double factor = tempoPercent / 100.0;
    const double secondsPerFrame = factor / sampleRate_;

    const bool recordThisBlock = playing_;
    bool ended = false;
    for (int done = 0; done < frames;) {
        int n = frames - done;
        if (playing_) {
            // Events land on kChunk boundaries; between events the synth renders in one go.
            const double untilEvent = (player_.nextEventSeconds() - position_) / secondsPerFrame;
            const int chunks = std::max(1, static_cast<int>(untilEvent / kChunk));
            n = std::min(n, chunks * kChunk);

            position_ += n * secondsPerFrame;
            if (!player_.advanceTo(position_, *synth_)) {
                position_ = player_.endSeconds();
                player_.releaseAll(*synth_);
                playing_ = false;
                loaded_ = false;
                ended = true;
            }
        }
        synth_->render(out + 2 * done, n);
        done += n;
    }
    const float gain = std::clamp(volume_.load(std::memory_order_relaxed), 0, 400) / 100.0f;
    if (gain != 1.0f)
        for (int i = 0; i < 2 * frames; ++i) out[i] *= gain;

    if (recordThisBlock && recorderGate_.enter()) {
        if (auto* r = recorder_.load(std::memory_order_acquire))
            r->write(voiceIn ? voiceIn : silence_.data(), out, frames);
        recorderGate_.leave();
    }
    if (analysisGate_.enter()) {
        if (auto* a = analysis_.load(std::memory_order_acquire)) {
            VoiceStamp stamp;
            stamp.generation = generation_;
            stamp.state = recordThisBlock ? VoiceStamp::Playing : loadedAtStart ? VoiceStamp::Paused : VoiceStamp::NoSong;
            stamp.songEnds = ended;
            stamp.key = player_.key();
            stamp.tempoPercent = tempoPercent;
            stamp.songSample = songSamples_;
            stamp.guide = melodyVolume_.load(std::memory_order_relaxed) > 0 && gain > 0.0f;
            a->push(voiceIn, out, frames, stamp);
        }
        analysisGate_.leave();
    }
    if (recordThisBlock) songSamples_ += std::uint64_t(frames);
    // The monitored voice goes to the output only: the music recording stays the music. So
    // does the delay measurement's test signal.
    bool probing = false;
    if (probeGate_.enter()) {
        if (auto* p = probe_.load(std::memory_order_acquire); p && !p->done.load(std::memory_order_relaxed)) {
            probing = true;
            // The effects keep running on the side, so their state goes on without a jump.
            std::fill_n(monitorScratch_.begin(), 2 * frames, 0.0f);
            effects_.process(voiceIn, monitorScratch_.data(), frames);
            p->feed(out, voiceIn, frames);
        }
        probeGate_.leave();
    }
    if (!probing) effects_.process(voiceIn, out, frames);
    if (mixGate_.enter()) {
        if (auto* m = mixPlayback_.load(std::memory_order_acquire))
            if (m->pullAdd(out, frames)) raise(kEventMixFinished);
        mixGate_.leave();
    }
    const auto ticks = static_cast<std::uint32_t>(std::llround(position_ * kEngineTicksPerSecond));
    published_.store(std::uint64_t(generation_) << 32 | ticks, std::memory_order_release);
    // The end is made known last, so whoever stops the recording on this news finds the
    // song's final block already recorded.
    blocks_.fetch_add(1, std::memory_order_release);
    if (ended && endSong()) {
        endedGeneration_.store(generation_, std::memory_order_release);
        raise(kEventSongEnded);
    }
}

} // namespace vokaran

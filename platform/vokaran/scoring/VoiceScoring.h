#pragma once
// Scores a voice from the samples sung since the song's start: echo cancellation against the
// output as rendered (when enabled), pitch tracking, the frames' score times, and the scorer.
// The engine's analysis thread feeds it live and vokaran-score feeds it a recording (and the
// music recording as the reference); both see each sample as it is recorded (16-bit), so they
// agree.
//
// Threads: one thread at a time.
#include "scoring/Scorer.h"
#include "voice/EchoCanceller.h"
#include "voice/PitchTracker.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vokaran {

// How a stretch of samples was sung: the accompaniment's tempo (1 = the song's own) and key,
// and whether scoring was switched on.
struct VoiceBlock {
    int tempoPercent = 100;
    int key = 0;
    bool evaluate = true;
    bool guide = true;  // the guide melody was audible in the output (melody volume above 0)
};

class VoiceListener : public ScoreSink {
public:
    // Each analysis frame, with the score time of its centre.
    virtual void frame(const PitchFrame&, double /*scoreSeconds*/) {}
};

class VoiceScoring {
public:
    VoiceScoring(int sampleRate, int hop, const ScoreSettings& settings, std::shared_ptr<const ScoreSong> song);

    // Removes the output's leak from the voice before it is analysed (voice/EchoCanceller.h):
    // the reference given with each block is the output rendered at the same song samples
    // (mono); `deviceDelay` is the device latency in samples, the first guess of where its
    // leak lies. Before the first feed.
    void enableEchoCancellation(int deviceDelay);
    bool echoCancellation() const { return echo_ != nullptr; }
    const EchoCanceller* echoCanceller() const { return echo_.get(); }

    // How far the microphone lags the output the singer hears (the devices' round trip), in
    // samples: a frame is scored at the song time this much before it was captured. Before the
    // first feed.
    void setMicDelay(int samples) { micDelay_ = samples > 0 ? samples : 0; }
    int micDelay() const { return micDelay_; }

    // reference: the output at the same samples, mono; null = silence. Ignored without echo
    // cancellation.
    void feed(const float* samples, const float* reference, std::size_t n, const VoiceBlock& block,
              VoiceListener& listener);
    void feed(const float* samples, std::size_t n, const VoiceBlock& block, VoiceListener& listener) {
        feed(samples, nullptr, n, block, listener);
    }
    // Samples that were lost (a stalled analysis): silence keeps the time line.
    void feedSilence(std::size_t n, const VoiceBlock& block, VoiceListener& listener);
    // The performance ended: scores the words begun before the end.
    void finish(VoiceListener& listener);

    const ScoreTotals& totals() const { return scorer_.totals(); }
    void resetTotals() { scorer_.resetTotals(); }
    const ScoreSong& song() const { return scorer_.song(); }
    std::uint64_t samples() const { return fed_; }
    // Seconds by which a word's score follows its end, analysis delay included.
    double latencySeconds() const;

private:
    void begin(const VoiceBlock& block);
    double timeOf(double sample) const;
    void push(const float* x, const float* ref, std::size_t n, VoiceListener& listener);
    void pushTracker(const float* x, std::size_t n, VoiceListener& listener);
    void handleFrame(const PitchFrame& f, double t, VoiceListener& listener);
    void analyse(const float* residual, const float* removed, double leakPerSample, std::size_t n, VoiceListener& listener);
    // The pitch is one of a note the output played around the frame's time, as heard after the
    // leak's delay: the guide melody's (while audible) or the accompaniment's, any octave.
    bool explainedByOutput(double time, float midi) const;

    int rate_;
    PitchTracker tracker_;
    Scorer scorer_;
    std::vector<float> scratch_, refScratch_;
    std::unique_ptr<EchoCanceller> echo_;
    std::vector<ScoreNote> guideNotes_;     // the guide melody, by begin
    std::vector<ScoreNote> accompaniment_;  // the accompaniment's notes, by begin
    double longestGuide_ = 0, longestAccompaniment_ = 0;  // seconds: how far back a sounding note began
    // Energies of the residual, of what was removed and of the expected leak, per hop, for the
    // frames' windows.
    std::vector<double> hopResidual_, hopRemoved_, hopLeak_;
    double accResidual_ = 0, accRemoved_ = 0, accLeak_ = 0;
    int accCount_ = 0;
    std::uint64_t hops_ = 0;
    std::uint64_t fed_ = 0;
    std::uint64_t frames_ = 0;
    int micDelay_ = 0;
    VoiceBlock block_;
    // Score time runs at the tempo of the current stretch, from where the last change left it.
    int segTempo_ = 100;
    double segSample_ = 0, segTime_ = 0;
};

} // namespace vokaran

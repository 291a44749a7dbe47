#pragma once
// Scores a voice from the samples sung since the song's start: pitch tracking, the frames'
// score times, and the scorer. The engine's analysis thread feeds it live and vokaran-score
// feeds it a recording; both see each sample as it is recorded (16-bit), so they agree.
//
// Threads: one thread at a time.
#include "scoring/Scorer.h"
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
};

class VoiceListener : public ScoreSink {
public:
    // Each analysis frame, with the score time of its centre.
    virtual void frame(const PitchFrame&, double /*scoreSeconds*/) {}
};

class VoiceScoring {
public:
    VoiceScoring(int sampleRate, int hop, const ScoreSettings& settings, std::shared_ptr<const ScoreSong> song);

    void feed(const float* samples, std::size_t n, const VoiceBlock& block, VoiceListener& listener);
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
    void push(const float* x, std::size_t n, VoiceListener& listener);

    int rate_;
    PitchTracker tracker_;
    Scorer scorer_;
    std::vector<float> scratch_;
    std::uint64_t fed_ = 0;
    std::uint64_t frames_ = 0;
    VoiceBlock block_;
    // Score time runs at the tempo of the current stretch, from where the last change left it.
    int segTempo_ = 100;
    double segSample_ = 0, segTime_ = 0;
};

} // namespace vokaran

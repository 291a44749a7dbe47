#include "scoring/VoiceScoring.h"

#include "core/Pcm.h"

#include <algorithm>

namespace vokaran {

VoiceScoring::VoiceScoring(int sampleRate, int hop, const ScoreSettings& settings, std::shared_ptr<const ScoreSong> song)
    : rate_(sampleRate),
      tracker_(sampleRate, hop),
      scorer_(std::move(song), settings, double(tracker_.hop()) / sampleRate),
      scratch_(4096) {}

double VoiceScoring::latencySeconds() const {
    return scorer_.latency() + double(PitchTracker::delaySamples()) / rate_;
}

double VoiceScoring::timeOf(double sample) const {
    return segTime_ + (sample - segSample_) * (segTempo_ / 100.0) / rate_;
}

void VoiceScoring::begin(const VoiceBlock& block) {
    if (block.tempoPercent != segTempo_) {
        segTime_ = timeOf(double(fed_));
        segSample_ = double(fed_);
        segTempo_ = block.tempoPercent;
    }
    block_ = block;
}

void VoiceScoring::push(const float* x, std::size_t n, VoiceListener& listener) {
    tracker_.feed(x, n, [&](const PitchFrame& f) {
        ++frames_;
        // The frame describes the samples around its centre, half a frame before its end.
        const double centre = double(frames_ * std::uint64_t(tracker_.hop())) - PitchTracker::delaySamples();
        const double t = timeOf(centre);
        listener.frame(f, t);
        ScoreFrame s;
        s.time = t;
        s.midi = f.midi;
        s.levelDb = f.levelDb;
        s.voiced = f.voiced;
        s.evaluate = block_.evaluate;
        s.key = block_.key;
        scorer_.add(s, listener);
    });
    fed_ += n;
}

void VoiceScoring::feed(const float* samples, std::size_t n, const VoiceBlock& block, VoiceListener& listener) {
    begin(block);
    while (n > 0) {
        const std::size_t k = std::min(n, scratch_.size());
        for (std::size_t i = 0; i < k; ++i) scratch_[i] = asRecorded(samples[i]);
        push(scratch_.data(), k, listener);
        samples += k;
        n -= k;
    }
}

void VoiceScoring::feedSilence(std::size_t n, const VoiceBlock& block, VoiceListener& listener) {
    begin(block);
    std::fill(scratch_.begin(), scratch_.end(), 0.0f);
    while (n > 0) {
        const std::size_t k = std::min(n, scratch_.size());
        push(scratch_.data(), k, listener);
        n -= k;
    }
}

void VoiceScoring::finish(VoiceListener& listener) { scorer_.finish(listener); }

} // namespace vokaran

#include "scoring/VoiceScoring.h"

#include "core/Pcm.h"

#include <algorithm>
#include <cmath>

namespace vokaran {

namespace {
// A frame is the leak's leftover when what remains after cancellation is this far below what
// was removed...
constexpr double kLeftoverDb = 10;
// ...or no more than this above the energy the leak is expected to have: the canceller's
// fail-safe passes a frame up to 1 dB louder than the microphone, so while the filter has lost
// the leak (its delay has just moved) the leftover is the leak and up to 1 dB more...
constexpr double kLeakMarginDb = 1;
// ...and its pitch is that of a note the output played (any octave) at the leak's delay, within this.
constexpr double kGuideCents = 60;
constexpr double kGuideWindow = 0.07;  // seconds either side: the frame's half length and some
constexpr std::size_t kFrameHops = 4;  // hops in a pitch frame's window (2048 / 512)

double wrappedCents(double a, double b) {
    double c = std::fmod(100.0 * (a - b) + 600.0, 1200.0);
    if (c < 0) c += 1200.0;
    return std::abs(c - 600.0);
}
} // namespace

VoiceScoring::VoiceScoring(int sampleRate, int hop, const ScoreSettings& settings, std::shared_ptr<const ScoreSong> song)
    : rate_(sampleRate),
      tracker_(sampleRate, hop),
      scorer_(std::move(song), settings, double(tracker_.hop()) / sampleRate),
      scratch_(4096),
      refScratch_(4096) {}

void VoiceScoring::enableEchoCancellation(int deviceDelay) {
    echo_ = std::make_unique<EchoCanceller>(rate_, deviceDelay);
    auto byBegin = [](const ScoreNote& a, const ScoreNote& b) { return a.begin < b.begin; };
    auto longest = [](const std::vector<ScoreNote>& notes) {
        double l = 0;
        for (const auto& n : notes) l = std::max(l, n.end - n.begin);
        return l;
    };
    guideNotes_ = scorer_.song().guide;
    std::sort(guideNotes_.begin(), guideNotes_.end(), byBegin);
    longestGuide_ = longest(guideNotes_);
    accompaniment_ = scorer_.song().accompaniment;
    std::sort(accompaniment_.begin(), accompaniment_.end(), byBegin);
    longestAccompaniment_ = longest(accompaniment_);
    const std::size_t window = std::max<std::size_t>(1, (PitchTracker::frameSize() + tracker_.hop() - 1) / std::size_t(tracker_.hop()));
    hopResidual_.assign(window, 0.0);
    hopRemoved_.assign(window, 0.0);
    hopLeak_.assign(window, 0.0);
}

bool VoiceScoring::explainedByOutput(double time, float midi) const {
    // The output heard in this frame was played the device's delay earlier.
    const double t = time - double(echo_->leakDelay()) / rate_ * (segTempo_ / 100.0);
    auto sounds = [&](const std::vector<ScoreNote>& notes, double longest) {
        auto it = std::lower_bound(notes.begin(), notes.end(), t + kGuideWindow,
                                   [](const ScoreNote& n, double x) { return n.begin < x; });
        // Notes begun before t - window - longest have ended before the window.
        while (it != notes.begin()) {
            --it;
            if (it->begin + longest <= t - kGuideWindow) break;
            if (it->end > t - kGuideWindow && wrappedCents(midi, it->note + block_.key) <= kGuideCents) return true;
        }
        return false;
    };
    return (block_.guide && sounds(guideNotes_, longestGuide_)) || sounds(accompaniment_, longestAccompaniment_);
}

double VoiceScoring::latencySeconds() const {
    return scorer_.latency() + double(PitchTracker::delaySamples() + micDelay_) / rate_;
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

void VoiceScoring::push(const float* x, const float* ref, std::size_t n, VoiceListener& listener) {
    if (echo_) {
        echo_->feed(x, ref, n, [&](const float* residual, const float* removed, double leak, int k) {
            analyse(residual, removed, leak / k, std::size_t(k), listener);
        });
    } else {
        pushTracker(x, n, listener);
    }
    fed_ += n;
}

void VoiceScoring::pushTracker(const float* x, std::size_t n, VoiceListener& listener) {
    tracker_.feed(x, n, [&](const PitchFrame& f) {
        ++frames_;
        // The frame describes the samples around its centre, half a frame before its end.
        const double centre = double(frames_ * std::uint64_t(tracker_.hop())) - PitchTracker::delaySamples();
        // Sung to what was heard a round trip earlier; the leak of the output is found on the
        // microphone's own time line.
        const double captured = timeOf(centre);
        const double t = micDelay_ ? timeOf(centre - micDelay_) : captured;
        if (echo_ && f.voiced) {
            double res = 0, rem = 0, leak = 0;
            for (std::size_t i = 0; i < hopResidual_.size(); ++i) {
                res += hopResidual_[i];
                rem += hopRemoved_[i];
                leak += hopLeak_[i];
            }
            // What is left is the leak's leftover (far below what was removed, or no louder
            // than the leak itself would be) and sounds a note the output played (the guide
            // melody, while it is audible, or the accompaniment): not the singer.
            const bool leftover = res * std::pow(10.0, kLeftoverDb / 10.0) < rem ||
                                  res < leak * std::pow(10.0, kLeakMarginDb / 10.0);
            if (leftover && explainedByOutput(captured, f.midi)) {
                PitchFrame g = f;
                g.voiced = false;
                g.hz = g.midi = 0;
                handleFrame(g, t, listener);
                return;
            }
        }
        handleFrame(f, t, listener);
    });
}

void VoiceScoring::handleFrame(const PitchFrame& f, double t, VoiceListener& listener) {
    listener.frame(f, t);
    ScoreFrame s;
    s.time = t;
    s.midi = f.midi;
    s.levelDb = f.levelDb;
    s.voiced = f.voiced;
    s.evaluate = block_.evaluate;
    s.key = block_.key;
    scorer_.add(s, listener);
}

void VoiceScoring::analyse(const float* residual, const float* removed, double leakPerSample, std::size_t n,
                           VoiceListener& listener) {
    // Energies per hop, complete before the tracker reports the frame that ends with the hop.
    const int hop = tracker_.hop();
    while (n > 0) {
        const std::size_t take = std::min<std::size_t>(n, std::size_t(hop - accCount_));
        for (std::size_t i = 0; i < take; ++i) {
            accResidual_ += double(residual[i]) * residual[i];
            accRemoved_ += double(removed[i]) * removed[i];
        }
        accLeak_ += leakPerSample * double(take);
        accCount_ += int(take);
        if (accCount_ == hop) {
            const std::size_t slot = std::size_t(hops_++ % hopResidual_.size());
            hopResidual_[slot] = accResidual_;
            hopRemoved_[slot] = accRemoved_;
            hopLeak_[slot] = accLeak_;
            accResidual_ = accRemoved_ = accLeak_ = 0;
            accCount_ = 0;
        }
        pushTracker(residual, take, listener);
        residual += take;
        removed += take;
        n -= take;
    }
}

void VoiceScoring::feed(const float* samples, const float* reference, std::size_t n, const VoiceBlock& block,
                        VoiceListener& listener) {
    begin(block);
    while (n > 0) {
        const std::size_t k = std::min(n, scratch_.size());
        for (std::size_t i = 0; i < k; ++i) scratch_[i] = asRecorded(samples[i]);
        const float* ref = nullptr;
        if (reference && echo_) {
            for (std::size_t i = 0; i < k; ++i) refScratch_[i] = asRecorded(reference[i]);
            ref = refScratch_.data();
            reference += k;
        }
        push(scratch_.data(), ref, k, listener);
        samples += k;
        n -= k;
    }
}

void VoiceScoring::feedSilence(std::size_t n, const VoiceBlock& block, VoiceListener& listener) {
    begin(block);
    std::fill(scratch_.begin(), scratch_.end(), 0.0f);
    while (n > 0) {
        const std::size_t k = std::min(n, scratch_.size());
        push(scratch_.data(), nullptr, k, listener);
        n -= k;
    }
}

void VoiceScoring::finish(VoiceListener& listener) { scorer_.finish(listener); }

} // namespace vokaran

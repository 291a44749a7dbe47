#include "scoring/Scorer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vokaran {
namespace {

constexpr double kPitchFalloffCents = 150;  // credit falls to 0 this far beyond the tolerance
constexpr double kOnsetFalloff = 0.25;      // seconds beyond the rhythm tolerance
constexpr double kLagBeyondTolerance = 0.1; // the pitch alignment looks this far past the rhythm tolerance
constexpr double kFullVoicedNote = 0.5;     // share of a note sung for full pitch credit
constexpr double kFullCoverage = 0.7;       // share of a word sung for full coverage credit
constexpr double kFullVoicedLine = 0.5;     // share of a line sung for full expression
constexpr double kAttack = 0.06;            // start of a note left out of its steadiness
constexpr double kSteadySemitones = 0.8;    // held pitch within this of the note's own median
constexpr double kOnsetJumpSemitones = 0.8;
constexpr double kSettledSemitones = 0.4;
constexpr double kOnsetRiseDb = 6;
constexpr double kDynamicsFloorDb = 2, kDynamicsSpanDb = 6;
constexpr std::size_t kLagWords = 9;        // words whose shifts make the voice's lag
constexpr double kConvincingMatch = 0.8;    // mean credit of the sung frames for a shift to count
constexpr double kHeldSemitones = 0.5;     // a voice moving less than this between notes held its pitch
constexpr double kJoinedNotes = 0.3;        // seconds between notes that are sung as one phrase
constexpr double kFullPitchForCredit = 0.8; // pitch share from which rhythm and expression count in full

// Rhythm and expression are credited in proportion to the pitch that earned them: full from
// 80 % pitch, none without pitch. Timing and shape of the wrong notes are worth nothing.
double pitchGate(double pitchShare) { return std::clamp(pitchShare / kFullPitchForCredit, 0.0, 1.0); }

double wrapCents(double c) {
    c = std::fmod(c + 600.0, 1200.0);
    if (c < 0) c += 1200.0;
    return c - 600.0;
}

int percent(double x) { return static_cast<int>(std::lround(std::clamp(x, 0.0, 1.0) * 100.0)); }

double median(std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

} // namespace

Scorer::Scorer(std::shared_ptr<const ScoreSong> song, const ScoreSettings& settings, double hopSeconds)
    : song_(std::move(song)),
      tolCents_(settings.pitchToleranceCents),
      rhythmTol_(settings.rhythmToleranceMs / 1000.0),
      hop_(hopSeconds),
      lagRange_(rhythmTol_ + kLagBeyondTolerance),
      onsetRange_(rhythmTol_ + kOnsetFalloff),
      results_(song_->words.size()),
      lineSums_(song_->lines.size()),
      lineDone_(song_->lines.size(), false),
      sungNote_(song_->notes.size(), 0.0f) {}

Scorer::Range Scorer::framesIn(double t0, double t1) const {
    auto cmp = [](const ScoreFrame& f, double t) { return f.time < t; };
    const auto a = std::lower_bound(frames_.begin(), frames_.end(), t0, cmp);
    const auto b = std::lower_bound(a, frames_.end(), t1, cmp);
    return {std::size_t(a - frames_.begin()), std::size_t(b - frames_.begin())};
}

std::size_t Scorer::nearestFrame(double t) const {
    const auto r = framesIn(t, t);
    std::size_t k = r.from;
    if (k == frames_.size()) return k - 1;
    if (k > 0 && t - frames_[k - 1].time <= frames_[k].time - t) return k - 1;
    return k;
}

double Scorer::centsOff(const ScoreFrame& f, int note) const {
    return wrapCents(100.0 * (double(f.midi) - double(note + f.key)));
}

double Scorer::credit(const ScoreFrame& f, int note) const {
    if (!f.voiced) return 0;
    const double off = std::abs(centsOff(f, note));
    return off <= tolCents_ ? 1.0 : std::max(0.0, 1.0 - (off - tolCents_) / kPitchFalloffCents);
}

bool Scorer::isOnset(std::size_t k) const {
    const auto& f = frames_;
    if (k + 2 >= f.size() || !f[k].voiced || !f[k + 1].voiced || !f[k + 2].voiced) return false;
    if (k == 0 || !f[k - 1].voiced) return true;  // the voice starts
    auto jump = [&](std::size_t j) {
        return j >= 2 && j + 2 < f.size() && f[j - 2].voiced && f[j - 1].voiced && f[j].voiced && f[j + 1].voiced &&
               f[j + 2].voiced && std::abs(f[j].midi - f[j - 2].midi) >= kOnsetJumpSemitones &&
               std::abs(f[j + 2].midi - f[j].midi) < kSettledSemitones;
    };
    auto rise = [&](std::size_t j) {
        return j >= 3 && f[j].voiced &&
               f[j].levelDb - std::min({f[j - 1].levelDb, f[j - 2].levelDb, f[j - 3].levelDb}) >= kOnsetRiseDb;
    };
    return (jump(k) && !jump(k - 1)) || (rise(k) && !rise(k - 1));  // the first frame of a new note
}

double Scorer::dueTime(const ScoreWord& w) const {
    return std::max(w.end + lagRange_, w.begin + onsetRange_ + 3 * hop_) + hop_;
}

void Scorer::add(const ScoreFrame& frame, ScoreSink& sink) {
    frames_.push_back(frame);
    const auto& words = song_->words;
    while (next_ < words.size() && frame.time >= dueTime(words[next_])) scoreWord(next_++, sink);
}

void Scorer::finish(ScoreSink& sink) {
    const double end = frames_.empty() ? -std::numeric_limits<double>::infinity() : frames_.back().time;
    const auto& words = song_->words;
    for (; next_ < words.size(); ++next_) {
        if (words[next_].begin >= end) break;
        scoreWord(next_, sink);
    }
    next_ = words.size();
    // Lines cut short by the end are scored with the words they got.
    for (std::size_t l = 0; l < lineSums_.size(); ++l)
        if (!lineDone_[l] && lineSums_[l].words > 0) scoreLine(l, sink);
}

void Scorer::scoreWord(std::size_t w, ScoreSink& sink) {
    const ScoreWord& W = song_->words[w];
    const bool lastOfLine = song_->lines[std::size_t(W.line)].lastWord == int(w);
    const bool evaluated = !frames_.empty() && frames_[nearestFrame(W.end)].evaluate;
    if (evaluated) {
        const ScoreNote* notes = song_->notes.data() + W.firstNote;
        auto noteAt = [&](double t) -> const ScoreNote* {
            for (int i = 0; i < W.noteCount; ++i)
                if (t >= notes[i].begin && t < notes[i].end) return notes + i;
            return nullptr;
        };

        // How late (or early) the voice sings this word: the shift that matches it best with
        // the guide notes, the smallest shift among equals.
        const int steps = static_cast<int>(std::floor(lagRange_ / hop_ + 1e-9));
        int bestStep = 0;
        double bestMatch = -1;
        std::size_t bestUnder = 0, bestSung = 0;
        for (int n = 0; n <= 2 * steps; ++n) {
            const int step = n == 0 ? 0 : (n % 2 ? -(n + 1) / 2 : n / 2);
            const double s = step * hop_;
            const auto r = framesIn(W.begin + s, W.end + s);
            double match = 0;
            std::size_t under = 0, sung = 0;
            for (std::size_t k = r.from; k < r.to; ++k)
                if (const ScoreNote* note = noteAt(frames_[k].time - s)) {
                    match += credit(frames_[k], note->note);
                    ++under;
                    sung += frames_[k].voiced;
                }
            if (match > bestMatch + 1e-9) {
                bestMatch = match;
                bestStep = step;
                bestUnder = under;
                bestSung = sung;
            }
        }
        // The voice's delay is a habit of the singer and the equipment, not of one word: the
        // lag applied is the median of the last words' best shifts, so a voice off the melody
        // cannot borrow a neighbouring note by shifting one word onto it.
        // Only a shift under which the word is mostly sung and what is sung mostly matches
        // counts as evidence.
        if (bestSung * 2 >= bestUnder && bestSung > 0 && bestMatch >= kConvincingMatch * double(bestSung)) {
            recentLags_.push_back(bestStep);
            if (recentLags_.size() > kLagWords) recentLags_.erase(recentLags_.begin());
        }
        std::vector<int> lags = recentLags_;
        std::nth_element(lags.begin(), lags.begin() + std::ptrdiff_t(lags.size() / 2), lags.end());
        const double lag = lags.empty() ? 0.0 : lags[lags.size() / 2] * hop_;

        // Pitch: per note, the median distance of the voiced frames to the note (any octave),
        // scaled down when less than half of the note was sung.
        double num = 0, den = 0;
        std::vector<double> offs, sung;
        for (int i = 0; i < W.noteCount; ++i) {
            const ScoreNote& n = notes[i];
            den += n.end - n.begin;
            auto r = framesIn(n.begin + lag, n.end + lag);
            if (r.from == r.to) {
                const std::size_t k = nearestFrame(0.5 * (n.begin + n.end) + lag);
                r = {k, k + 1};
            }
            offs.clear();
            sung.clear();
            for (std::size_t k = r.from; k < r.to; ++k)
                if (frames_[k].voiced) {
                    offs.push_back(centsOff(frames_[k], n.note));
                    sung.push_back(frames_[k].midi);
                }
            const std::size_t index = std::size_t(W.firstNote + i);
            if (offs.empty()) continue;
            sungNote_[index] = static_cast<float>(median(sung));
            const double voicedShare = double(offs.size()) / double(r.to - r.from);
            const double off = std::abs(median(offs));
            double c = off <= tolCents_ ? 1.0 : std::max(0.0, 1.0 - (off - tolCents_) / kPitchFalloffCents);
            // Where the melody steps from the previous note and the voice stays where it was,
            // the voice did not sing this note: holding one pitch over a moving melody earns
            // only the notes that really repeat.
            const int before = previousNote(w, i);
            if (before >= 0 && sungNote_[std::size_t(before)] > 0) {
                const int step = n.note - song_->notes[std::size_t(before)].note;
                const double moved = wrapCents(100.0 * (sungNote_[index] - sungNote_[std::size_t(before)])) / 100.0;
                if (std::abs(step) >= 1 && std::abs(moved) < kHeldSemitones) c = 0;
            }
            num += c * std::min(1.0, voicedShare / kFullVoicedNote) * (n.end - n.begin);
        }
        const int pitch = den > 0 ? percent(num / den) : 0;

        // Rhythm: the onset nearest the word's begin, and how much of the word was sung.
        double bestErr = std::numeric_limits<double>::infinity();
        const auto around = framesIn(W.begin - onsetRange_, W.begin + onsetRange_);
        for (std::size_t k = around.from; k < around.to; ++k)
            if (isOnset(k)) bestErr = std::min(bestErr, std::abs(frames_[k].time - W.begin));
        double onset;
        if (std::isfinite(bestErr))
            onset = bestErr <= rhythmTol_ ? 1.0 : std::max(0.0, 1.0 - (bestErr - rhythmTol_) / kOnsetFalloff);
        else
            onset = frames_[nearestFrame(W.begin)].voiced ? 0.5 : 0.0;  // sung through without a new start
        auto r = framesIn(W.begin, W.end);
        if (r.from == r.to) {
            const std::size_t k = nearestFrame(0.5 * (W.begin + W.end));
            r = {k, k + 1};
        }
        std::size_t voiced = 0;
        for (std::size_t k = r.from; k < r.to; ++k) voiced += frames_[k].voiced;
        const double coverage = std::min(1.0, double(voiced) / double(r.to - r.from) / kFullCoverage);
        const int rhythm = percent((0.6 * onset + 0.4 * coverage) * pitchGate(pitch / 100.0));

        results_[w] = {true, pitch, rhythm, lag};
        auto& sum = lineSums_[std::size_t(W.line)];
        sum.pitch += pitch;
        sum.rhythm += rhythm;
        ++sum.words;
        pitchSum_ += pitch;
        rhythmSum_ += rhythm;
        ++totals_.words;
        updateTotals();
        sink.word({int(w), W.line, pitch, rhythm, lag}, totals_);
    }
    if (lastOfLine && lineSums_[std::size_t(W.line)].words > 0) scoreLine(std::size_t(W.line), sink);
}

int Scorer::previousNote(std::size_t w, int i) const {
    const ScoreWord& W = song_->words[w];
    if (i > 0) return W.firstNote + i - 1;
    if (w == 0) return -1;
    const ScoreWord& P = song_->words[w - 1];
    if (P.part != W.part || P.noteCount == 0) return -1;
    const int last = P.firstNote + P.noteCount - 1;
    const ScoreNote& n = song_->notes[std::size_t(W.firstNote)];
    const double gap = n.begin - song_->notes[std::size_t(last)].end;
    return gap <= kJoinedNotes ? last : -1;
}

void Scorer::scoreLine(std::size_t l, ScoreSink& sink) {
    lineDone_[l] = true;
    const ScoreLine& L = song_->lines[l];
    std::size_t frames = 0, voiced = 0, steadyFrames = 0, steady = 0;
    std::vector<double> levels, held;
    int found = 0;
    for (int w = L.lastWord; w >= 0 && found < L.wordCount; --w) {
        const ScoreWord& W = song_->words[std::size_t(w)];
        if (W.line != int(l)) continue;
        ++found;
        const WordResult& res = results_[std::size_t(w)];
        if (!res.scored) continue;
        const auto r = framesIn(W.begin + res.lag, W.end + res.lag);
        frames += r.to - r.from;
        for (std::size_t k = r.from; k < r.to; ++k)
            if (frames_[k].voiced) {
                ++voiced;
                levels.push_back(frames_[k].levelDb);
            }
        // Steadiness: the held part of each note stays near the note's own median pitch
        // (vibrato included); glides into the note are left out.
        for (int i = 0; i < W.noteCount; ++i) {
            const ScoreNote& n = song_->notes[std::size_t(W.firstNote + i)];
            const double skip = n.end - n.begin >= 2 * kAttack ? kAttack : 0.0;
            const auto h = framesIn(n.begin + skip + res.lag, n.end + res.lag);
            held.clear();
            for (std::size_t k = h.from; k < h.to; ++k)
                if (frames_[k].voiced) held.push_back(frames_[k].midi);
            if (held.empty()) continue;
            std::vector<double> sorted = held;
            const double m = median(sorted);
            for (double p : held) steady += std::abs(p - m) <= kSteadySemitones;
            steadyFrames += held.size();
        }
    }
    const double gate = frames ? std::min(1.0, double(voiced) / double(frames) / kFullVoicedLine) : 0.0;
    const double steadiness = steadyFrames ? double(steady) / double(steadyFrames) : 0.0;
    double dynamics = 0;
    if (levels.size() >= 2) {
        std::sort(levels.begin(), levels.end());
        const double n1 = double(levels.size() - 1);
        const double range = levels[std::size_t(std::lround(0.9 * n1))] - levels[std::size_t(std::lround(0.1 * n1))];
        dynamics = std::clamp((range - kDynamicsFloorDb) / kDynamicsSpanDb, 0.0, 1.0);
    }
    const auto& sum = lineSums_[l];
    LineScore score;
    score.line = int(l);
    score.pitch = static_cast<int>(std::lround(double(sum.pitch) / sum.words));
    score.rhythm = static_cast<int>(std::lround(double(sum.rhythm) / sum.words));
    score.expression = percent(gate * (0.6 * steadiness + 0.4 * dynamics) * pitchGate(sum.pitch / 100.0 / sum.words));
    expressionSum_ += score.expression;
    ++totals_.lines;
    updateTotals();
    sink.line(score, totals_);
}

void Scorer::resetTotals() {
    pitchSum_ = rhythmSum_ = expressionSum_ = 0;
    totals_ = ScoreTotals{};
    std::fill(lineSums_.begin(), lineSums_.end(), LineSum{});
}

void Scorer::updateTotals() {
    if (totals_.words == 0) return;
    const double p = double(pitchSum_) / totals_.words;
    const double r = double(rhythmSum_) / totals_.words;
    const double e = totals_.lines ? double(expressionSum_) / totals_.lines : 0.0;
    totals_.pitch = static_cast<int>(std::lround(p));
    totals_.rhythm = static_cast<int>(std::lround(r));
    totals_.expression = static_cast<int>(std::lround(e));
    totals_.total = static_cast<int>(std::lround(0.6 * p + 0.2 * r + 0.2 * e));
}

} // namespace vokaran

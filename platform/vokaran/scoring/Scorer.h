#pragma once
// Contest scoring of a performance: pitch and rhythm per word, expression per line, running
// totals. Fed with the voice's analysis frames in time order; a word is scored once the frames
// it needs have arrived, strictly in the order of ScoreSong::words, and each line right after
// its last word. The results depend only on the frames: the live engine and a tool scoring the
// recording get the same numbers. docs/scoring.md is the model of record.
//
// Threads: one thread at a time (the engine's analysis thread, or a tool).
#include "scoring/ScoreModel.h"

#include <memory>
#include <vector>

namespace vokaran {

struct ScoreSettings {
    int pitchToleranceCents = 50;  // full pitch credit within this distance of the note
    int rhythmToleranceMs = 150;   // full onset credit within this distance of the word's begin
};

// One analysis frame, placed at the score time of its centre.
struct ScoreFrame {
    double time = 0;        // score seconds
    float midi = 0;         // sung pitch as a fractional MIDI number; meaningful when voiced
    float levelDb = -120;
    bool voiced = false;
    bool evaluate = true;   // scoring was switched on for this frame
    int key = 0;            // the accompaniment's key shift when it was sung
};

struct WordScore {
    int word = 0;           // index into ScoreSong::words
    int line = 0;
    int pitch = 0;          // 0..100
    int rhythm = 0;         // 0..100
    double lag = 0;         // seconds the voice was found late (+) or early (-)
};

struct LineScore {
    int line = 0;
    int pitch = 0;          // mean of its words
    int rhythm = 0;
    int expression = 0;     // dynamics and steadiness, 0..100
};

struct ScoreTotals {
    int words = 0;          // words scored so far
    int lines = 0;
    int pitch = 0;          // means so far, 0..100
    int rhythm = 0;
    int expression = 0;     // running expression: mean of the lines so far
    int total = 0;
};

class ScoreSink {
public:
    virtual ~ScoreSink() = default;
    virtual void word(const WordScore&, const ScoreTotals&) {}
    virtual void line(const LineScore&, const ScoreTotals&) {}
};

class Scorer {
public:
    Scorer(std::shared_ptr<const ScoreSong> song, const ScoreSettings& settings, double hopSeconds);

    // Frames in increasing time. Scores every word that has become due.
    void add(const ScoreFrame& frame, ScoreSink& sink);
    // The performance is over: scores the words begun before its end, drops the rest.
    void finish(ScoreSink& sink);

    const ScoreTotals& totals() const { return totals_; }
    // Starts the totals afresh (contest mode switched on again); words keep their order.
    void resetTotals();
    const ScoreSong& song() const { return *song_; }
    // Seconds after a word's end by which its score is known.
    double latency() const { return lagRange_ + hop_; }

private:
    struct Range { std::size_t from, to; };
    Range framesIn(double t0, double t1) const;
    std::size_t nearestFrame(double t) const;
    double credit(const ScoreFrame& f, int note) const;
    double centsOff(const ScoreFrame& f, int note) const;
    bool isOnset(std::size_t k) const;
    double dueTime(const ScoreWord& w) const;
    void scoreWord(std::size_t w, ScoreSink& sink);
    void scoreLine(std::size_t l, ScoreSink& sink);
    // The guide note sung just before note i of word w in the same phrase, or -1.
    int previousNote(std::size_t w, int i) const;
    void updateTotals();

    std::shared_ptr<const ScoreSong> song_;
    double tolCents_, rhythmTol_, hop_;
    double lagRange_;    // how far the voice may be shifted against the guide for pitch
    double onsetRange_;  // how far from a word's begin its onset is looked for
    std::vector<ScoreFrame> frames_;
    std::size_t next_ = 0;  // next word to score
    struct WordResult { bool scored = false; int pitch = 0, rhythm = 0; double lag = 0; };
    std::vector<WordResult> results_;
    struct LineSum { int pitch = 0, rhythm = 0, words = 0; };
    std::vector<LineSum> lineSums_;
    std::vector<bool> lineDone_;
    std::vector<float> sungNote_;  // median pitch sung on each guide note (0: not sung or not scored yet)
    std::vector<int> recentLags_;  // best shifts (in hops) of the last words scored
    long long pitchSum_ = 0, rhythmSum_ = 0, expressionSum_ = 0;
    ScoreTotals totals_;
};

} // namespace vokaran

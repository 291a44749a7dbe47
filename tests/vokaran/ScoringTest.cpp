// Contest scoring of synthetic voices against a melody: a voice that follows the melody scores
// high, in any octave; a voice a few semitones off, silence and noise score low; a late voice
// loses rhythm but keeps its pitch. Words and lines are reported once each, in order.
#include "VoiceSynth.h"

#include "scoring/ScoreModel.h"
#include "scoring/VoiceScoring.h"

#include <limits>

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;

struct Recorder : VoiceListener {
    std::vector<WordScore> words;
    std::vector<LineScore> lines;
    std::vector<std::pair<char, int>> order;  // 'w' / 'l' with the index
    void word(const WordScore& w, const ScoreTotals&) override { words.push_back(w); order.push_back({'w', w.word}); }
    void line(const LineScore& l, const ScoreTotals&) override { lines.push_back(l); order.push_back({'l', l.line}); }
};

struct Result {
    ScoreTotals totals;
    Recorder events;
};

Result score(const SongData& songData, const std::vector<float>& samples, int key = 0, std::size_t chunk = 512,
             int micDelay = 0) {
    auto song = buildScoreSong(songData);
    VoiceScoring vs(kRate, 512, ScoreSettings{}, song);
    vs.setMicDelay(micDelay);
    Result r;
    VoiceBlock block;
    block.key = key;
    for (std::size_t at = 0; at < samples.size(); at += chunk)
        vs.feed(samples.data() + at, std::min(chunk, samples.size() - at), block, r.events);
    vs.finish(r.events);
    r.totals = vs.totals();
    return r;
}

double songSeconds(const SongData& s) { return double(s.songEnd) / kEngineTicksPerSecond; }

struct Voices {
    SongData song;
    std::vector<SungNote> melody;
    Result sing(const VoiceStyle& style, int key = 0, int micDelay = 0) const {
        return score(song, singVoice(melody, songSeconds(song), style).samples, key, 512, micDelay);
    }
};

const Voices& voices() {
    static const Voices v = [] {
        Voices x;
        x.song = melodySong(&x.melody);
        return x;
    }();
    return v;
}

// The reference: a voice on the melody, on time, with vibrato and a little noise.
const Result& inTune() {
    static const Result r = voices().sing(VoiceStyle{});
    return r;
}

} // namespace

TEST(Scoring, VoiceFollowingTheMelodyScoresHigh) {
    const auto& r = inTune();
    EXPECT_EQ(r.totals.words, 20);
    EXPECT_EQ(r.totals.lines, 3);
    EXPECT_GE(r.totals.pitch, 95);
    EXPECT_GE(r.totals.rhythm, 90);
    EXPECT_GE(r.totals.expression, 70);
    EXPECT_GE(r.totals.total, 88);
    for (const auto& w : r.events.words) EXPECT_LT(std::abs(w.lag), 0.05) << w.word;
}

// Octave-independent pitch: singing an octave down earns the same pitch score.
TEST(Scoring, OctaveDownKeepsThePitchScore) {
    VoiceStyle down;
    down.transpose = -12;
    const auto r = voices().sing(down);
    EXPECT_NEAR(r.totals.pitch, inTune().totals.pitch, 2);
    EXPECT_NEAR(r.totals.total, inTune().totals.total, 3);
}

struct Off { double semitones; int maxPitch; };
class OffKey : public ::testing::TestWithParam<Off> {};

// A voice that keeps a wrong distance to the melody loses the pitch score; a small slip only
// part of it.
TEST_P(OffKey, PitchFallsWithTheDistance) {
    VoiceStyle off;
    off.transpose = GetParam().semitones;
    const auto r = voices().sing(off);
    EXPECT_LE(r.totals.pitch, GetParam().maxPitch);
    EXPECT_LT(r.totals.total, inTune().totals.total);
    if (std::abs(GetParam().semitones) >= 2) {
        EXPECT_LE(r.totals.total, 45);
    }
}

INSTANTIATE_TEST_SUITE_P(Distances, OffKey,
    ::testing::Values(Off{3, 10}, Off{-3, 10}, Off{2, 20}, Off{5, 10}, Off{1, 75}));

// Rhythm and expression count only where the pitch earns some: one held note over every
// word, or a random note of the song's range per word, earns little beyond the words it hits
// by chance; the timing of wrong notes is worth nothing.
TEST(Scoring, HeldNoteAndGuessesEarnLittle) {
    const auto& v = voices();
    auto held = v.melody, guessed = v.melody;
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> pick(60, 72);
    for (auto& n : held) n.midi = 65;
    for (auto& n : guessed) n.midi = pick(rng);
    for (const auto& [notes, most] : {std::pair{held, 25}, std::pair{guessed, 30}}) {
        const auto r = score(v.song, singVoice(notes, songSeconds(v.song), VoiceStyle{}).samples);
        EXPECT_LE(r.totals.total, most);
        EXPECT_LE(r.totals.rhythm, r.totals.pitch + 10);
        EXPECT_LE(r.totals.expression, r.totals.pitch + 10);
        for (const auto& w : r.events.words) EXPECT_TRUE(w.pitch > 0 || w.rhythm == 0) << w.word;
    }
    // Off the melody by 3 semitones throughout: no pitch, so nothing else either.
    VoiceStyle off;
    off.transpose = 3;
    EXPECT_LE(v.sing(off).totals.total, 5);
}

// The accompaniment was transposed: the singer follows the key shift and is scored against it.
TEST(Scoring, KeyShiftMovesTheTarget) {
    VoiceStyle up;
    up.transpose = 3;
    EXPECT_GE(voices().sing(up, 3).totals.pitch, 95);
    EXPECT_LE(voices().sing(VoiceStyle{}, 3).totals.pitch, 10);
}

// 200 ms behind the melody: the rhythm score drops, the pitch score does not.
TEST(Scoring, LateVoiceLosesRhythmButNotPitch) {
    VoiceStyle late;
    late.late = 0.2;
    const auto r = voices().sing(late);
    EXPECT_NEAR(r.totals.pitch, inTune().totals.pitch, 3);
    EXPECT_LE(r.totals.rhythm, inTune().totals.rhythm - 5);
    for (const auto& w : r.events.words) EXPECT_NEAR(w.lag, 0.2, 0.05) << w.word;
}

// Catches a measured microphone delay that scoring ignores (or applies the wrong way): a voice
// that reaches the engine 200 ms late through the devices scores as if on time.
TEST(Scoring, TheMicrophonesDelayIsTakenOffTheVoice) {
    VoiceStyle late;
    late.late = 0.2;
    const auto r = voices().sing(late, 0, static_cast<int>(0.2 * kRate));
    EXPECT_NEAR(r.totals.pitch, inTune().totals.pitch, 3);
    EXPECT_NEAR(r.totals.rhythm, inTune().totals.rhythm, 3);
    for (const auto& w : r.events.words) EXPECT_NEAR(w.lag, 0.0, 0.05) << w.word;
}

// Nothing sung, or only noise in the microphone: no points.
TEST(Scoring, SilenceAndNoiseScoreNothing) {
    const auto& v = voices();
    const std::vector<float> silence(std::size_t(songSeconds(v.song) * kRate), 0.0f);
    const auto quiet = score(v.song, silence);
    EXPECT_EQ(quiet.totals.words, 20);
    EXPECT_EQ(quiet.totals.total, 0);
    EXPECT_EQ(quiet.totals.expression, 0);

    std::vector<float> noise = silence;
    std::mt19937 rng(11);
    std::normal_distribution<float> g(0.0f, 0.1f);
    for (auto& x : noise) x = g(rng) + 0.2f;  // hiss on a DC offset
    const auto noisy = score(v.song, noise);
    EXPECT_LE(noisy.totals.total, 3);
    EXPECT_LE(noisy.totals.pitch, 3);
}

// Each word is reported once, in singing order, and each line right after its last word.
TEST(Scoring, WordsAndLinesReportedOnceInOrder) {
    const auto& r = inTune();
    const auto song = buildScoreSong(voices().song);
    ASSERT_EQ(r.events.order.size(), song->words.size() + song->lines.size());
    int nextWord = 0, nextLine = 0;
    for (const auto& [kind, index] : r.events.order) {
        if (kind == 'w') {
            EXPECT_EQ(index, nextWord++);
        } else {
            EXPECT_EQ(index, nextLine++);
            EXPECT_EQ(song->lines[std::size_t(index)].lastWord, nextWord - 1);
        }
    }
}

// The same samples give the same scores whatever the block sizes (live capture and a file).
TEST(Scoring, ScoresDoNotDependOnBlockSizes) {
    const auto& v = voices();
    VoiceStyle style;
    style.late = 0.07;
    const auto samples = singVoice(v.melody, songSeconds(v.song), style).samples;
    const auto a = score(v.song, samples, 0, 512), b = score(v.song, samples, 0, 333);
    ASSERT_EQ(a.events.words.size(), b.events.words.size());
    for (std::size_t i = 0; i < a.events.words.size(); ++i) {
        EXPECT_EQ(a.events.words[i].pitch, b.events.words[i].pitch);
        EXPECT_EQ(a.events.words[i].rhythm, b.events.words[i].rhythm);
    }
    EXPECT_EQ(a.totals.total, b.totals.total);
    EXPECT_EQ(a.totals.expression, b.totals.expression);
}

namespace {

SongData rangeSong(int low, int high, int voiceType) {
    SongData s;
    MidiBuilder m;
    m.note(0, 0.1, 0.5, low).note(0, 0.5, 0.9, high);
    s.midi = m.bytes();
    s.songEnd = et(1.0);
    SongPart p;
    p.voiceType = voiceType;
    p.lines.push_back({u"高低", false, 1, et(0.1), et(0.9)});
    p.words.push_back({et(0.1), et(0.5), 0, 0, u"高", u"gao"});
    p.words.push_back({et(0.5), et(0.9), 0, 1, u"低", u"di"});
    p.notes.push_back({et(0.1), et(0.5), low, {0, 0, 96, 1}});
    p.notes.push_back({et(0.5), et(0.9), high, {1, 0, 96, 1}});
    s.parts.push_back(p);
    return s;
}

} // namespace

// Whatever the song's range, the fitted melody sits on the singer's middle in some octave,
// within -6..6; a man and a woman of the same level get different keys.
TEST(KeyFitting, MelodyLandsOnTheSingersMiddle) {
    for (int low = 45; low <= 72; low += 5) {
        const auto song = buildScoreSong(rangeSong(low, low + 12, 1));
        for (int level = 1; level <= 5; ++level)
            for (bool male : {true, false}) {
                const int k = fitKey(*song, level, male);
                ASSERT_GE(k, -6);
                ASSERT_LE(k, 6);
                const double centre = low + 6 + k;
                const double apart = std::fmod(std::abs(centre - singerCentre(level, male)), 12.0);
                EXPECT_LE(std::min(apart, 12 - apart), 0.5) << low << " " << level << " " << male;
            }
    }
    const auto female = buildScoreSong(rangeSong(65, 77, 2));
    EXPECT_EQ(fitKey(*female, 3, true), -3);  // a man sings it an octave down, 3 lower
    EXPECT_NE(fitKey(*female, 3, false), fitKey(*female, 3, true));
    EXPECT_EQ(fitKey(ScoreSong{}, 3, true), 0);  // no notes: the song's key
}

// Repeated notes: a voice holding one pitch earns the notes that really repeat it and none of
// those the melody steps to; a voice on the melody earns them all.
TEST(Scoring, HeldPitchEarnsOnlyRepeatedNotes) {
    const int melody[] = {60, 60, 64, 64, 60};
    SongData s;
    MidiBuilder m;
    SongPart p;
    std::vector<SungNote> sung, held;
    for (int i = 0; i < 5; ++i) {
        const double b = 0.5 + 0.5 * i, e = b + 0.5;
        m.note(0, b, e, melody[i]);
        p.words.push_back({et(b), et(e), 0, i, u"啦", u"la"});
        p.notes.push_back({et(b), et(e), melody[i], {i, 0, 96, 1}});
        sung.push_back({b, e, double(melody[i])});
        held.push_back({b, e, 60.0});
    }
    p.lines.push_back({u"啦啦啦啦啦", false, 1, et(0.5), et(3.0)});
    s.parts.push_back(p);
    s.midi = m.bytes();
    s.songEnd = et(3.5);
    VoiceStyle style;
    style.gap = 0.02;
    const auto onMelody = score(s, singVoice(sung, 3.5, style).samples);
    ASSERT_EQ(onMelody.events.words.size(), 5u);
    for (const auto& w : onMelody.events.words) EXPECT_GE(w.pitch, 90) << w.word;
    const auto holding = score(s, singVoice(held, 3.5, style).samples);
    ASSERT_EQ(holding.events.words.size(), 5u);
    const int expected[] = {100, 100, 0, 0, 0};  // the last 60 follows a step down from 64
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(holding.events.words[std::size_t(i)].pitch, expected[i], 10) << i;
}

// Where both parts sing at once only part 1 is scored; part 2's own lines (a duet's answer)
// are scored too, in time order with part 1's.
TEST(ScoreModel, OverlappingPartsAreScoredOnce) {
    SongData s = rangeSong(60, 64, 1);  // part 1: two words 0.1..0.9 in one line
    SongPart p2;
    p2.number = 2;
    p2.voiceType = 2;
    p2.lines.push_back({u"和", false, 2, et(0.3), et(0.6)});
    p2.lines.push_back({u"答", false, 2, et(1.0), et(1.4)});
    p2.words.push_back({et(0.3), et(0.6), 0, 0, u"和", u"he"});   // sung with part 1
    p2.words.push_back({et(1.0), et(1.4), 1, 0, u"答", u"da"});   // alone
    p2.notes.push_back({et(0.3), et(0.6), 67, {0, 0, 96, 1}});
    p2.notes.push_back({et(1.0), et(1.4), 69, {1, 1, 96, 1}});
    s.parts.push_back(p2);
    const auto song = buildScoreSong(s);
    ASSERT_EQ(song->words.size(), 3u);
    EXPECT_EQ(song->words[2].part, 2);
    EXPECT_EQ(song->lines.size(), 2u);
    EXPECT_EQ(song->lines[1].lastWord, 2);
    EXPECT_EQ(song->highNote, 69);
}

// Words shorter than an analysis step are still scored, in order, without harm; a word
// without a length is left out as the lyrics model leaves it out.
TEST(Scoring, VeryShortWords) {
    SongData s = rangeSong(60, 64, 1);
    auto& p = s.parts[0];
    p.words.push_back({et(0.9), et(0.905), 0, 2, u"短", u"duan"});
    p.notes.push_back({et(0.9), et(0.905), 64, {2, 0, 96, 1}});
    p.words.push_back({et(0.905), et(0.905), 0, 3, u"零", u"ling"});
    p.words.push_back({et(0.92), et(0.94), 0, 4, u"快", u"kuai"});
    p.notes.push_back({et(0.92), et(0.94), 67, {4, 0, 96, 1}});
    VoiceStyle style;
    const auto voice = singVoice({{0.1, 0.5, 60}, {0.5, 0.905, 64}, {0.92, 1.2, 67}}, 1.5, style);
    const auto r = score(s, voice.samples);
    ASSERT_EQ(r.events.words.size(), 4u);
    EXPECT_GE(r.events.words[0].pitch, 90);
    EXPECT_GE(r.events.words[1].pitch, 90);
    for (const auto& w : r.events.words) {
        EXPECT_GE(w.pitch, 0);
        EXPECT_LE(w.rhythm, 100);
    }
}

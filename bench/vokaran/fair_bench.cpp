// Fair contest scoring: the totals of a judge's cases (synthetic singers, silence, the song
// leaking from the speakers into the microphone) and what the analysis costs, in one run.
//   vokaran_fair_bench [--before VOKARAN-SCORE [--before-music]] [--keep DIR] [SONG.mic ...]
// --keep DIR keeps the microphone of each case (caseN.wav) and the output (music.wav,
// music-guide-off.wav) for vokaran-score --music.
// Columns: "before" is a previous vokaran-score run on the same microphone files (given with
// --before, e.g. one built from an older commit; with --before-music it is given the output
// as its reference too); "no ref" is this build without the echo
// reference (the pitch-gated model alone); "after" is this build as the engine scores live,
// with the output as the echo reference. The CPU line compares the analysis with and without
// cancellation on the same case, as shares of one core (ratios measured in the same run).
#include "core/EngineCore.h"
#include "core/EngineData.h"
#include "core/Pcm.h"
#include "core/Recorder.h"
#include "core/SongPlayer.h"
#include "core/Synth.h"
#include "core/Wav.h"
#include "scoring/LiveScoring.h"
#include "scoring/ScoreModel.h"
#include "scoring/VoiceScoring.h"
#include "song/SongFile.h"
#include "voice/SyntheticVoice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace vokaran;

namespace {

constexpr int kBlock = 512;
// The singers shape their lines: each line swells from this many dB below the voice's level at
// its ends to the level in its middle, as singers do (no one sings every note at one level).
constexpr double kPhraseDb = 4;

double threadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The output as the recorder keeps it (16-bit stereo), rendered from the song's start.
std::vector<std::int16_t> render(const EngineData& d, const SongData& song, int melodyVolume) {
    std::string err;
    EngineCore core(createFluidSynth(d, err), d);
    core.setMelodyVolume(melodyVolume);
    core.play(prepareSong(song, 0, err));
    std::vector<float> out(2 * kBlock), in(kBlock, 0.0f);
    std::vector<std::int16_t> music;
    while (true) {
        core.process(out.data(), in.data(), kBlock);
        for (float x : out) music.push_back(toPcm16(x));
        if (core.playState() == PlayState::Stopped) break;
    }
    return music;
}

std::vector<float> mono(const std::vector<std::int16_t>& stereo) {
    std::vector<float> m(stereo.size() / 2);
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = 0.5f * (fromPcm16(stereo[2 * i]) + fromPcm16(stereo[2 * i + 1]));
    return m;
}

struct Scores {
    int total = 0, pitch = 0, rhythm = 0, expression = 0;
    double removedDb = -120, cancelled = 0, failSafe = 0, quality = 0;  // echo removed against the microphone; shares of frames
    int delay = 0;
};

struct Quiet : VoiceListener {};

Scores scoreIt(const EngineData& d, const SongData& song, const std::vector<float>& mic, const std::vector<float>* ref,
               bool guide, int delay, double* cpu = nullptr) {
    VoiceScoring vs(d.sampleRate, d.scoreFrameHop, ScoreSettings{d.pitchToleranceCents, d.rhythmToleranceMs},
                    buildScoreSong(song));
    if (ref) vs.enableEchoCancellation(delay);
    Quiet q;
    VoiceBlock block;
    block.guide = guide;
    const double t0 = threadCpu();
    for (std::size_t at = 0; at < mic.size(); at += kBlock) {
        const std::size_t n = std::min<std::size_t>(kBlock, mic.size() - at);
        const float* r = ref && at + n <= ref->size() ? ref->data() + at : nullptr;
        vs.feed(mic.data() + at, r, n, block, q);
    }
    vs.finish(q);
    if (cpu) *cpu = threadCpu() - t0;
    const auto& t = vs.totals();
    Scores s{t.total, t.pitch, t.rhythm, t.expression};
    if (const EchoCanceller* e = vs.echoCanceller()) {
        const double frames = double(mic.size()) / EchoCanceller::kFrame;
        s.removedDb = e->micEnergy() > 0 ? 10 * std::log10(std::max(1e-12, e->removedEnergy() / e->micEnergy())) : -120;
        s.cancelled = double(e->cancelledFrames()) / frames;
        s.quality = e->bestPeakQuality();
        s.delay = e->leakFound() ? e->leakDelay() : -1;
        s.failSafe = double(e->failSafeFrames()) / frames;
    }
    return s;
}

double processCpu() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The whole engine without a device: plays the song, records it, scores the microphone live
// (the leak found and cancelled) and monitors it. Process CPU seconds per second of audio.
double engineCpu(const EngineData& d, const SongData& song, const std::vector<float>& mic) {
    std::string err;
    EngineCore core(createFluidSynth(d, err), d);
    auto prepared = prepareSong(song, 0, err);
    ScoreBoard board;
    LiveScoring scoring(d.sampleRate, d, board);
    scoring.setMicOn(true);
    scoring.setContestMode(true);
    scoring.setEvaluating(true);
    scoring.setSong(core.generation() + 1, buildScoreSong(song));
    core.attachAnalysis(&scoring);
    core.effects().setMonitoring(true);
    const auto tmp = std::filesystem::temp_directory_path() / "vokaran-fair-bench-engine";
    std::filesystem::create_directories(tmp);
    auto rec = Recorder::start((tmp / "v.pcm").string(), (tmp / "m.pcm").string(), false, d.sampleRate, err);
    core.attachRecorder(rec.get());
    std::vector<float> out(2 * std::size_t(d.bufferFrames));
    const double c0 = processCpu();
    core.play(prepared);
    const auto frames = std::size_t(d.bufferFrames);
    for (std::size_t at = 0; at + frames <= mic.size(); at += frames) {
        while (!core.canRunAhead()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        core.process(out.data(), mic.data() + at, d.bufferFrames);
    }
    scoring.settle(std::chrono::seconds(30));
    core.detachRecorder();
    rec->finish(err);
    const double cpu = processCpu() - c0;
    core.detachAnalysis();
    std::filesystem::remove_all(tmp);
    return cpu / (double(mic.size()) / d.sampleRate);
}

int runBefore(const std::string& tool, const std::string& data, const std::string& song, const std::string& wav,
              const std::string& music, bool guide) {
    std::string cmd = "'" + tool + "' --data '" + data + "' ";
    if (!music.empty()) cmd += "--music '" + music + "' --guide " + (guide ? "1 " : "0 ");
    cmd += "'" + song + "' '" + wav + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char line[256];
    int total = -1;
    while (std::fgets(line, sizeof line, p))
        if (std::sscanf(line, "total %d", &total) == 1) {}
    pclose(p);
    return total;
}

void writeWav(const std::string& path, const std::vector<float>& x, int rate) {
    std::vector<std::int16_t> pcm(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) pcm[i] = toPcm16(x[i]);
    WavWriter w;
    std::string err;
    if (!w.open(path, rate, 1, err) || !w.write(pcm.data(), pcm.size()) || !w.close(err))
        std::fprintf(stderr, "%s: %s\n", path.c_str(), err.c_str());
}

enum class Singer { Melody, OtherVoice, Guesser, Lazy, Silent };

struct Case {
    const char* name;
    Singer singer = Singer::Melody;
    double transpose = 0, late = 0;
    double leakDb = -std::numeric_limits<double>::infinity();  // -inf: headphones
    bool guide = true;
    double extraDelay = 0.01;  // seconds the leak arrives after the device latency
    const char* goal = "";
    // Microphone and speakers on two clocks: the leak's delay drifts by this many parts per
    // million of the time played, or jumps by a block (512 samples) back and forth this often
    // (seconds; a capture ring that skips or repeats a block).
    double driftPpm = 0;
    double jumpEvery = 0;
    double secondSingerDb = -std::numeric_limits<double>::infinity();  // someone beside, 5 semitones down
};

// The output arriving at the microphone `delay(i)` samples late (linear interpolation).
template <typename Delay>
void addLeak(std::vector<float>& mic, const std::vector<float>& ref, float gain, Delay delay) {
    for (std::size_t i = 0; i < mic.size(); ++i) {
        const double at = double(i) - delay(i);
        if (at < 0) continue;
        const auto k = std::size_t(at);
        const double f = at - double(k);
        const double x = (1 - f) * ref[std::min(k, ref.size() - 1)] + f * ref[std::min(k + 1, ref.size() - 1)];
        mic[i] = std::clamp(mic[i] + gain * float(x), -1.0f, 1.0f);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string root = VK_BENCH_BUILD_DIR;
    const std::string dataPath = root + "/dist/PKData/RadeZuz76e.sdc";
    std::string before, keep;
    bool beforeMusic = false;  // the previous build takes the music as its reference too
    std::vector<std::string> songs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--before" && i + 1 < argc) before = argv[++i];
        else if (a == "--keep" && i + 1 < argc) keep = argv[++i];
        else if (a == "--before-music") beforeMusic = true;
        else songs.push_back(a);
    }
    if (songs.empty()) songs.push_back(root + "/songs/molihua.mic");
    const auto loaded = loadEngineData(dataPath);
    if (!loaded.ok) { std::fprintf(stderr, "%s\n", loaded.error.c_str()); return 1; }
    const EngineData& d = loaded.data;
    const auto dir = keep.empty() ? std::filesystem::temp_directory_path() / "vokaran-fair-bench" : std::filesystem::path(keep);
    std::filesystem::create_directories(dir);

    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {"in tune", Singer::Melody, 0, 0, -inf, true, 0.01, ">= 95"},
        {"the other voice's octave", Singer::OtherVoice, 0, 0, -inf, true, 0.01, ">= 92"},
        {"40 cents flat", Singer::Melody, -0.4, 0, -inf, true, 0.01, ">= 85"},
        {"200 ms late", Singer::Melody, 0, 0.2, -inf, true, 0.01, ">= 85"},
        {"3 semitones off", Singer::Melody, 3, 0, -inf, true, 0.01, "<= 30"},
        {"guesser", Singer::Guesser, 0, 0, -inf, true, 0.01, "<= 30"},
        {"lazy singer", Singer::Lazy, 0, 0, -inf, true, 0.01, "<= 25"},
        {"silence", Singer::Silent, 0, 0, -inf, true, 0.01, "<= 5"},
        {"silence, leak -30 dB", Singer::Silent, 0, 0, -30, true, 0.01, "<= 5"},
        {"silence, leak -15 dB", Singer::Silent, 0, 0, -15, true, 0.01, "<= 5"},
        {"silence, leak -6 dB", Singer::Silent, 0, 0, -6, true, 0.01, "<= 5"},
        {"in tune, leak -15 dB", Singer::Melody, 0, 0, -15, true, 0.01, "in tune +-2"},
        {"in tune, leak -6 dB", Singer::Melody, 0, 0, -6, true, 0.01, ""},
        {"silence, leak -15, guide off", Singer::Silent, 0, 0, -15, false, 0.01, "<= 5"},
        {"in tune, leak -15, guide off", Singer::Melody, 0, 0, -15, false, 0.01, "in tune +-2"},
        {"in tune, leak -15, 60 ms late", Singer::Melody, 0, 0, -15, true, 0.06, "in tune +-2"},
        {"silence, leak -15, 60 ms late", Singer::Silent, 0, 0, -15, true, 0.06, "<= 5"},
        {"in tune, leak -15, 300 ms late", Singer::Melody, 0, 0, -15, true, 0.3, "not cancelled"},
        {"silence, leak -15, 300 ms late", Singer::Silent, 0, 0, -15, true, 0.3, ""},
        {"silence, leak -15, clocks 150 ppm", Singer::Silent, 0, 0, -15, true, 0.01, "<= 5", 150},
        {"in tune, leak -15, clocks 150 ppm", Singer::Melody, 0, 0, -15, true, 0.01, "in tune +-2", 150},
        {"silence, leak -15, block jumps", Singer::Silent, 0, 0, -15, true, 0.01, "<= 5", 0, 7},
        {"in tune, leak -15, block jumps", Singer::Melody, 0, 0, -15, true, 0.01, "in tune +-2", 0, 7},
        {"silence, leak 0 dB (clipping)", Singer::Silent, 0, 0, 0, true, 0.01, "<= 5"},
        {"in tune, second singer -6 dB", Singer::Melody, 0, 0, -inf, true, 0.01, "in tune +-3", 0, 0, -6},
        {"5 st off beside, leak -15", Singer::Silent, 0, 0, -15, true, 0.01, "<= 30", 0, 0, 0},
    };

    for (const auto& songPath : songs) {
        std::ifstream f(songPath, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
        const auto parsed = parseSongFile(bytes);
        if (!parsed.song) { std::fprintf(stderr, "%s: %s\n", songPath.c_str(), parsed.message.c_str()); return 1; }
        const SongData& song = *parsed.song;
        const auto guideOn = mono(render(d, song, 127)), guideOff = mono(render(d, song, 0));
        if (!keep.empty() || beforeMusic) {  // the references, for vokaran-score --music
            writeWav((dir / "music.wav").string(), guideOn, d.sampleRate);
            writeWav((dir / "music-guide-off.wav").string(), guideOff, d.sampleRate);
        }
        double refPower = 0;
        for (float x : guideOn) refPower += double(x) * x;
        std::printf("%s: %.1f s, output RMS %.1f dBFS\n", songPath.c_str(), double(guideOn.size()) / d.sampleRate,
                    10 * std::log10(refPower / double(guideOn.size())));

        // The singers sing what is scored: the notes of the scored words, part 2's where it sings
        // alone (a duet's verse, a round's entries), as a contestant follows the lyrics shown.
        // The singer of the other voice sings each part in the other sex's octave: a man a
        // woman's part an octave down, a woman a man's part an octave up (a man's part an octave
        // down lies below any bass and below the pitch tracker's 70 Hz).
        std::vector<SungNote> melody, otherVoice;
        int low = 127, high = 0;
        const auto scored = buildScoreSong(song);
        for (const auto& w : scored->words) {
            const SongPart* part = song.part(w.part);
            const double octave = part && part->voiceType == 1 ? 12 : -12;
            for (int i = 0; i < w.noteCount; ++i) {
                const ScoreNote& n = scored->notes[std::size_t(w.firstNote + i)];
                melody.push_back({n.begin, n.end, double(n.note)});
                otherVoice.push_back({n.begin, n.end, double(n.note) + octave});
                low = std::min(low, n.note);
                high = std::max(high, n.note);
            }
        }
        auto byBegin = [](const SungNote& a, const SungNote& b) { return a.begin < b.begin; };
        std::stable_sort(melody.begin(), melody.end(), byBegin);
        std::stable_sort(otherVoice.begin(), otherVoice.end(), byBegin);
        std::vector<double> lineStarts(scored->lines.size(), std::numeric_limits<double>::infinity());
        for (const auto& w : scored->words) lineStarts[std::size_t(w.line)] = std::min(lineStarts[std::size_t(w.line)], w.begin);
        std::vector<double> pitches;
        for (const auto& n : melody) pitches.push_back(n.midi);
        std::nth_element(pitches.begin(), pitches.begin() + std::ptrdiff_t(pitches.size() / 2), pitches.end());
        const double medianNote = pitches.empty() ? 60 : pitches[pitches.size() / 2];

        std::printf("%-32s %7s %7s %7s   %-13s %-12s %s\n", "case", "before", "no ref", "after", "goal", "p/r/e after",
                "echo removed dB, frames cancelled, fail-safe; best peak; delay found");
        int inTuneAfter = 0;
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const Case& k = cases[c];
            VoiceStyle style;
            style.vowel = true;
            style.jitterCents = 15;
            style.scatter = 0.03;
            style.snrDb = 30;
            style.transpose = k.transpose;
            style.late = k.late;
            style.seed = 5;
            style.phraseDb = kPhraseDb;
            style.phraseStarts = lineStarts;
            std::vector<SungNote> sung = k.singer == Singer::OtherVoice ? otherVoice : melody;
            std::mt19937 rng(77);
            std::uniform_int_distribution<int> pick(low, high);
            if (k.singer == Singer::Guesser) for (auto& n : sung) n.midi = pick(rng);
            if (k.singer == Singer::Lazy) for (auto& n : sung) n.midi = medianNote;
            std::vector<float> mic;
            const auto& ref = k.guide ? guideOn : guideOff;
            if (k.singer == Singer::Silent) mic.assign(ref.size(), 0.0f);
            else mic = singVoice(sung, double(ref.size()) / d.sampleRate, style, d.sampleRate).samples;
            mic.resize(ref.size(), 0.0f);
            if (std::isfinite(k.secondSingerDb)) {  // 5 semitones down, its own timing
                VoiceStyle other = style;
                other.transpose = -5;
                other.seed = 9;
                const auto two = singVoice(melody, double(ref.size()) / d.sampleRate, other, d.sampleRate).samples;
                const float g = float(std::pow(10.0, k.secondSingerDb / 20.0));
                for (std::size_t i = 0; i < mic.size() && i < two.size(); ++i) mic[i] += g * two[i];
            }
            if (std::isfinite(k.leakDb)) {
                const float g = float(std::pow(10.0, k.leakDb / 20.0));
                const double base = k.extraDelay * d.sampleRate, rate = d.sampleRate;
                const double ppm = k.driftPpm * 1e-6, every = k.jumpEvery * rate;
                addLeak(mic, ref, g, [&](std::size_t i) {
                    double delay = base + ppm * double(i);
                    if (every > 0 && (std::size_t(double(i) / every) % 2)) delay += 512;
                    return delay;
                });
            }
            const auto wav = (dir / ("case" + std::to_string(c) + ".wav")).string();
            int old = -1;
            if (!before.empty() || !keep.empty()) writeWav(wav, mic, d.sampleRate);
            if (!before.empty())
                old = runBefore(before, dataPath, songPath, wav, beforeMusic ? (dir / (k.guide ? "music.wav" : "music-guide-off.wav")).string() : "", k.guide);
            const Scores plain = scoreIt(d, song, mic, nullptr, k.guide, 0);
            const Scores fair = scoreIt(d, song, mic, &ref, k.guide, 0);
            if (c == 0) inTuneAfter = fair.total;
            char pre[32];
            std::snprintf(pre, sizeof pre, "%d/%d/%d", fair.pitch, fair.rhythm, fair.expression);
            std::printf("%-32s %7s %7d %7d   %-13s %-12s %6.1f %4.0f%% %4.0f%% %6.1f %6d\n", k.name,
                        old < 0 ? "-" : std::to_string(old).c_str(), plain.total, fair.total, k.goal, pre,
                        fair.removedDb, 100 * fair.cancelled, 100 * fair.failSafe, fair.quality, fair.delay);
        }
        (void)inTuneAfter;

        // The analysis' cost: the same case with and without cancellation, best of three.
        VoiceStyle style;
        style.vowel = true;
        auto mic = singVoice(melody, double(guideOn.size()) / d.sampleRate, style, d.sampleRate).samples;
        mic.resize(guideOn.size(), 0.0f);
        for (std::size_t i = 441; i < mic.size(); ++i) mic[i] += 0.18f * guideOn[i - 441];
        double plainCpu = 1e9, fairCpu = 1e9;
        for (int round = 0; round < 3; ++round) {
            double t = 0;
            scoreIt(d, song, mic, nullptr, true, 0, &t);
            plainCpu = std::min(plainCpu, t);
            scoreIt(d, song, mic, &guideOn, true, 0, &t);
            fairCpu = std::min(fairCpu, t);
        }
        const double audio = double(mic.size()) / d.sampleRate;
        std::printf("analysis CPU: without cancellation %.2f%% of one core, with %.2f%% (ratio %.2f; goal <= 2%%)\n",
                    100 * plainCpu / audio, 100 * fairCpu / audio, fairCpu / plainCpu);
        std::printf("whole engine playing, recording, scoring this voice with its leak and monitoring it: %.1f%% of one core (goal <= 5%%)\n",
                    100 * engineCpu(d, song, mic));
    }
    if (keep.empty()) std::filesystem::remove_all(dir);
    return 0;
}

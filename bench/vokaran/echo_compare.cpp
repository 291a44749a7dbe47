// The two Debian echo cancellers on the contest's cases, each given the right delay, in one
// run: libspeexdsp's (what the engine uses) and libwebrtc-audio-processing's (0.3, AEC with
// the extended filter). Per case: how much of the leak is removed (ERLE, dB), how much of the
// singer survives (signal-to-error of the residual against the clean voice, dB), the contest
// total of the residual, and the CPU per second of audio.
//   vokaran_echo_compare [SONG.mic] [SECONDS]
#include "core/EngineCore.h"
#include "core/EngineData.h"
#include "core/Pcm.h"
#include "core/SongPlayer.h"
#include "core/Synth.h"
#include "scoring/ScoreModel.h"
#include "scoring/VoiceScoring.h"
#include "song/SongFile.h"
#include "voice/SyntheticVoice.h"

#include <speex/speex_echo.h>
#include <webrtc/modules/audio_processing/include/audio_processing.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace vokaran;

namespace {

double threadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::vector<float> renderMono(const EngineData& d, const SongData& song, std::size_t frames) {
    std::string err;
    EngineCore core(createFluidSynth(d, err), d);
    core.play(prepareSong(song, 0, err));
    std::vector<float> out(2 * 512), in(512, 0.0f), m;
    while (m.size() < frames) {
        core.process(out.data(), in.data(), 512);
        for (int i = 0; i < 512; ++i) m.push_back(0.5f * (asRecorded(out[2 * i]) + asRecorded(out[2 * i + 1])));
    }
    m.resize(frames);
    return m;
}

using Canceller = std::function<std::vector<float>(const std::vector<float>& mic, const std::vector<float>& ref, int delay)>;

std::vector<float> speex(const std::vector<float>& mic, const std::vector<float>& ref, int delay) {
    constexpr int N = 512;
    SpeexEchoState* st = speex_echo_state_init(N, 4096);
    int rate = 44100;
    speex_echo_ctl(st, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
    std::vector<float> out(mic.size(), 0.0f);
    std::vector<std::int16_t> a(N), b(N), o(N);
    const int lag = std::max(0, delay - 256);
    for (std::size_t at = 0; at + N <= mic.size(); at += N) {
        for (int i = 0; i < N; ++i) {
            a[std::size_t(i)] = toPcm16(mic[at + std::size_t(i)]);
            const long r = long(at) + i - lag;
            b[std::size_t(i)] = r >= 0 ? toPcm16(ref[std::size_t(r)]) : 0;
        }
        speex_echo_cancellation(st, a.data(), b.data(), o.data());
        for (int i = 0; i < N; ++i) out[at + std::size_t(i)] = fromPcm16(o[std::size_t(i)]);
    }
    speex_echo_state_destroy(st);
    return out;
}

std::vector<float> webrtcAec(const std::vector<float>& mic, const std::vector<float>& ref, int delay) {
    webrtc::Config config;
    config.Set<webrtc::ExtendedFilter>(new webrtc::ExtendedFilter(true));
    webrtc::AudioProcessing* apm = webrtc::AudioProcessing::Create(config);
    apm->echo_cancellation()->Enable(true);
    apm->echo_cancellation()->set_suppression_level(webrtc::EchoCancellation::kModerateSuppression);
    const webrtc::StreamConfig sc(44100, 1);
    constexpr std::size_t N = 441;  // 10 ms
    std::vector<float> out(mic.size(), 0.0f), a(N), b(N), o(N);
    int errors = 0;
    for (std::size_t at = 0; at + N <= mic.size(); at += N) {
        for (std::size_t i = 0; i < N; ++i) {
            a[i] = mic[at + i];
            b[i] = ref[at + i];
        }
        const float* rb[] = {b.data()};
        float* rbo[] = {b.data()};
        errors += apm->ProcessReverseStream(rb, sc, sc, rbo) != 0;
        apm->set_stream_delay_ms(delay * 1000 / 44100);
        const float* ma[] = {a.data()};
        float* mo[] = {o.data()};
        errors += apm->ProcessStream(ma, sc, sc, mo) != 0;
        std::copy(o.begin(), o.end(), out.begin() + std::ptrdiff_t(at));
    }
    if (errors) std::fprintf(stderr, "webrtc: %d calls failed\n", errors);
    delete apm;
    return out;
}

struct Quiet : VoiceListener {};

int total(const EngineData& d, const SongData& song, const std::vector<float>& x) {
    VoiceScoring vs(d.sampleRate, d.scoreFrameHop, ScoreSettings{d.pitchToleranceCents, d.rhythmToleranceMs}, buildScoreSong(song));
    Quiet q;
    vs.feed(x.data(), x.size(), VoiceBlock{}, q);
    vs.finish(q);
    return vs.totals().total;
}

double energy(const std::vector<float>& x, std::size_t from) {
    double e = 0;
    for (std::size_t i = from; i < x.size(); ++i) e += double(x[i]) * x[i];
    return e;
}

} // namespace

int main(int argc, char** argv) {
    const std::string root = VK_BENCH_BUILD_DIR;
    const std::string songPath = argc > 1 ? argv[1] : root + "/songs/molihua.mic";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60;
    const auto loaded = loadEngineData(root + "/dist/PKData/RadeZuz76e.sdc");
    if (!loaded.ok) { std::fprintf(stderr, "%s\n", loaded.error.c_str()); return 1; }
    const EngineData& d = loaded.data;
    std::ifstream f(songPath, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    const auto parsed = parseSongFile(bytes);
    if (!parsed.song) { std::fprintf(stderr, "%s: %s\n", songPath.c_str(), parsed.message.c_str()); return 1; }
    const std::size_t n = std::size_t(seconds * d.sampleRate);
    const auto ref = renderMono(d, *parsed.song, n);
    std::vector<SungNote> melody;
    for (const auto& k : parsed.song->part(1)->notes)
        if (k.end > k.begin) melody.push_back({double(k.begin) / kEngineTicksPerSecond, double(k.end) / kEngineTicksPerSecond, double(k.note)});
    VoiceStyle style;
    style.vowel = true;
    style.jitterCents = 15;
    style.scatter = 0.03;
    auto voice = singVoice(melody, seconds, style, d.sampleRate).samples;
    voice.resize(n, 0.0f);
    const int delay = 441;  // 10 ms
    const float g = float(std::pow(10.0, -15 / 20.0));
    auto leak = [&](const std::vector<float>& v) {
        std::vector<float> m = v;
        for (std::size_t i = std::size_t(delay); i < n; ++i) m[i] = std::clamp(m[i] + g * ref[i - std::size_t(delay)], -1.0f, 1.0f);
        return m;
    };
    const std::vector<float> silence(n, 0.0f);
    const auto silentLeak = leak(silence), sungLeak = leak(voice);
    const std::size_t settled = std::size_t(5 * d.sampleRate);  // after 5 s of convergence

    std::printf("%s, first %.0f s, leak -15 dB at 10 ms (the right delay given to both)\n", songPath.c_str(), seconds);
    std::printf("%-10s %12s %14s %14s %14s %12s\n", "canceller", "ERLE silent", "voice kept", "voice kept", "total sung", "CPU");
    std::printf("%-10s %12s %14s %14s %14s %12s\n", "", "(dB)", "no leak (dB)", "leak (dB)", "+leak / clean", "% of core");
    std::printf("%-10s %12s %14s %14s %7d/%-6d %12s\n", "none", "0.0", "inf", "-", total(d, *parsed.song, sungLeak),
                total(d, *parsed.song, voice), "0");
    const std::pair<const char*, Canceller> cancellers[] = {{"speexdsp", speex}, {"webrtc", webrtcAec}};
    for (const auto& [name, cancel] : cancellers) {
        const double t0 = threadCpu();
        const auto a = cancel(silentLeak, ref, delay);
        const double cpu = threadCpu() - t0;
        const auto b = cancel(voice, ref, delay);
        const auto c = cancel(sungLeak, ref, delay);
        auto kept = [&](const std::vector<float>& r) {
            std::vector<float> err(n);
            for (std::size_t i = 0; i < n; ++i) err[i] = r[i] - voice[i];
            return 10 * std::log10(energy(voice, settled) / std::max(1e-12, energy(err, settled)));
        };
        const double erle = 10 * std::log10(energy(silentLeak, settled) / std::max(1e-12, energy(a, settled)));
        std::printf("%-10s %12.1f %14.1f %14.1f %7d/%-6d %12.2f\n", name, erle, kept(b), kept(c), total(d, *parsed.song, c),
                    total(d, *parsed.song, b), 100 * cpu / seconds);
    }
    return 0;
}

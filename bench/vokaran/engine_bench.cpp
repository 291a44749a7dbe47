// Engine benchmarks (a plain program; numbers are ratios against references measured in the
// same run, because absolute timings move by tens of percent between runs on this machine).
//   1. Offline render speed: the engine core rendering a song against raw FluidSynth (its own
//      MIDI player, sample timing) rendering the same MIDI with the same settings.
//   2. CPU share of the engine while it plays and records in real time (null device).
// Usage: vokaran_bench [SONG.mic] [REALTIME_SECONDS]
#include "vokaran/Vokaran.h"

#include "core/EngineCore.h"
#include "core/EngineData.h"
#include "core/Recorder.h"
#include "core/SongPlayer.h"
#include "core/Synth.h"
#include "song/SongFile.h"

#include <fluidsynth.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 512;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Raw FluidSynth: its player renders the MIDI into a buffer as fast as possible.
double rawFluidSeconds(const vokaran::EngineData& d, const std::vector<std::uint8_t>& midi, double songSeconds) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_settings_t* s = new_fluid_settings();
    fluid_settings_setnum(s, "synth.sample-rate", d.sampleRate);
    fluid_settings_setnum(s, "synth.gain", d.synthGain);
    fluid_settings_setint(s, "synth.polyphony", d.polyphony);
    fluid_settings_setint(s, "synth.reverb.active", d.reverb);
    fluid_settings_setint(s, "synth.chorus.active", d.chorus);
    fluid_settings_setint(s, "synth.cpu-cores", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_synth_t* synth = new_fluid_synth(s);
    fluid_synth_sfload(synth, d.soundFont.c_str(), 1);
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add_mem(player, midi.data(), midi.size());
    std::vector<float> buf(2 * kBlock);
    const long frames = static_cast<long>(songSeconds * d.sampleRate);
    const auto t0 = Clock::now();
    fluid_player_play(player);
    for (long done = 0; done < frames; done += kBlock)
        fluid_synth_write_float(synth, kBlock, buf.data(), 0, 2, buf.data(), 1, 2);
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
    return elapsed;
}

double engineSeconds(const vokaran::EngineData& d, const vokaran::SongData& song, double songSeconds) {
    std::string err;
    vokaran::EngineCore core(vokaran::createFluidSynth(d, err), d);
    auto prepared = vokaran::prepareSong(song, 0, err);
    core.play(prepared);
    std::vector<float> out(2 * kBlock), in(kBlock, 0.0f);
    const long frames = static_cast<long>(songSeconds * d.sampleRate);
    const auto t0 = Clock::now();
    for (long done = 0; done < frames; done += kBlock) core.process(out.data(), in.data(), kBlock);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::string root = VK_BENCH_BUILD_DIR;
    const std::string songPath = argc > 1 ? argv[1] : root + "/songs/molihua.mic";
    const double realtimeSeconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const std::string dataPath = root + "/dist/PKData/RadeZuz76e.sdc";

    auto data = vokaran::loadEngineData(dataPath);
    if (!data.ok) { std::fprintf(stderr, "%s\n", data.error.c_str()); return 1; }
    std::ifstream f(songPath, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    auto parsed = vokaran::parseSongFile(bytes);
    if (!parsed.song) { std::fprintf(stderr, "%s: %s\n", songPath.c_str(), parsed.message.c_str()); return 1; }
    const double songSeconds = double(parsed.song->songEnd) / vokaran::kEngineTicksPerSecond;

    // Alternate the two a few times and keep each one's best, so a busy moment on the machine
    // does not decide the ratio.
    double raw = 1e9, engine = 1e9;
    for (int round = 0; round < 3; ++round) {
        raw = std::min(raw, rawFluidSeconds(data.data, parsed.song->midi, songSeconds));
        engine = std::min(engine, engineSeconds(data.data, *parsed.song, songSeconds));
    }
    std::printf("offline render of %s (%.1f s of audio)\n", songPath.c_str(), songSeconds);
    std::printf("  raw FluidSynth player: %.3f s (%.0fx real time)\n", raw, songSeconds / raw);
    std::printf("  engine core:           %.3f s (%.0fx real time)\n", engine, songSeconds / engine);
    std::printf("  engine speed / raw FluidSynth speed = %.2f (goal >= 0.9)\n", raw / engine);

    // Real time: the whole engine behind its C interface, null device, recording to files.
    setenv("VOKARAN_AUDIO", "null", 1);
    const auto tmp = std::filesystem::temp_directory_path() / "vokaran-bench";
    std::filesystem::create_directories(tmp);
    std::wstring wdata(dataPath.begin(), dataPath.end());
    if (VokaOpenW(wdata.c_str()) != 0) { std::fprintf(stderr, "VokaOpenW failed\n"); return 1; }
    const auto v = (tmp / "voice.pcm").wstring(), m = (tmp / "music.pcm").wstring();
    SetRecNames(v.c_str(), m.c_str());
    StartRecording();
    VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size()));
    const double cpu0 = cpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(realtimeSeconds));
    const double cpu = cpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    StopRecording();
    VokaClose();
    std::filesystem::remove_all(tmp);
    std::printf("real-time play + record for %.1f s: process CPU %.3f s = %.1f%% of one core\n", wall, cpu,
                100.0 * cpu / wall);
    return 0;
}

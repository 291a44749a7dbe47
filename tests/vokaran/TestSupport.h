#pragma once
// Shared helpers of the engine tests: a temporary folder, small songs built in code, a
// synthesiser on the system SoundFont, and a plain YIN pitch estimate for rendered audio.
#include "core/EngineData.h"
#include "core/Synth.h"
#include "midi/Smf.h"
#include "song/SongFile.h"
#include "song/Utf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vktest {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("vokaran-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// A path as the engine's wide-character exports take it.
inline std::wstring wide(const std::string& s) {
    auto u = vokaran::decodeUtf8(s);
    return std::wstring(u->begin(), u->end());
}

// The engine's data file "engine.sdc" in `dir` for the exports' tests: the test SoundFont, no
// reverb. Returns its path.
inline std::string writeTestEngineData(const TempDir& dir) {
    std::ofstream(dir.file("engine.sdc")) << "VOKARAN-ENGINE-DATA 1\nsoundfont = " << kSoundFont << "\nreverb = 0\n";
    return dir.file("engine.sdc");
}

// The engine's file device at full speed, with neither a microphone file nor an output file.
inline void useFastFileDevice() {
    setenv("VOKARAN_AUDIO", "file", 1);
    setenv("VOKARAN_AUDIO_PACE", "fast", 1);
    unsetenv("VOKARAN_AUDIO_IN");
    unsetenv("VOKARAN_AUDIO_OUT");
}

inline vokaran::EngineData testEngineData() {
    vokaran::EngineData d;
    d.soundFont = kSoundFont;
    d.reverb = false;  // dry output makes level and pitch measurements sharper
    return d;
}

inline std::unique_ptr<vokaran::Synth> testSynth() {
    std::string err;
    auto s = vokaran::createFluidSynth(testEngineData(), err);
    EXPECT_TRUE(s) << err;
    return s;
}

// MIDI built in ticks at 480 per quarter and 120 bpm (one tick = 1/960 s).
struct MidiBuilder {
    std::vector<vokaran::SmfWriteEvent> events;
    MidiBuilder() {
        events.push_back({0, 0xFF, 0x51, 0, {0x07, 0xA1, 0x20}, -1});  // 500000 us per quarter
    }
    static std::uint32_t at(double seconds) { return static_cast<std::uint32_t>(std::lround(seconds * 960)); }
    MidiBuilder& program(int ch, int p) {
        events.push_back({0, std::uint8_t(0xC0 | ch), std::uint8_t(p), 0, {}, 0});
        return *this;
    }
    MidiBuilder& note(int ch, double from, double to, int key, int vel = 100) {
        events.push_back({at(from), std::uint8_t(0x90 | ch), std::uint8_t(key), std::uint8_t(vel), {}, 2});
        events.push_back({at(to), std::uint8_t(0x80 | ch), std::uint8_t(key), 0, {}, 1});
        return *this;
    }
    MidiBuilder& cc(int ch, double when, int ctrl, int value) {
        events.push_back({at(when), std::uint8_t(0xB0 | ch), std::uint8_t(ctrl), std::uint8_t(value), {}, 0});
        return *this;
    }
    std::vector<std::uint8_t> bytes() const { return vokaran::writeSmf(events, 480); }
};

inline std::uint32_t et(double seconds) {
    return static_cast<std::uint32_t>(std::lround(seconds * vokaran::kEngineTicksPerSecond));
}

inline vokaran::SongData songWithMidi(const MidiBuilder& midi, double endSeconds) {
    vokaran::SongData s;
    s.name = u"Test";
    s.singer = u"Tester";
    s.songEnd = et(endSeconds);
    s.midi = midi.bytes();
    vokaran::SongPart p;
    p.number = 1;
    p.voiceType = 2;
    p.lines.push_back({u"一二", false, 1, et(0.1), et(0.9)});
    p.words.push_back({et(0.1), et(0.5), 0, 0, u"一", u"yi"});
    p.words.push_back({et(0.5), et(0.9), 0, 1, u"二", u"er"});
    p.notes.push_back({et(0.1), et(0.5), 69, {0, 0, 96, 1}});
    p.notes.push_back({et(0.5), et(0.9), 71, {1, 0, 96, 1}});
    s.parts.push_back(p);
    return s;
}

inline double rms(const float* x, std::size_t n, int stride = 1) {
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += double(x[i * stride]) * x[i * stride];
    return n ? std::sqrt(s / n) : 0;
}

// YIN with a cumulative-mean-normalised difference, the deepest point of the first dip below
// the threshold, and parabolic interpolation. Returns Hz, or 0 when unvoiced.
inline double yinPitch(const std::vector<float>& x, int rate, double minHz = 70, double maxHz = 1100) {
    const int maxLag = static_cast<int>(rate / minHz), minLag = static_cast<int>(rate / maxHz);
    const int w = static_cast<int>(x.size()) - maxLag;
    if (w <= 0) return 0;
    std::vector<double> d(maxLag + 2, 0.0), cmnd(maxLag + 2, 1.0);
    for (int tau = 1; tau <= maxLag + 1; ++tau) {
        double s = 0;
        for (int i = 0; i < w; ++i) {
            const double diff = x[i] - x[i + tau];
            s += diff * diff;
        }
        d[tau] = s;
    }
    double running = 0;
    for (int tau = 1; tau <= maxLag + 1; ++tau) {
        running += d[tau];
        cmnd[tau] = running > 0 ? d[tau] * tau / running : 1;
    }
    int best = -1;
    for (int tau = std::max(minLag, 2); tau <= maxLag; ++tau) {
        if (cmnd[tau] < 0.15) {
            while (tau + 1 <= maxLag && cmnd[tau + 1] < cmnd[tau]) ++tau;
            best = tau;
            break;
        }
    }
    if (best < 0) return 0;
    const double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    const double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0;
    return rate / (best + shift);
}

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace vktest

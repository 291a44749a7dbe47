// vokaran-score: scores a voice recording against a song the way the engine scores it live.
//   vokaran-score [--tempo 64..136] [--key -6..6] [--data FILE.sdc]
//                 [--music MUSIC.pcm|MUSIC.wav [--delay FRAMES] [--guide 0|1]] SONG.mic VOICE.wav|VOICE.pcm
// VOICE is a WAV file at the engine's sample rate or the engine's raw voice recording (16-bit
// mono little-endian); it starts with the song. MUSIC is the output as played (the engine's
// music recording: 16-bit stereo little-endian, or a WAV), the reference whose leak into the
// microphone is removed as the engine removes it live; --delay is the device latency the
// engine used (0 for the file device), --guide whether the guide melody was on (default 1).
// Prints one line per scored word and line, then the totals; the last line is "total N".
// docs/scoring.md describes the model.
#include "core/EngineData.h"
#include "core/Pcm.h"
#include "core/Wav.h"
#include "scoring/ScoreModel.h"
#include "scoring/VoiceScoring.h"
#include "song/SongFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vokaran;

namespace {

std::string exeDir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<std::size_t>(n));
    return p.substr(0, p.find_last_of('/'));
}

bool parseInt(const char* s, int lo, int hi, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), {});
    return !f.bad();
}

bool endsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    std::string end = s.substr(s.size() - tail.size());
    for (auto& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == tail;
}

// The voice as mono samples at the engine's rate.
bool readVoice(const std::string& path, int rate, std::vector<float>& out, std::string& error) {
    if (endsWith(path, ".wav")) {
        WavData wav;
        if (!readWav(path, wav, error)) return false;
        if (wav.sampleRate != rate) {
            error = path + ": sample rate " + std::to_string(wav.sampleRate) + " differs from the engine's " + std::to_string(rate);
            return false;
        }
        out.resize(wav.samples.size() / std::size_t(wav.channels));
        for (std::size_t i = 0; i < out.size(); ++i) {
            float s = 0;
            for (int c = 0; c < wav.channels; ++c) s += wav.samples[i * std::size_t(wav.channels) + std::size_t(c)];
            out[i] = s / float(wav.channels);
        }
        return true;
    }
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    out.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8) / 32768.0f;
    return true;
}

class Printer final : public VoiceListener {
public:
    void word(const WordScore& w, const ScoreTotals&) override {
        std::printf("word %d line %d pitch %d rhythm %d\n", ++words_, w.line + 1, w.pitch, w.rhythm);
    }
    void line(const LineScore& l, const ScoreTotals&) override {
        std::printf("line %d pitch %d rhythm %d expression %d\n", l.line + 1, l.pitch, l.rhythm, l.expression);
    }

private:
    int words_ = 0;
};

int usage() {
    std::cerr << "usage: vokaran-score [--tempo 64..136] [--key -6..6] [--data FILE.sdc]\n"
                 "                     [--music MUSIC.pcm|MUSIC.wav [--delay FRAMES] [--guide 0|1]] SONG.mic VOICE.wav|VOICE.pcm\n";
    return 2;
}

// The output as played, mono, each channel taken as recorded (16-bit) as the engine does.
bool readMusic(const std::string& path, int rate, std::vector<float>& out, std::string& error) {
    std::vector<float> left, right;
    if (endsWith(path, ".wav")) {
        WavData wav;
        if (!readWav(path, wav, error)) return false;
        if (wav.sampleRate != rate) {
            error = path + ": sample rate " + std::to_string(wav.sampleRate) + " differs from the engine's " + std::to_string(rate);
            return false;
        }
        const std::size_t ch = std::size_t(wav.channels), n = wav.samples.size() / ch;
        out.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const float l = asRecorded(wav.samples[i * ch]), r = asRecorded(wav.samples[i * ch + (ch > 1 ? 1 : 0)]);
            out[i] = 0.5f * (l + r);
        }
        return true;
    }
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    if (bytes.size() % 4) {
        error = path + ": not a stereo 16-bit recording (" + std::to_string(bytes.size()) + " bytes is not a whole number of frames)";
        return false;
    }
    out.resize(bytes.size() / 4);
    auto at = [&](std::size_t k) { return fromPcm16(static_cast<std::int16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8)); };
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = 0.5f * (at(2 * i) + at(2 * i + 1));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int key = 0, tempo = 100, delay = 0, guide = 1;
    bool delayGiven = false, guideGiven = false;
    std::string dataPath = exeDir() + "/PKData/RadeZuz76e.sdc", musicPath;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](int lo, int hi, int& out) { return i + 1 < argc && parseInt(argv[++i], lo, hi, out); };
        if (a == "--key") { if (!value(-6, 6, key)) return usage(); }
        else if (a == "--tempo") { if (!value(64, 136, tempo)) return usage(); }
        else if (a == "--data") { if (i + 1 >= argc) return usage(); dataPath = argv[++i]; }
        else if (a == "--music") { if (i + 1 >= argc) return usage(); musicPath = argv[++i]; }
        else if (a == "--delay") { if (!value(0, 1 << 20, delay)) return usage(); delayGiven = true; }
        else if (a == "--guide") { if (!value(0, 1, guide)) return usage(); guideGiven = true; }
        else if (!a.empty() && a[0] == '-') return usage();
        else positional.push_back(a);
    }
    if (positional.size() != 2) return usage();
    if (musicPath.empty() && (delayGiven || guideGiven)) {
        std::cerr << "vokaran-score: --delay and --guide describe the music given with --music\n";
        return 2;
    }

    // The data file gives the rate, the analysis hop and the tolerances; its SoundFont is
    // not needed here.
    std::vector<std::uint8_t> text;
    if (!readFile(dataPath, text)) {
        std::cerr << "vokaran-score: cannot read the engine data file " << dataPath << "\n";
        return 1;
    }
    const auto slash = dataPath.find_last_of('/');
    const auto data = parseEngineData(std::string(text.begin(), text.end()), slash == std::string::npos ? "." : dataPath.substr(0, slash));
    if (!data.ok) {
        std::cerr << "vokaran-score: " << dataPath << ": " << data.error << "\n";
        return 1;
    }

    std::vector<std::uint8_t> songBytes;
    if (!readFile(positional[0], songBytes)) {
        std::cerr << "vokaran-score: cannot read " << positional[0] << "\n";
        return 1;
    }
    const auto parsed = parseSongFile(songBytes);
    if (!parsed.song) {
        std::cerr << "vokaran-score: " << positional[0] << ": " << parsed.message << "\n";
        return 1;
    }
    std::vector<float> voice;
    std::string err;
    if (!readVoice(positional[1], data.data.sampleRate, voice, err)) {
        std::cerr << "vokaran-score: " << err << "\n";
        return 1;
    }

    std::vector<float> music;
    if (!musicPath.empty()) {
        if (!readMusic(musicPath, data.data.sampleRate, music, err)) {
            std::cerr << "vokaran-score: " << err << "\n";
            return 1;
        }
        // The recorder writes both files block by block: a music file of another length is
        // not this performance's.
        if (music.size() != voice.size())
            std::cerr << "vokaran-score: note: the music has " << music.size() << " frames, the voice " << voice.size()
                      << "; the score may differ from the live one\n";
        music.resize(voice.size(), 0.0f);
    }

    VoiceScoring scoring(data.data.sampleRate, data.data.scoreFrameHop,
                         ScoreSettings{data.data.pitchToleranceCents, data.data.rhythmToleranceMs},
                         buildScoreSong(*parsed.song));
    if (!musicPath.empty()) scoring.enableEchoCancellation(delay);
    Printer printer;
    const VoiceBlock block{tempo, key, true, guide != 0};
    scoring.feed(voice.data(), music.empty() ? nullptr : music.data(), voice.size(), block, printer);
    scoring.finish(printer);
    const auto& t = scoring.totals();
    std::printf("words %d\nlines %d\npitch %d\nrhythm %d\nexpression %d\ntotal %d\n", t.words, t.lines, t.pitch,
                t.rhythm, t.expression, t.total);
    return 0;
}

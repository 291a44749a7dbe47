// vokaran-play: plays a song file through the engine's C interface with no GUI.
//   vokaran-play [--key N] [--tempo T] [--melody V] [--data FILE.sdc] SONG.mic [OUT.wav]
// With OUT.wav the song is rendered as fast as possible into the file (the engine's file
// device); without it, it plays on the sound card (VOKARAN_AUDIO decides, see docs/engine.md).
#include "vokaran/Vokaran.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::mutex gMutex;
std::condition_variable gCv;
bool gEnded = false;

void onSongEnd() {
    std::lock_guard g(gMutex);
    gEnded = true;
    gCv.notify_all();
}

std::string exeDir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<std::size_t>(n));
    return p.substr(0, p.find_last_of('/'));
}

std::wstring widen(const std::string& s) {
    std::wstring w;
    std::mbstate_t st{};
    const char* src = s.c_str();
    std::size_t len = std::mbsrtowcs(nullptr, &src, 0, &st);
    if (len == static_cast<std::size_t>(-1)) {
        for (unsigned char c : s) w.push_back(c);  // not valid in the locale: bytes as they are
        return w;
    }
    w.resize(len);
    src = s.c_str();
    std::mbsrtowcs(w.data(), &src, len, &st);
    return w;
}

bool parseInt(const char* s, int lo, int hi, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

int usage() {
    std::cerr << "usage: vokaran-play [--key -6..6] [--tempo 64..136] [--melody 0..127] [--data FILE.sdc] SONG.mic [OUT.wav]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    int key = 0, tempo = 100, melody = 127;
    std::string data = exeDir() + "/PKData/RadeZuz76e.sdc";
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](int lo, int hi, int& out) { return i + 1 < argc && parseInt(argv[++i], lo, hi, out); };
        if (a == "--key") { if (!value(-6, 6, key)) return usage(); }
        else if (a == "--tempo") { if (!value(64, 136, tempo)) return usage(); }
        else if (a == "--melody") { if (!value(0, 127, melody)) return usage(); }
        else if (a == "--data") { if (i + 1 >= argc) return usage(); data = argv[++i]; }
        else if (!a.empty() && a[0] == '-') return usage();
        else positional.push_back(a);
    }
    if (positional.empty() || positional.size() > 2) return usage();

    std::ifstream f(positional[0], std::ios::binary);
    if (!f) {
        std::cerr << "vokaran-play: cannot read " << positional[0] << "\n";
        return 1;
    }
    const std::vector<char> song((std::istreambuf_iterator<char>(f)), {});
    if (int rc = VokaMicCheckSumTestFromBuffer(song.data(), static_cast<long long>(song.size())); rc != VOKA_OK) {
        std::cerr << "vokaran-play: " << positional[0] << " is not an intact song file (code " << rc << ")\n";
        return 1;
    }
    if (positional.size() == 2) {
        setenv("VOKARAN_AUDIO", "file", 1);
        setenv("VOKARAN_AUDIO_OUT", positional[1].c_str(), 1);
        setenv("VOKARAN_AUDIO_PACE", "fast", 1);
        unsetenv("VOKARAN_AUDIO_IN");
    }
    if (int rc = VokaOpenW(widen(data).c_str()); rc < 0) {
        std::cerr << "vokaran-play: the engine did not open with " << data << " (code " << rc << ")\n";
        return 1;
    }
    VokaSetCBFun(&onSongEnd);
    VokaSetKey(key);
    VokaSetTempo(tempo);
    MidiSetMelodyVolume(melody);
    int rc = VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size()));
    if (rc == VOKA_OK) rc = VokaPlayFromBuffer(song.data(), static_cast<long long>(song.size()));
    if (rc != VOKA_OK) {
        std::cerr << "vokaran-play: playing failed (code " << rc << ")\n";
        VokaClose();
        return 1;
    }
    const int total = VokaGetTotalTime();
    std::cerr << "playing " << positional[0] << " (" << total << " s at tempo 100)\n";
    {
        // A song never plays longer than its length at the slowest tempo; the margin covers a
        // stalled device. On a terminal the position is shown as it goes.
        const bool showTime = positional.size() == 1 && isatty(STDERR_FILENO);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(total * 100 / 64 + 30);
        std::unique_lock g(gMutex);
        while (!gEnded) {
            if (std::chrono::steady_clock::now() > deadline) {
                std::cerr << "vokaran-play: the song did not end in time\n";
                g.unlock();
                VokaClose();
                return 1;
            }
            gCv.wait_for(g, std::chrono::seconds(1), [] { return gEnded; });
            if (showTime && !gEnded) {
                const int s = VokaGetMidiTime() / VOKA_TICKS_PER_SECOND;
                std::fprintf(stderr, "\r%02d:%02d / %02d:%02d", s / 60, s % 60, total / 60, total % 60);
            }
        }
        if (showTime) std::fprintf(stderr, "\n");
    }
    VokaSetCBFun(nullptr);
    VokaClose();
    return 0;
}

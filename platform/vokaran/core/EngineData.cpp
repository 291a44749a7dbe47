#include "core/EngineData.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vokaran {
namespace {

constexpr const char* kSignature = "VOKARAN-ENGINE-DATA 1";

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool toInt(const std::string& v, int lo, int hi, int& out) {
    int x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size() || x < lo || x > hi) return false;
    out = x;
    return true;
}

bool toDouble(const std::string& v, double lo, double hi, double& out) {
    std::istringstream in(v);
    in.imbue(std::locale::classic());
    double x;
    if (!(in >> x) || !in.eof() || !(x >= lo && x <= hi)) return false;
    out = x;
    return true;
}

} // namespace

EngineDataResult parseEngineData(const std::string& text, const std::string& baseDir) {
    EngineDataResult r;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool signed_ = false;
    auto fail = [&](const std::string& msg) {
        r.ok = false;
        r.error = "engine data line " + std::to_string(lineNo) + ": " + msg;
        return r;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        line = trim(line);
        if (line.empty()) continue;
        if (!signed_) {
            if (line != kSignature) return fail(std::string("expected the signature \"") + kSignature + "\"");
            signed_ = true;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail("expected \"key = value\"");
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        auto& d = r.data;
        bool good = true;
        if (key == "soundfont") {
            good = !value.empty();
            d.soundFont = (!value.empty() && value[0] != '/') ? baseDir + "/" + value : value;
        } else if (key == "sample_rate") good = toInt(value, 8000, 192000, d.sampleRate);
        else if (key == "buffer_frames") good = toInt(value, 64, 8192, d.bufferFrames);
        else if (key == "synth_gain") good = toDouble(value, 0.0, 10.0, d.synthGain);
        else if (key == "polyphony") good = toInt(value, 16, 4096, d.polyphony);
        else if (key == "reverb" || key == "chorus") {
            int b = 0;
            good = toInt(value, 0, 1, b);
            (key == "reverb" ? d.reverb : d.chorus) = b != 0;
        } else if (key == "melody_channel_1") good = toInt(value, 1, 16, d.melodyChannel1) && d.melodyChannel1 != 10;
        else if (key == "melody_channel_2") good = toInt(value, 1, 16, d.melodyChannel2) && d.melodyChannel2 != 10;
        else if (key == "pitch_tolerance_cents") good = toInt(value, 0, 1200, d.pitchToleranceCents);
        else if (key == "rhythm_tolerance_ms") good = toInt(value, 0, 2000, d.rhythmToleranceMs);
        else if (key == "score_frame_hop") good = toInt(value, 64, 8192, d.scoreFrameHop);
        else return fail("unknown key \"" + key + "\"");
        if (!good) return fail("value \"" + value + "\" of \"" + key + "\" is invalid or out of range");
    }
    if (!signed_) return fail("empty file (no signature)");
    if (r.data.soundFont.empty()) {
        lineNo = 0;
        return fail("no \"soundfont\" given");
    }
    r.ok = true;
    return r;
}

EngineDataResult loadEngineData(const std::string& path) {
    EngineDataResult r;
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        r.error = "cannot open engine data file " + path + ": " + std::strerror(errno);
        return r;
    }
    std::ostringstream ss;
    ss << f.rdbuf();
    if (ss.str().size() > 64 * 1024) {
        r.error = "engine data file " + path + " is larger than 64 KiB";
        return r;
    }
    const auto slash = path.find_last_of('/');
    r = parseEngineData(ss.str(), slash == std::string::npos ? "." : path.substr(0, slash));
    if (!r.ok) {
        r.error = path + ": " + r.error;
        return r;
    }
    struct stat st{};
    if (::stat(r.data.soundFont.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        r.ok = false;
        r.error = path + ": SoundFont " + r.data.soundFont + " is missing";
    }
    return r;
}

} // namespace vokaran

#include "voice/VoiceEffects.h"

#include <algorithm>
#include <cmath>

namespace vokaran {
namespace {

// A classic Schroeder-Moorer reverberator's delay lengths at 44.1 kHz; the right channel's
// are longer by a few samples, which spreads the room across both channels.
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kReverbInput = 0.015f;
constexpr double kMaxEchoSeconds = 1.0;
constexpr double kGlideSeconds = 0.02;  // parameter changes settle within about this
constexpr double kCrossfadeSeconds = 0.03;

} // namespace

const VoiceEffects::Room& VoiceEffects::room(int mode) {
    static const Room rooms[] = {
        {0, 0, 0, 200, 0.0, 0.5, 0.5},      // dry
        {1, 30, 25, 90, 0.12, 0.45, 0.5},   // studio: a short slap, a small bright room
        {5, 60, 55, 260, 0.32, 0.85, 0.3},  // concert: a long echo in a large hall
        {6, 76, 90, 180, 0.22, 0.7, 0.4},   // KTV: the karaoke echo
        {7, kDefaultDepth, kDefaultLevel, 200, 0.18, 0.65, 0.45},  // user: echo from the calls
    };
    for (const auto& r : rooms)
        if (r.mode == mode) return r;
    return rooms[0];
}

bool VoiceEffects::knownRoom(int mode) { return mode == 0 || mode == 1 || mode == 5 || mode == 6 || mode == 7; }

VoiceEffects::VoiceEffects(int sampleRate)
    : rate_(sampleRate), echo_(std::size_t(kMaxEchoSeconds * sampleRate) + 2, 0.0f) {
    const double scale = sampleRate / 44100.0;
    for (int c = 0; c < 16; ++c)
        combs_[std::size_t(c)].buf.assign(std::size_t(std::max(1.0, (kCombLengths[c % 8] + (c / 8) * kStereoSpread) * scale)), 0.0f);
    for (int a = 0; a < 8; ++a)
        allpasses_[std::size_t(a)].buf.assign(std::size_t(std::max(1.0, (kAllpassLengths[a % 4] + (a / 4) * kStereoSpread) * scale)), 0.0f);
    delay_ = nextDelay_ = static_cast<int>(room(6).echoMs / 1000.0 * sampleRate);
}

bool VoiceEffects::setRoomMode(int mode) {
    if (!knownRoom(mode)) return false;
    room_.store(mode, std::memory_order_relaxed);
    return true;
}

int VoiceEffects::setEchoDepth(int depth) {
    if (depth >= 0) userDepth_.store(std::min(depth, 127), std::memory_order_relaxed);
    return echoDepth();
}

int VoiceEffects::setEchoLevel(int level) {
    if (level >= 0) userLevel_.store(std::min(level, 127), std::memory_order_relaxed);
    return echoLevel();
}

int VoiceEffects::echoDepth() const {
    const int mode = roomMode();
    return mode == kUserRoom ? userDepth_.load(std::memory_order_relaxed) : room(mode).depth;
}

int VoiceEffects::echoLevel() const {
    const int mode = roomMode();
    return mode == kUserRoom ? userLevel_.load(std::memory_order_relaxed) : room(mode).level;
}

void VoiceEffects::clear() {
    std::fill(echo_.begin(), echo_.end(), 0.0f);
    for (auto& c : combs_) {
        std::fill(c.buf.begin(), c.buf.end(), 0.0f);
        c.store = 0;
    }
    for (auto& a : allpasses_) std::fill(a.buf.begin(), a.buf.end(), 0.0f);
    echoLow_ = dcIn_ = dcOut_ = 0;
}

void VoiceEffects::process(const float* voice, float* out, int frames) {
    const bool on = monitoring_.load(std::memory_order_relaxed);
    if (!on && !active_) return;
    if (on && !active_) {
        clear();  // starts from silence, fading in
        active_ = true;
        gain_ = outGain_ = 0;
    }
    const Room& r = room(room_.load(std::memory_order_relaxed));
    // The volume works at the input (like a microphone fader before the effects, so a voice
    // that starts comes back from the echo as smoothly as it began); the output fades in and
    // out with monitoring, taking the tails along.
    const float targetGain = on ? std::clamp(volume_.load(std::memory_order_relaxed), 0, 128) / 128.0f : 0.0f;
    const float targetOut = on ? 1.0f : 0.0f;
    const float targetWet = 0.7f * float(echoLevel()) / 127.0f;
    const float targetFeedback = 0.75f * float(echoDepth()) / 127.0f;
    const float targetReverbWet = float(r.reverbWet);
    const float targetRoom = float(r.roomSize * 0.28 + 0.7);
    const float targetDamp = float(r.damping * 0.4);
    const int targetDelay = std::clamp(static_cast<int>(r.echoMs / 1000.0 * rate_), 1, int(echo_.size()) - 2);
    if (targetDelay != nextDelay_ && fade_ == 0) nextDelay_ = targetDelay;  // a new glide once the last is done

    const float glide = static_cast<float>(1.0 - std::exp(-1.0 / (kGlideSeconds * rate_)));
    const float fadeStep = static_cast<float>(1.0 / (kCrossfadeSeconds * rate_));
    const float dcPole = static_cast<float>(1.0 - 2 * M_PI * 30.0 / rate_);
    const std::size_t echoSize = echo_.size();
    for (int i = 0; i < frames; ++i) {
        gain_ += glide * (targetGain - gain_);
        outGain_ += glide * (targetOut - outGain_);
        echoWet_ += glide * (targetWet - echoWet_);
        echoFeedback_ += glide * (targetFeedback - echoFeedback_);
        reverbWet_ += glide * (targetReverbWet - reverbWet_);
        reverbFeedback_ += glide * (targetRoom - reverbFeedback_);
        reverbDamp_ += glide * (targetDamp - reverbDamp_);

        // The microphone without its DC offset and rumble.
        const float in = voice ? voice[i] : 0.0f;
        dcOut_ = in - dcIn_ + dcPole * dcOut_;
        dcIn_ = in;
        const float x = gain_ * dcOut_;

        // Echo: a feedback delay, darker with every repeat; a changed echo time crossfades.
        auto tap = [&](int d) {
            const std::size_t back = std::size_t(d);
            return echo_[echoPos_ >= back ? echoPos_ - back : echoPos_ + echoSize - back];
        };
        float delayed = tap(delay_);
        if (nextDelay_ != delay_) {
            fade_ = std::min(1.0f, fade_ + fadeStep);
            delayed += fade_ * (tap(nextDelay_) - delayed);
            if (fade_ >= 1.0f) {
                delay_ = nextDelay_;
                fade_ = 0;
            }
        }
        echoLow_ += 0.5f * (delayed - echoLow_);
        echo_[echoPos_] = x + echoFeedback_ * echoLow_;
        if (++echoPos_ == echoSize) echoPos_ = 0;

        // Room: parallel damped combs into series allpasses, per channel.
        float rev[2] = {0, 0};
        const float rin = x * kReverbInput;
        for (int ch = 0; ch < 2; ++ch) {
            float acc = 0;
            for (int c = 0; c < 8; ++c) {
                Comb& comb = combs_[std::size_t(ch * 8 + c)];
                const float y = comb.buf[comb.pos];
                comb.store = y * (1 - reverbDamp_) + comb.store * reverbDamp_;
                comb.buf[comb.pos] = rin + comb.store * reverbFeedback_;
                if (++comb.pos == comb.buf.size()) comb.pos = 0;
                acc += y;
            }
            for (int a = 0; a < 4; ++a) {
                Allpass& ap = allpasses_[std::size_t(ch * 4 + a)];
                const float b = ap.buf[ap.pos];
                ap.buf[ap.pos] = acc + b * 0.5f;
                if (++ap.pos == ap.buf.size()) ap.pos = 0;
                acc = b - acc;
            }
            rev[ch] = acc;
        }

        const float mono = x + echoWet_ * delayed;
        out[2 * i] += outGain_ * (mono + reverbWet_ * rev[0]);
        out[2 * i + 1] += outGain_ * (mono + reverbWet_ * rev[1]);
    }
    // Faded out: stop until monitoring is switched on again.
    if (!on && outGain_ < 1e-5f) active_ = false;
}

} // namespace vokaran

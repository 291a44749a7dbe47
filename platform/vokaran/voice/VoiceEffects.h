#pragma once
// Monitoring: the singer hears the microphone through the output with an echo and a room
// reverberation. Every change (volume, room mode, echo depth and level, on and off) glides
// over a few tens of milliseconds, and a new echo time crossfades from the old one, so
// nothing clicks while singing.
//
// Room modes: 0 dry, 1 studio, 5 concert, 6 KTV (each with its own echo), 7 user (the echo
// depth and level set by the calls). Echo depth (0..127) is how long the echo goes on
// (feedback), echo level (0..127) how loud it is.
//
// Threads: the setters on the controlling thread (atomics), process() on the engine thread.
#include <array>
#include <atomic>
#include <vector>

namespace vokaran {

class VoiceEffects {
public:
    static constexpr int kUserRoom = 7;
    static constexpr int kDefaultDepth = 76, kDefaultLevel = 63;

    explicit VoiceEffects(int sampleRate);

    void setMonitoring(bool on) { monitoring_.store(on, std::memory_order_relaxed); }
    bool monitoring() const { return monitoring_.load(std::memory_order_relaxed); }
    void setVolume(int volume) { volume_.store(volume, std::memory_order_relaxed); }  // 0..128, 128 = unity
    static bool knownRoom(int mode);
    // False for an unknown mode (nothing changes).
    bool setRoomMode(int mode);
    int roomMode() const { return room_.load(std::memory_order_relaxed); }
    // 0..127 sets the user room's value, -1 keeps it; the result is the value in effect (a
    // fixed room keeps its own echo).
    int setEchoDepth(int depth);
    int setEchoLevel(int level);
    int echoDepth() const;
    int echoLevel() const;

    // Engine thread: adds the monitored voice to interleaved stereo `out`. Null voice = silence.
    void process(const float* voice, float* out, int frames);

private:
    struct Room {
        int mode, depth, level;
        double echoMs, reverbWet, roomSize, damping;
    };
    static const Room& room(int mode);
    struct Comb {
        std::vector<float> buf;
        std::size_t pos = 0;
        float store = 0;
    };
    struct Allpass {
        std::vector<float> buf;
        std::size_t pos = 0;
    };
    void clear();

    const int rate_;
    std::atomic<bool> monitoring_{false};
    std::atomic<int> volume_{115};
    std::atomic<int> room_{6};
    std::atomic<int> userDepth_{kDefaultDepth}, userLevel_{kDefaultLevel};

    // Engine thread's own state.
    bool active_ = false;     // processing (on, or fading out)
    float gain_ = 0;          // smoothed input gain (the monitoring volume)
    float outGain_ = 0;       // smoothed output gain (monitoring on or off)
    float echoWet_ = 0, echoFeedback_ = 0, reverbWet_ = 0, reverbFeedback_ = 0.84f, reverbDamp_ = 0.2f;
    float dcIn_ = 0, dcOut_ = 0;
    float echoLow_ = 0;       // low-pass in the echo's feedback path
    std::vector<float> echo_;
    std::size_t echoPos_ = 0;
    int delay_ = 0, nextDelay_ = 0;  // echo times in samples; crossfading while they differ
    float fade_ = 0;                  // crossfade position 0..1 towards nextDelay_
    std::array<Comb, 16> combs_;      // 8 per channel
    std::array<Allpass, 8> allpasses_;
};

} // namespace vokaran

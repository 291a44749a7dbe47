// The device layer: the SDL glue on SDL's disk driver, and the file-backed device.
#include "TestSupport.h"

#include "devices/AudioDevice.h"
#include "devices/StallWatch.h"
#include "core/Wav.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

using namespace vokaran;
using namespace vktest;

namespace {

// Copies the microphone into the left channel and a constant into the right one; counts frames.
class EchoClient : public AudioClient {
public:
    void process(float* out, const float* in, int frames) override {
        for (int i = 0; i < frames; ++i) {
            out[2 * i] = in ? in[i] : 0.0f;
            out[2 * i + 1] = 0.25f;
        }
        std::lock_guard g(m);
        seen += frames;
        cv.notify_all();
    }
    bool waitFrames(long n) {
        std::unique_lock g(m);
        return cv.wait_for(g, std::chrono::seconds(20), [&] { return seen >= n; });
    }
    std::mutex m;
    std::condition_variable cv;
    long seen = 0;
};

} // namespace

// SDL's disk driver stands in for a sound card: the playback callback reaches the client and
// what it writes lands in the driver's file.
TEST(AudioDevices, SdlDeviceDrivesTheClient) {
    TempDir dir;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.file("out.raw").c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    auto device = createSdlDevice({44100, 512});
    EchoClient client;
    std::string err;
    ASSERT_TRUE(device->start(client, err)) << err;
    ASSERT_TRUE(client.waitFrames(44100));
    device->stop();
    // Float stereo, as opened; a device outputs silence until it is unpaused.
    const auto bytes = readBytes(dir.file("out.raw"));
    long fromClient = 0;
    for (std::size_t at = 4; at + 4 <= bytes.size(); at += 8) {
        float right;
        std::memcpy(&right, bytes.data() + at, 4);
        if (right == 0.25f) ++fromClient;
        else EXPECT_EQ(right, 0.0f);
    }
    EXPECT_GE(fromClient, 44100 - 2048);
}

// The file device feeds the WAV microphone to the client and writes what it returns.
TEST(AudioDevices, FileDeviceFeedsMicrophoneAndWritesOutput) {
    TempDir dir;
    std::vector<std::int16_t> tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    WavWriter in;
    std::string err;
    ASSERT_TRUE(in.open(dir.file("mic.wav"), 44100, 1, err));
    in.write(tone.data(), tone.size());
    ASSERT_TRUE(in.close(err));

    auto device = createFileDevice({44100, 512}, {dir.file("mic.wav"), dir.file("out.wav"), true});
    EchoClient client;
    ASSERT_TRUE(device->start(client, err)) << err;
    ASSERT_TRUE(client.waitFrames(2 * 44100));
    device->stop();
    WavData out;
    ASSERT_TRUE(readWav(dir.file("out.wav"), out, err)) << err;
    ASSERT_GE(out.samples.size(), 2u * 44100);
    for (std::size_t i = 0; i < tone.size(); i += 997) ASSERT_NEAR(out.samples[2 * i], tone[i] / 32768.0f, 1e-4) << i;
    EXPECT_NEAR(out.samples[2 * 44100 + 10], 0.0f, 1e-6);  // after the microphone file: silence
    EXPECT_NEAR(out.samples[1], 0.25f, 1e-4);
}

TEST(AudioDevices, BadEnvironmentIsRefusedWithAReason) {
    std::string err;
    setenv("VOKARAN_AUDIO", "loud", 1);
    EXPECT_FALSE(createDeviceFromEnvironment({}, err));
    EXPECT_NE(err.find("VOKARAN_AUDIO"), std::string::npos);
    setenv("VOKARAN_AUDIO", "file", 1);
    setenv("VOKARAN_AUDIO_PACE", "slow", 1);
    EXPECT_FALSE(createDeviceFromEnvironment({}, err));
    setenv("VOKARAN_AUDIO_PACE", "fast", 1);
    setenv("VOKARAN_AUDIO_IN", "/nonexistent/mic.raw", 1);
    auto device = createDeviceFromEnvironment({}, err);
    ASSERT_TRUE(device);
    EchoClient client;
    EXPECT_FALSE(device->start(client, err));
    EXPECT_NE(err.find("mic.raw"), std::string::npos);
}

namespace {
// Drives a StallWatch with made-up clocks, 100 ms a step like the device's watchdog.
struct WatchedDevice {
    StallWatch watch;
    std::uint64_t callbacks = 0;
    std::int64_t awake = 1000, boot = 5000;
    WatchedDevice() { watch.start(callbacks, awake, boot); }
    // Runs `ms` of awake time; true when the watch called the device lost meanwhile.
    bool run(std::int64_t ms, bool calling, bool stopped = false) {
        for (std::int64_t t = 0; t < ms; t += 100) {
            awake += 100;
            boot += 100;
            if (calling) ++callbacks;
            if (watch.check(callbacks, stopped, awake, boot)) return true;
        }
        return false;
    }
    void sleep(std::int64_t ms) { boot += ms; }  // the boot clock runs on, the awake one does not
};
} // namespace

// A device that stops calling back for over 2 s is lost; one that goes on never is.
TEST(DeviceStallWatch, AStallOfTwoSecondsIsALoss) {
    WatchedDevice d;
    EXPECT_FALSE(d.run(60000, true));
    EXPECT_FALSE(d.run(2000, false));
    EXPECT_TRUE(d.run(200, false));
    WatchedDevice stopped;
    EXPECT_TRUE(stopped.run(100, true, true));  // SDL says it stopped
}

// A system sleep stops every device; after waking the sound server takes seconds to bring it
// back. That is no loss: the device gets the wake grace, and is lost only when it stays silent
// (or stopped) past it.
TEST(DeviceStallWatch, ASystemSleepIsNoLoss) {
    WatchedDevice d;
    EXPECT_FALSE(d.run(5000, true));
    d.sleep(3600 * 1000);
    EXPECT_FALSE(d.run(StallWatch::kWakeGraceMs - 1000, false, true));  // silent and stopped, waking
    EXPECT_FALSE(d.run(20000, true));                                 // it came back
    EXPECT_EQ(d.watch.sleeps(), 1);
    EXPECT_TRUE(d.run(2200, false));  // an ordinary stall later is a loss again

    WatchedDevice gone;
    gone.sleep(60000);
    EXPECT_TRUE(gone.run(StallWatch::kWakeGraceMs + 500, false));  // never came back
}

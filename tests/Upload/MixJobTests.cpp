// Mixing a recorded performance into its video as the works window does: the engine's WAV mix
// then the encode, in a scratch installation with the engine on its file device. The files
// are short recordings made as the engine makes them and a silent video made by the capture's
// encoder.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "MixMedia.h"
#include "TestSupport.h"
#include "Upload/CMixImageWMV.h"
#include "Upload/CMixManager.h"
#include "Upload/UploadItem.h"
#include "avmedia/AsfMux.h"
#include "guishell/PostQueue.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace fs = std::filesystem;
using oscompat::wideFromUtf8;

namespace {

class MixJob : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VOKARAN_AUDIO", "file", 1);
    ::setenv("VOKARAN_AUDIO_PACE", "fast", 1);
    ASSERT_EQ(VokaOpenW(wideFromUtf8(std::string(VK_DIST_DIR) + "/PKData/RadeZuz76e.sdc").c_str()), 0);
    fs::copy_file(std::string(VK_SOURCE_DIR) + "/Record/album_chs_HD.prx", install.path() + "/Record/album_chs_HD.prx",
                  fs::copy_options::overwrite_existing);
    temp = install.path() + "/Temp/";
    work.VoicePcmFile = wideFromUtf8(temp + "k1Voice.pcm");
    work.MusicPcmFile = wideFromUtf8(temp + "k1music.pcm");
    work.SoundlessVideoFile = wideFromUtf8(temp + "k1noAudio.WMV");
    work.UploadFile = wideFromUtf8(temp + "k1.WMV");
  }
  void TearDown() override {
    avmedia::setMuxPacketDelayForTesting(0);
    VokaClose();
    // No GUI loop delivers the jobs' updates here; they must not reach a later test's loop
    // after their jobs are gone.
    guishell::postQueue().clear();
  }
  void record(double seconds, bool video = true) {
    vktest::writeVoicePcm(temp + "k1Voice.pcm", seconds);
    vktest::writeMusicPcm(temp + "k1music.pcm", seconds);
    if (video) {
      ASSERT_TRUE(vktest::writeSilentVideo(temp + "k1noAudio.WMV", seconds, 320, 200, 25));
    }
  }
  std::string out() const { return temp + "k1.WMV"; }
  std::string wav() const { return temp + "k1music.WAV"; }
  // Nothing of the mix is left: no file under the work's name, no partial file, no WAV.
  void expectNothingLeft() {
    EXPECT_FALSE(fs::exists(out()));
    EXPECT_FALSE(fs::exists(avmedia::partialName(out())));
    EXPECT_FALSE(fs::exists(wav()));
  }

  vktest::ScratchInstallation install;
  std::string temp;
  UploadItem work;
};

// Runs the job on a thread of its own, as the dialog does; `whenRunning` is called from the
// test's thread while it runs.
bool runAside(CMixImageWMV& job, const std::function<void()>& whenRunning) {
  std::atomic<bool> result{false};
  std::thread worker([&] { result = job.run(); });
  whenRunning();
  worker.join();
  return result;
}

bool waitUntil(const std::function<bool()>& condition, int ms = 10000) {
  for (int i = 0; i < ms / 5; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

}  // namespace

TEST_F(MixJob, APerformanceBecomesOneAsfVideoWithWmv2AndWmav2OfItsLength) {
  record(3.0);
  auto job = CMixImageWMV::forWork(work);
  EXPECT_EQ(job->wavPath(), wideFromUtf8(wav()));  // the accompaniment's name with ".WAV"
  ASSERT_TRUE(job->run()) << job->failure();
  EXPECT_EQ(job->getProgress(), 1.0f);
  const vktest::FileProbe p = vktest::probeFile(out());
  ASSERT_TRUE(p.opened);
  EXPECT_EQ(p.container, "asf");
  ASSERT_TRUE(p.find("video") && p.find("audio"));
  EXPECT_EQ(p.find("video")->codec, "wmv2");
  EXPECT_EQ(p.find("video")->width, 320);
  EXPECT_EQ(p.find("video")->height, 200);
  EXPECT_EQ(p.find("audio")->codec, "wmav2");
  EXPECT_NEAR(p.durationSeconds, 3.0, 0.15);
  EXPECT_FALSE(fs::exists(wav()));  // the intermediate WAV is gone
  EXPECT_FALSE(fs::exists(avmedia::partialName(out())));
}

TEST_F(MixJob, WithoutASilentVideoTheWorkIsMixedWithItsSoundOnly) {
  record(2.0, false);
  auto job = CMixImageWMV::forWork(work);
  ASSERT_TRUE(job->run()) << job->failure();
  const vktest::FileProbe p = vktest::probeFile(out());
  EXPECT_EQ(p.container, "asf");
  ASSERT_EQ(p.streams.size(), 1u);
  EXPECT_EQ(p.streams[0].codec, "wmav2");
  EXPECT_NEAR(p.durationSeconds, 2.0, 0.15);
}

// A cancel while the engine mixes ends the engine's mix too: no WAV is left, nothing encoded.
TEST_F(MixJob, ACancelInTheAudioPhaseEndsTheEnginesMixAndLeavesNothing) {
  // Five minutes of recording (sparse files): the engine's mix surely runs when it is cancelled.
  std::ofstream(temp + "k1Voice.pcm").close();
  std::ofstream(temp + "k1music.pcm").close();
  fs::resize_file(temp + "k1Voice.pcm", 300ull * 44100 * 2);
  fs::resize_file(temp + "k1music.pcm", 300ull * 44100 * 4);
  auto job = CMixImageWMV::forWork(work);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(runAside(*job, [&] {
    ASSERT_TRUE(waitUntil([] { return GetRecMixState() == 1; }));
    job->cancel();
  }));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_LE(job->getProgress(), 0.2f);
  EXPECT_EQ(GetRecMixState(), 0);
  EXPECT_EQ(job->failure(), "");  // a cancel is not a failure
  expectNothingLeft();
}

// A cancel while encoding stops the graph; the file never had the work's name.
TEST_F(MixJob, ACancelInTheEncodingPhaseRemovesThePartialFileAndTheWav) {
  record(3.0);
  avmedia::setMuxPacketDelayForTesting(20000);
  auto job = CMixImageWMV::forWork(work);
  EXPECT_FALSE(runAside(*job, [&] {
    ASSERT_TRUE(waitUntil([&] { return job->getProgress() > 0.2f; }));
    // Killed now, the module would leave only the partial file, never one under the work's name.
    EXPECT_TRUE(fs::exists(avmedia::partialName(out())));
    EXPECT_FALSE(fs::exists(out()));
    job->cancel();
  }));
  EXPECT_GT(job->getProgress(), 0.2f);
  EXPECT_LT(job->getProgress(), 1.0f);
  expectNothingLeft();
}

TEST_F(MixJob, MissingOrEmptyRecordingsFailClearlyAndWriteNothing) {
  auto job = CMixImageWMV::forWork(work);  // nothing was recorded
  EXPECT_FALSE(job->run());
  EXPECT_NE(job->failure().find("missing"), std::string::npos) << job->failure();
  EXPECT_EQ(job->getProgress(), 0.0f);
  expectNothingLeft();
  std::ofstream(temp + "k1Voice.pcm").close();
  std::ofstream(temp + "k1music.pcm").close();
  EXPECT_FALSE(job->run());
  EXPECT_NE(job->failure().find("empty"), std::string::npos) << job->failure();
  expectNothingLeft();
}

// The work's file on a disk that fills: the mix fails and says so, and no part of it stays.
TEST_F(MixJob, ADiskThatFillsWhileEncodingFailsTheMixAndRemovesThePartialFile) {
  const std::string small = temp + "small";
  fs::create_directories(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=48k") != 0) GTEST_SKIP() << "no tmpfs can be mounted here";
  record(4.0);
  work.UploadFile = wideFromUtf8(small + "/k1.WMV");
  auto job = CMixImageWMV::forWork(work);
  const bool ok = job->run();
  const std::string failure = job->failure();
  const bool partial = fs::exists(avmedia::partialName(small + "/k1.WMV"));
  const bool output = fs::exists(small + "/k1.WMV");
  ::umount(small.c_str());
  EXPECT_FALSE(ok);
  EXPECT_NE(failure.find("disk is full"), std::string::npos) << failure;
  EXPECT_FALSE(partial);
  EXPECT_FALSE(output);
  EXPECT_FALSE(fs::exists(wav()));
  EXPECT_LT(job->getProgress(), 1.0f);
}

namespace {

// A job that runs until it is let go or cancelled, and notes the order it ran in.
class HeldJob : public IMix {
 public:
  HeldJob(std::vector<int>& order, std::mutex& lock, int id) : order_(order), lock_(lock), id_(id) {}
  ~HeldJob() override { ++destroyed; }
  bool run() override {
    {
      std::lock_guard g(lock_);
      order_.push_back(id_);
    }
    running = true;
    while (!release && !cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return !cancelled;
  }
  float getProgress() override { return 0; }
  void cancel() override { cancelled = true; }
  std::atomic<bool> release{false}, cancelled{false}, running{false};
  static std::atomic<int> destroyed;

 private:
  std::vector<int>& order_;
  std::mutex& lock_;
  int id_;
};
std::atomic<int> HeldJob::destroyed{0};

}  // namespace

TEST(MixManager, RunsItsJobsInOrderStopWaitsForTheRunningOneAndTerminateCancelsIt) {
  std::vector<int> order;
  std::mutex lock;
  HeldJob::destroyed = 0;
  {
    CMixManager manager;
    EXPECT_EQ(CMixManager::getSingletonPtr(), &manager);
    auto* first = new HeldJob(order, lock, 1);
    auto* second = new HeldJob(order, lock, 2);
    ASSERT_TRUE(manager.add(first));
    ASSERT_TRUE(manager.add(second));
    ASSERT_TRUE(waitUntil([&] { return first->running.load(); }));
    EXPECT_EQ(manager.currentIndex(), 0);
    first->release = true;
    ASSERT_TRUE(waitUntil([&] { return second->running.load(); }));
    EXPECT_EQ(manager.current(), second);
    // stop lets the running job end by itself: release it from another thread.
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      second->release = true;
    });
    auto* third = new HeldJob(order, lock, 3);
    third->release = true;  // were it run after all, the order below would say so
    manager.add(third);
    manager.stop();
    releaser.join();
    EXPECT_FALSE(second->cancelled);
    EXPECT_EQ(HeldJob::destroyed, 3);  // every job, the one never run too
    EXPECT_EQ(manager.size(), 0u);
    EXPECT_FALSE(manager.add(new HeldJob(order, lock, 4)));  // refused and deleted
    EXPECT_EQ(HeldJob::destroyed, 4);
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(CMixManager::getSingletonPtr(), nullptr);

  // Shut-down does not wait for a long mix to end by itself.
  CMixManager manager;
  auto* held = new HeldJob(order, lock, 5);
  manager.add(held);
  ASSERT_TRUE(waitUntil([&] { return held->running.load(); }));
  manager.terminate();
  EXPECT_EQ(HeldJob::destroyed, 5);
  manager.terminate();  // a second time finds nothing to do
}

// The mixing half of the graph: a WAV source and an ASF reader into the writer, which reads
// both files itself and writes one Windows Media file, as a player reads it back.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "MixMedia.h"
#include "WmvProbe.h"
#include "TestSupport.h"
#include "avmedia/AsfWriter.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/FileSources.h"
#include "oscompat/Utf.h"

using namespace avmedia;
namespace fs = std::filesystem;

namespace {

WMProfile hdProfile() {
  WMProfile p;
  std::string error;
  EXPECT_EQ(LoadProfileFromFile(std::string(VK_SOURCE_DIR) + "/Record/album_chs_HD.prx", p, &error), S_OK) << error;
  return p;
}

// The graph as the module builds it: "Mux", "AudioSrc" and, when given, "VideoSrc".
struct MixGraph {
  IGraphBuilder graph;
  std::shared_ptr<IBaseFilter> mux;
  AsfWriter* writer = nullptr;
  HRESULT built = S_OK;

  MixGraph(const std::string& out, const std::string& wav, const std::string& video, const WMProfile& profile) {
    EXPECT_EQ(CoCreateInstance(CLSID_WMAsfWriter, mux), S_OK);
    writer = dynamic_cast<AsfWriter*>(mux.get());
    writer->SetFileName(oscompat::wideFromUtf8(out));
    writer->ConfigureFilterUsingProfile(profile);
    EXPECT_EQ(graph.AddFilter(mux, L"Mux"), S_OK);
    IBaseFilter* audio = nullptr;
    if (!wav.empty()) {
      built = graph.AddSourceFilter(oscompat::wideFromUtf8(wav), L"AudioSrc", &audio);
      if (SUCCEEDED(built)) {
        EXPECT_EQ(graph.Connect(audio, mux.get()), S_OK);
      }
    }
    if (!video.empty()) {
      std::shared_ptr<IBaseFilter> reader;
      EXPECT_EQ(CoCreateInstance(CLSID_WMAsfReader, reader), S_OK);
      queryInterface<IFileSourceFilter>(reader.get())->Load(oscompat::wideFromUtf8(video), nullptr);
      EXPECT_EQ(graph.AddFilter(reader, L"VideoSrc"), S_OK);
      EXPECT_EQ(graph.Connect(reader.get(), mux.get()), S_OK);
    }
  }
  long complete(long timeoutMs = 20000) {
    long code = 0;
    graph.WaitForCompletion(timeoutMs, &code);
    return code;
  }
};

struct MixGraphTest : ::testing::Test {
  void TearDown() override { setMuxPacketDelayForTesting(0); }
  vktest::TempDir dir;
  std::string wav = dir.file("mix.WAV"), video = dir.file("noAudio.WMV"), out = dir.file("work.WMV");
};

}  // namespace

TEST_F(MixGraphTest, SoundAndCaptureBecomeOneAsfFileWithWmv2AndWmav2OfTheirLength) {
  vktest::writeWav(wav, 2.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 2.0, 320, 200, 25));
  MixGraph g(out, wav, video, hdProfile());
  REFERENCE_TIME duration = 0;
  ASSERT_EQ(g.writer->GetDuration(&duration), S_OK);
  EXPECT_NEAR(static_cast<double>(duration) / kUnitsPerSecond, 2.0, 0.05);
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(), EC_COMPLETE);
  REFERENCE_TIME at = 0;
  g.writer->GetCurrentPosition(&at);
  EXPECT_GE(at, duration - kUnitsPerSecond / 10);
  EXPECT_EQ(g.graph.Stop(), S_OK);

  const vktest::FileProbe p = vktest::probeFile(out);
  ASSERT_TRUE(p.opened);
  EXPECT_EQ(p.container, "asf");
  ASSERT_TRUE(p.find("video") && p.find("audio"));
  EXPECT_EQ(p.find("video")->codec, "wmv2");
  EXPECT_EQ(p.find("video")->width, 320);  // the capture's size: the profile says 0 x 0
  EXPECT_EQ(p.find("audio")->codec, "wmav2");
  EXPECT_EQ(p.find("audio")->sampleRate, 44100);
  EXPECT_EQ(p.find("audio")->channels, 2);
  EXPECT_NEAR(p.durationSeconds, 2.0, 0.15);
  EXPECT_TRUE(g.writer->mixResult().videoCopied);  // already as the profile wants it
  EXPECT_FALSE(fs::exists(partialName(out)));
}

// A capture at another frame rate, or a profile of another size, is encoded anew as the
// profile says; a WAV of another rate and channel count is converted.
TEST_F(MixGraphTest, VideoUnlikeTheProfileIsReencodedAndSoundConverted) {
  vktest::writeWav(wav, 1.0, 22050, 1);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 1.0, 320, 200, 30));
  WMProfile profile = hdProfile();
  profile.video->width = 160;
  profile.video->height = 100;
  MixGraph g(out, wav, video, profile);
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(), EC_COMPLETE);
  EXPECT_EQ(g.graph.Stop(), S_OK);
  EXPECT_FALSE(g.writer->mixResult().videoCopied);
  const vktest::FileProbe p = vktest::probeFile(out);
  ASSERT_TRUE(p.find("video") && p.find("audio"));
  EXPECT_EQ(p.find("video")->codec, "wmv2");
  EXPECT_EQ(p.find("video")->width, 160);
  EXPECT_NEAR(p.find("video")->frameRate, 25.0, 0.01);
  EXPECT_EQ(p.find("audio")->sampleRate, 44100);
  EXPECT_EQ(p.find("audio")->channels, 2);
  EXPECT_NEAR(p.durationSeconds, 1.0, 0.15);
}

// Of the capture's size but not its frame rate: the decoded pictures go to the encoder as they
// are, at the profile's rate.
TEST_F(MixGraphTest, ACaptureOfAnotherFrameRateIsReencodedAtItsOwnSize) {
  vktest::writeWav(wav, 1.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 1.0, 320, 200, 30));
  MixGraph g(out, wav, video, hdProfile());
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(), EC_COMPLETE);
  EXPECT_EQ(g.graph.Stop(), S_OK);
  EXPECT_FALSE(g.writer->mixResult().videoCopied);
  const vktest::VideoProbe v = vktest::probeVideo(out);
  EXPECT_EQ(v.codec, "wmv2");
  EXPECT_EQ(v.width, 320);
  EXPECT_NEAR(v.durationSeconds, 1.0, 0.15);
  EXPECT_NEAR(static_cast<double>(v.pictures), 25, 1);
  const vktest::VideoProbe source = vktest::probeVideo(video);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(v.top[c], source.top[c], 16) << c;  // the same picture, not a garbled one
    EXPECT_NEAR(v.bottom[c], source.bottom[c], 16) << c;
  }
}

TEST_F(MixGraphTest, WithoutAVideoTheFileHasTheSoundOnly) {
  vktest::writeWav(wav, 1.5);
  MixGraph g(out, wav, "", hdProfile());
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(), EC_COMPLETE);
  EXPECT_EQ(g.graph.Stop(), S_OK);
  const vktest::FileProbe p = vktest::probeFile(out);
  EXPECT_EQ(p.container, "asf");
  ASSERT_EQ(p.streams.size(), 1u);
  EXPECT_EQ(p.streams[0].codec, "wmav2");
  EXPECT_NEAR(p.durationSeconds, 1.5, 0.15);
}

// A stop position cuts the file there.
TEST_F(MixGraphTest, TheStopPositionEndsTheFile) {
  vktest::writeWav(wav, 2.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 2.0, 320, 200, 25));
  MixGraph g(out, wav, video, hdProfile());
  REFERENCE_TIME start = 0, stop = kUnitsPerSecond;
  ASSERT_EQ(g.writer->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning), S_OK);
  REFERENCE_TIME later = kUnitsPerSecond;
  EXPECT_EQ(g.writer->SetPositions(&later, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning), E_NOTIMPL);
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(), EC_COMPLETE);
  g.graph.Stop();
  EXPECT_NEAR(vktest::probeFile(out).durationSeconds, 1.0, 0.15);
}

// While the file is written it has only its temporary name; a stop before the end removes it.
TEST_F(MixGraphTest, AStopMidwayLeavesNoFileUnderEitherName) {
  vktest::writeWav(wav, 2.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 2.0, 320, 200, 25));
  setMuxPacketDelayForTesting(20000);
  MixGraph g(out, wav, video, hdProfile());
  ASSERT_EQ(g.graph.Run(), S_OK);
  EXPECT_EQ(g.complete(400), 0);  // still running
  EXPECT_TRUE(fs::exists(partialName(out)));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(g.graph.Stop(), E_ABORT);
  EXPECT_FALSE(fs::exists(partialName(out)));
  EXPECT_FALSE(fs::exists(out));
}

// The module killed mid-mix leaves the partial file only; the next mix of the work completes
// and takes its name.
TEST_F(MixGraphTest, AMixKilledMidwayLeavesOnlyThePartialFileAndTheNextMixCompletes) {
  vktest::writeWav(wav, 2.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 2.0, 320, 200, 25));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setMuxPacketDelayForTesting(50000);
    MixGraph g(out, wav, video, hdProfile());
    g.graph.Run();
    g.complete(60000);
    _exit(0);
  }
  for (int i = 0; i < 1000 && !fs::exists(partialName(out)); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(fs::exists(partialName(out)));
  EXPECT_FALSE(fs::exists(out));
  MixGraph again(out, wav, video, hdProfile());
  ASSERT_EQ(again.graph.Run(), S_OK);
  EXPECT_EQ(again.complete(), EC_COMPLETE);
  again.graph.Stop();
  EXPECT_FALSE(fs::exists(partialName(out)));
  EXPECT_NEAR(vktest::probeFile(out).durationSeconds, 2.0, 0.15);
}

// A source kept by its owner (the mixing job keeps the silent video's reader) is free again
// when its graph goes: a second mix with it has its video too.
TEST_F(MixGraphTest, ASourceThatOutlivesItsGraphMixesAgainInTheNext) {
  vktest::writeWav(wav, 1.0);
  ASSERT_TRUE(vktest::writeSilentVideo(video, 1.0, 320, 200, 25));
  std::shared_ptr<IBaseFilter> reader;
  ASSERT_EQ(CoCreateInstance(CLSID_WMAsfReader, reader), S_OK);
  queryInterface<IFileSourceFilter>(reader.get())->Load(oscompat::wideFromUtf8(video), nullptr);
  for (int round = 0; round < 2; ++round) {
    MixGraph g(out, wav, "", hdProfile());
    ASSERT_EQ(g.graph.AddFilter(reader, L"VideoSrc"), S_OK);
    ASSERT_EQ(g.graph.Connect(reader.get(), g.mux.get()), S_OK) << round;
    ASSERT_EQ(g.graph.Run(), S_OK);
    EXPECT_EQ(g.complete(), EC_COMPLETE);
    g.graph.Stop();
    EXPECT_TRUE(vktest::probeFile(out).find("video")) << round;
  }
  EXPECT_FALSE(reader->pins()[0]->isConnected());
}

// Inputs that cannot be mixed are refused with the reason, before anything is written.
TEST_F(MixGraphTest, UnreadableInputsAreRefusedAndNothingIsWritten) {
  {
    IGraphBuilder graph;
    EXPECT_EQ(graph.AddSourceFilter(oscompat::wideFromUtf8(dir.file("none.WAV")), L"AudioSrc", nullptr), E_FILE_OPEN);
    vktest::writeFile(dir.file("text.WAV"), "not a wav at all, just some text");
    EXPECT_EQ(graph.AddSourceFilter(oscompat::wideFromUtf8(dir.file("text.WAV")), L"AudioSrc", nullptr), E_INVALIDARG);
    EXPECT_EQ(graph.FindFilterByName(L"AudioSrc"), nullptr);
  }
  // A silent video that is not a video: the reader says so and the writer refuses to run.
  vktest::writeWav(wav, 1.0);
  vktest::writeFile(video, "garbage");
  MixGraph g(out, wav, video, hdProfile());
  EXPECT_EQ(g.graph.Run(), E_FILE_OPEN);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(partialName(out)));
}

TEST(WavFormat, AHeaderThatClaimsMoreThanTheFileHoldsIsCutToTheFile) {
  vktest::TempDir dir;
  vktest::writeWav(dir.file("a.wav"), 1.0);
  fs::resize_file(dir.file("a.wav"), 44 + 1000 * 4 + 3);  // cut mid-frame
  WavFormat f;
  std::string error;
  ASSERT_TRUE(readWavFormat(dir.file("a.wav"), f, error)) << error;
  EXPECT_EQ(f.dataOffset, 44);
  EXPECT_EQ(f.dataBytes, 1000 * 4);
  EXPECT_EQ(f.sampleRate, 44100);
  EXPECT_EQ(f.channels, 2);
}

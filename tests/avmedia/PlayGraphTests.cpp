// The playing chain: a file source connected to the listener through the decoder the graph
// puts in between, frames on the streaming thread, the end of the file, seeking, bad files.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "MixMedia.h"
#include "PlayMedia.h"
#include "TestSupport.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/SampleListener.h"
#include "avmedia/VideoDecoder.h"

using namespace avmedia;

namespace {

struct Chain {
  std::unique_ptr<IGraphBuilder> graph = std::make_unique<IGraphBuilder>();
  IBaseFilter* source = nullptr;
  std::shared_ptr<IBaseFilter> listener;
  VideoDecoder* decoder = nullptr;
  vktest::RecordingClient client;

  // The chain as the player builds it; the result of the connection.
  HRESULT build(const std::string& path, bool paced = false) {
    HRESULT hr = graph->AddSourceFilter(std::wstring(path.begin(), path.end()), L"Souce", &source);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = CoCreateInstance(CLSID_SampleListener, listener))) return hr;
    queryInterface<ISampleListener>(listener.get())->SetNotification(L"Listener1", &client);
    graph->AddFilter(listener, L"NullRenderer2");
    hr = graph->Connect(source, listener.get());
    decoder = dynamic_cast<VideoDecoder*>(graph->FindFilterByName(L"Video Decoder"));
    if (decoder) decoder->setPacing(paced);
    return hr;
  }
  long waitEnd(long timeoutMs = 10000) {
    long code = 0;
    return SUCCEEDED(graph->WaitForCompletion(timeoutMs, &code)) ? code : 0;
  }
  ~Chain() {
    if (graph) graph->Stop();
  }
};

class PlayGraphTest : public ::testing::Test {
 protected:
  vktest::TempDir dir_;
};

// Frames reach the listener the right way up (bottom row first) in R G B A order, with a
// media type that says so.
TEST_F(PlayGraphTest, DeliversBottomUpRgbaFramesWithTheirMediaType) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 5, 10));
  Chain c;
  ASSERT_EQ(c.build(path), S_OK);
  ASSERT_NE(c.decoder, nullptr);
  AM_MEDIA_TYPE type;
  ASSERT_EQ(queryInterface<ISampleListener>(c.listener.get())->ConnectionMediaType(&type), S_OK);
  ASSERT_GE(type.cbFormat, sizeof(VIDEOINFOHEADER));
  VIDEOINFOHEADER format;
  std::memcpy(&format, type.pbFormat, sizeof format);
  FreeMediaType(type);
  EXPECT_EQ(format.bmiHeader.biWidth, 64);
  EXPECT_EQ(format.bmiHeader.biHeight, 32);
  EXPECT_EQ(format.bmiHeader.biBitCount, 32);

  ASSERT_EQ(c.graph->Run(), S_OK);
  EXPECT_EQ(c.waitEnd(), EC_COMPLETE);
  EXPECT_EQ(c.client.count(), 5u);
  const std::vector<uint8_t> frame = c.client.last();
  ASSERT_EQ(frame.size(), 64u * 32 * 4);
  const uint8_t* firstRow = &frame[32 * 4];                 // bottom of the picture: blue
  const uint8_t* lastRow = &frame[(31 * 64 + 32) * 4];       // top of the picture: red
  EXPECT_LT(firstRow[0], 60);
  EXPECT_GT(firstRow[2], 180);
  EXPECT_GT(lastRow[0], 180);
  EXPECT_LT(lastRow[2], 60);
  EXPECT_EQ(lastRow[3], 255);
  const auto times = c.client.times();
  for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]);
}

// A real work: the silent video the capture path writes, decoded at its own pace.
TEST_F(PlayGraphTest, PlaysTheCapturesOwnVideoInRealTime) {
  const std::string path = dir_.file("capture.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 1.0, 320, 200, 10));
  Chain c;
  ASSERT_EQ(c.build(path, true), S_OK);
  const auto begun = std::chrono::steady_clock::now();
  ASSERT_EQ(c.graph->Run(), S_OK);
  EXPECT_EQ(c.waitEnd(), EC_COMPLETE);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
  // Paced: about the video's length, never much faster.
  EXPECT_GT(seconds, 0.8);
  EXPECT_GE(c.client.count() + static_cast<std::size_t>(c.decoder->stats().late), 9u);
  EXPECT_EQ(c.decoder->width(), 320);
}

// Rewinding after the end (what the player does) plays the video again from its first frame.
TEST_F(PlayGraphTest, RewindAfterTheEndStartsAgainFromTheFirstFrame) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 4, 10));
  Chain c;
  ASSERT_EQ(c.build(path), S_OK);
  ASSERT_EQ(c.graph->Run(), S_OK);
  ASSERT_EQ(c.waitEnd(), EC_COMPLETE);
  REFERENCE_TIME zero = 0;
  ASSERT_EQ(c.graph->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
  EXPECT_EQ(c.graph->Run(), S_FALSE);  // still running
  ASSERT_EQ(c.waitEnd(), EC_COMPLETE);
  const auto times = c.client.times();
  ASSERT_EQ(times.size(), 8u);
  EXPECT_EQ(times[4], times[0]);
  EXPECT_EQ(times[0], 0);
}

// Paused from stopped, the first frame shows and the rest waits; run goes on from there; stop
// and run again starts at the beginning.
TEST_F(PlayGraphTest, PauseShowsTheFirstFrameAndHolds) {
  const std::string path = dir_.file("two.wmv");
  ASSERT_TRUE(vktest::writeTwoColourVideo(path, 64, 32, 6, 10));
  Chain c;
  ASSERT_EQ(c.build(path), S_OK);
  ASSERT_EQ(c.graph->Pause(), S_OK);
  ASSERT_TRUE(c.client.waitFor(1));
  EXPECT_FALSE(c.client.waitFor(2, 200));
  ASSERT_EQ(c.graph->Run(), S_OK);
  ASSERT_EQ(c.waitEnd(), EC_COMPLETE);
  EXPECT_EQ(c.client.count(), 6u);
  ASSERT_EQ(c.graph->Stop(), S_OK);
  ASSERT_EQ(c.graph->Run(), S_OK);
  ASSERT_EQ(c.waitEnd(), EC_COMPLETE);
  const auto times = c.client.times();
  ASSERT_EQ(times.size(), 12u);
  EXPECT_EQ(times[6], 0);
}

// Stopping while frames stream ends the streaming thread: no frame comes after Stop returns.
TEST_F(PlayGraphTest, NoFrameArrivesAfterStop) {
  const std::string path = dir_.file("capture.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 2.0, 160, 120, 25));
  Chain c;
  ASSERT_EQ(c.build(path, true), S_OK);
  ASSERT_EQ(c.graph->Run(), S_OK);
  ASSERT_TRUE(c.client.waitFor(3));
  ASSERT_EQ(c.graph->Stop(), S_OK);
  const std::size_t n = c.client.count();
  EXPECT_FALSE(c.client.waitFor(n + 1, 100));
}

// Bad files: a clear failure where the file cannot be a video, otherwise what can be decoded
// plays and the end is reported; nothing crashes or hangs.
struct BadFile {
  const char* name;
  void (*make)(const std::string& good, const std::string& bad);
  bool sourceOpens;
  long end;  // the event at the end of the pass (when the source opens)
};

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}
void spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

const BadFile kBadFiles[] = {
    {"Missing", [](const std::string&, const std::string&) {}, false, 0},
    {"NotAVideo", [](const std::string&, const std::string& bad) { spit(bad, std::string(5000, 'x')); }, false, 0},
    {"Empty", [](const std::string&, const std::string& bad) { spit(bad, ""); }, false, 0},
    {"Truncated",
     [](const std::string& good, const std::string& bad) {
       const std::string all = slurp(good);
       spit(bad, all.substr(0, all.size() * 2 / 3));
     },
     true, EC_COMPLETE},
    {"CorruptMiddle",
     [](const std::string& good, const std::string& bad) {
       std::string all = slurp(good);
       for (std::size_t i = all.size() / 3; i < all.size() * 2 / 3; i += 7) all[i] = static_cast<char>(i * 31);
       spit(bad, all);
     },
     true, EC_COMPLETE},
    {"NoFrames", [](const std::string&, const std::string& bad) { ASSERT_TRUE(vktest::writeEmptyVideo(bad)); }, true,
     EC_ERRORABORT},
};

class BadFileTest : public PlayGraphTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, FailsCleanlyOrPlaysWhatThereIs) {
  const std::string good = dir_.file("good.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(good, 1.0, 160, 120, 10));
  const std::string bad = dir_.file("bad.wmv");
  GetParam().make(good, bad);
  Chain c;
  const HRESULT hr = c.build(bad);
  if (!GetParam().sourceOpens) {
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(c.source, nullptr);
    return;
  }
  ASSERT_EQ(hr, S_OK);
  ASSERT_EQ(c.graph->Run(), S_OK);
  EXPECT_EQ(c.waitEnd(), GetParam().end);
  if (GetParam().end == EC_ERRORABORT) EXPECT_EQ(c.client.count(), 0u);
  else EXPECT_GT(c.client.count(), 0u);
  // The player's loop: a rewind after the end plays again without trouble.
  REFERENCE_TIME zero = 0;
  c.graph->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  EXPECT_EQ(c.waitEnd(), GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(Files, BadFileTest, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// A source connected to a receiver that reads files itself (the mixing writer) gets no decoder.
TEST_F(PlayGraphTest, MixingWriterStillTakesTheFileSourceDirectly) {
  const std::string path = dir_.file("capture.wmv");
  ASSERT_TRUE(vktest::writeSilentVideo(path, 0.5, 160, 120, 10));
  IGraphBuilder graph;
  IBaseFilter* source = nullptr;
  ASSERT_EQ(graph.AddSourceFilter(std::wstring(path.begin(), path.end()), L"Video", &source), S_OK);
  std::shared_ptr<IBaseFilter> writer;
  ASSERT_EQ(CoCreateInstance(CLSID_WMAsfWriter, writer), S_OK);
  graph.AddFilter(writer, L"Writer");
  ASSERT_EQ(graph.Connect(source, writer.get()), S_OK);
  EXPECT_EQ(graph.FindFilterByName(L"Video Decoder"), nullptr);
}

}  // namespace

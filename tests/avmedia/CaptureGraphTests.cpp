// The capture graph without a window: the test stands in for the shell and hands the capture
// source frames, the writer makes a real Windows Media file, read back as a player would.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "WmvProbe.h"
#include "avmedia/AsfWriter.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/WindowCapture.h"
#include "oscompat/Utf.h"

using namespace avmedia;

namespace {

// A drawn frame as OpenGL gives it: rows from the bottom up, the top half red, the bottom blue.
struct DrawnFrame {
  std::vector<uint8_t> rgba;
  guishell::RenderedFrame frame;
  DrawnFrame(int w, int h, int64_t at) : rgba(static_cast<std::size_t>(w) * h * 4) {
    for (int row = 0; row < h; ++row) {
      const bool top = row >= h / 2;  // bottom-up: the last rows are the top of the picture
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &rgba[(static_cast<std::size_t>(row) * w + x) * 4];
        p[0] = top ? 220 : 20;
        p[1] = 20;
        p[2] = top ? 20 : 220;
        p[3] = 255;
      }
    }
    frame.rgba = rgba.data();
    frame.width = w;
    frame.height = h;
    frame.stride = w * 4;
    frame.bottomUp = true;
    frame.drawnAtUs = at;
  }
};

struct CaptureGraph {
  IGraphBuilder graph;
  std::shared_ptr<WindowCapture> capture = std::make_shared<WindowCapture>();
  std::shared_ptr<AsfWriter> writer = std::make_shared<AsfWriter>();

  explicit CaptureGraph(const std::string& path, int fps = 25) {
    WMProfile profile;
    profile.video = WMProfile::Video{};
    profile.video->width = 320;
    profile.video->height = 200;
    profile.video->frameRate = fps;
    EXPECT_EQ(writer->ConfigureFilterUsingProfile(profile), S_OK);
    EXPECT_EQ(writer->SetFileName(oscompat::wideFromUtf8(path)), S_OK);
    EXPECT_EQ(graph.AddFilter(capture, L"WndCap"), S_OK);
    EXPECT_EQ(graph.AddFilter(writer, L"Mux"), S_OK);
    EXPECT_EQ(graph.Connect(capture.get(), writer.get()), S_OK);
  }

  // Waits until the writer has taken every frame handed to it, so that none is dropped.
  void waitForWriter(int64_t handedOver) {
    for (int i = 0; i < 2000 && writer->stats().encoded + writer->stats().late < handedOver; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
};

long completionOf(IGraphBuilder& graph) {
  long code = 0;
  return graph.WaitForCompletion(5000, &code) == S_OK ? code : 0;
}

}  // namespace

TEST(CaptureGraph, FramesBecomeASilentWmv2FileAsLongAsTheRunTheRightWayUpAtTheWritersSize) {
  vktest::TempDir dir;
  const std::string path = dir.file("noAudio.WMV");
  CaptureGraph g(path);
  // The run began two seconds ago; frames come 30 a second for the capture to pick from, and
  // the window changes its size half-way through.
  const int64_t start = guishell::frameClockUs() - 2'000'000;
  ASSERT_EQ(g.writer->Run(start), S_OK);
  ASSERT_EQ(g.capture->Run(start), S_OK);
  int64_t taken = 0;
  for (int64_t t = start; t < start + 2'000'000; t += 33'333) {
    if (!g.capture->wantsFrame(t)) continue;
    DrawnFrame f(t < start + 1'000'000 ? 640 : 480, t < start + 1'000'000 ? 400 : 270, t);
    g.capture->onFrame(f.frame);
    g.waitForWriter(++taken);
  }
  const double before = (guishell::frameClockUs() - start) / 1e6;
  g.capture->Stop();
  ASSERT_EQ(g.writer->Stop(), S_OK);
  const double after = (guishell::frameClockUs() - start) / 1e6;
  const WriterStats stats = g.writer->stats();
  EXPECT_EQ(stats.dropped, 0);
  EXPECT_EQ(stats.received, taken);
  // 30 frames a second offered, 25 taken.
  EXPECT_NEAR(static_cast<double>(taken), 50, 2);

  const vktest::VideoProbe probe = vktest::probeVideo(path);
  ASSERT_TRUE(probe.opened);
  EXPECT_EQ(probe.container, "asf");
  EXPECT_EQ(probe.codec, "wmv2");
  EXPECT_EQ(probe.width, 320);
  EXPECT_EQ(probe.height, 200);
  EXPECT_EQ(probe.audioStreams, 0);
  // The video ends where the run stopped, within one frame (plus the ASF header's rounding).
  EXPECT_GE(probe.durationSeconds, before - 0.045);
  EXPECT_LE(probe.durationSeconds, after + 0.045);
  EXPECT_GT(probe.top[0], 150);
  EXPECT_LT(probe.top[2], 90);
  EXPECT_GT(probe.bottom[2], 150);
  EXPECT_LT(probe.bottom[0], 90);
}

TEST(CaptureGraph, AFullQueueDropsFramesAndCountsThemWithoutWaiting) {
  vktest::TempDir dir;
  CaptureGraph g(dir.file("noAudio.WMV"));
  ASSERT_EQ(g.graph.Run(), S_OK);
  // Everything the writer can hold is taken (as if the encoder had fallen behind).
  auto* in = dynamic_cast<IInputPin*>(g.writer->pins()[0]);
  std::vector<SamplePtr> held;
  while (SamplePtr s = in->GetBuffer()) held.push_back(std::move(s));
  EXPECT_EQ(held.size(), AsfWriter::kQueueFrames);
  DrawnFrame f(320, 200, guishell::frameClockUs());
  const auto before = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) g.capture->onFrame(f.frame);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(100));
  EXPECT_EQ(g.writer->stats().dropped, 3);
  EXPECT_EQ(g.writer->stats().received, 0);
  // Buffers given back take frames again.
  held.clear();
  g.capture->onFrame(f.frame);
  EXPECT_EQ(g.writer->stats().received, 1);
  EXPECT_EQ(g.graph.Stop(), S_OK);
  EXPECT_EQ(completionOf(g.graph), EC_COMPLETE);
}

TEST(CaptureGraph, AFileThatCannotBeWrittenAbortsTheRunWithTheReasonAndNeverHangs) {
  struct Case {
    const char* path;
    HRESULT expected;
  };
  for (const Case c : {Case{"/nonexistent-folder/noAudio.WMV", E_FILE_OPEN}, Case{"/dev/full", E_DISK_FULL}}) {
    SCOPED_TRACE(c.path);
    CaptureGraph g(c.path);
    const int64_t start = guishell::frameClockUs() - 1'000'000;
    ASSERT_EQ(g.writer->Run(start), S_OK);
    ASSERT_EQ(g.capture->Run(start), S_OK);
    for (int64_t t = start; t < start + 1'000'000; t += 40'000) {
      DrawnFrame f(320, 200, t);
      if (g.capture->wantsFrame(t)) g.capture->onFrame(f.frame);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    g.capture->Stop();
    EXPECT_EQ(g.writer->Stop(), c.expected) << g.writer->stats().error;
    EXPECT_FALSE(g.writer->stats().error.empty());
    long code = 0, p1 = 0, p2 = 0;
    ASSERT_EQ(g.graph.GetEvent(&code, &p1, &p2, 1000), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, c.expected);
  }
}

TEST(CaptureGraph, BuildingRefusesWhatCannotWork) {
  IGraphBuilder graph;
  auto writer = std::make_shared<AsfWriter>();
  auto capture = std::make_shared<WindowCapture>();
  EXPECT_EQ(graph.AddFilter(nullptr, L"x"), E_POINTER);
  ASSERT_EQ(graph.AddFilter(writer, L"Mux"), S_OK);
  EXPECT_EQ(graph.AddFilter(capture, L"Mux"), E_INVALIDARG);  // one name, one filter
  ASSERT_EQ(graph.AddFilter(capture, L"WndCap"), S_OK);
  EXPECT_EQ(graph.FindFilterByName(L"WndCap"), capture.get());
  EXPECT_EQ(graph.Connect(nullptr, writer.get()), E_POINTER);
  // A writer has no output, a capture no input.
  EXPECT_EQ(graph.Connect(writer.get(), capture.get()), VFW_E_NOT_FOUND);
  // Not connected yet: the writer has no file and nothing to write.
  EXPECT_EQ(graph.Run(), E_UNEXPECTED);
  ASSERT_EQ(writer->SetFileName(L"/tmp/never-written.WMV"), S_OK);
  EXPECT_EQ(graph.Run(), VFW_E_NOT_CONNECTED);
  EXPECT_FALSE(graph.running());
  ASSERT_EQ(graph.Connect(capture.get(), writer.get()), S_OK);
  EXPECT_EQ(graph.Connect(capture.get(), writer.get()), VFW_E_NOT_FOUND);  // both pins taken
  EXPECT_EQ(capture->SetCaptureSize(8, 8), E_INVALIDARG);
  // Nothing waits for an event that does not come.
  long code = 0;
  EXPECT_EQ(graph.WaitForCompletion(10, &code), E_ABORT);
  // A capture needs a profile with pictures in it: one with sound only (a mix may use it) is
  // taken, but the capture does not run with it.
  WMProfile audioOnly;
  audioOnly.audio = WMProfile::Audio{};
  EXPECT_EQ(writer->ConfigureFilterUsingProfile(audioOnly), S_OK);
  EXPECT_EQ(graph.Run(), E_UNEXPECTED);
  EXPECT_FALSE(graph.running());
  EXPECT_EQ(writer->ConfigureFilterUsingProfile(WMProfile{}), E_INVALIDARG);  // no stream at all
}

TEST(CaptureGraph, WithoutADrawnWindowThereIsNoCaptureSource) {
  // The tests draw no window: the capture source cannot be made; the writer can.
  std::shared_ptr<IBaseFilter> filter;
  EXPECT_EQ(CoCreateInstance(CLSID_WndCap, filter), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(filter);
  EXPECT_EQ(CoCreateInstance(CLSID_WMAsfWriter, filter), S_OK);
  EXPECT_TRUE(queryInterface<IConfigAsfWriter>(filter.get()));
  EXPECT_EQ(CoCreateInstance("{00000000-0000-0000-0000-000000000000}", filter), REGDB_E_CLASSNOTREG);
}

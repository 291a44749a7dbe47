// The performance's screen capture: while the song is sung, the singing screen goes into the
// silent video of the performance through a capture graph (the shell's frames into a Windows
// Media file). It is best-effort: without a window to capture, or when the graph cannot be
// built, the song goes on without a silent video.
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "PK/CMissonPk.h"
#include "app/AppLog.h"
#include "app/ModulePaths.h"
#include "avmedia/AsfWriter.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/WindowCapture.h"
#include "oscompat/Utf.h"

namespace {
// The silent videos still being completed.
struct PendingStops {
  std::mutex lock;
  std::condition_variable done;
  int count = 0;
};
PendingStops& pendingStops() {
  static PendingStops p;
  return p;
}

std::string hex(avmedia::HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}
}  // namespace

std::string CMissonPk::captureProfilePath() { return moduleDirectoryUtf8() + "/Record/album_chs.prx"; }

void CMissonPk::startCapture() {
  using namespace avmedia;
  // Development: VOKARAN_CAPTURE=0 sings without the silent video (to measure what it costs).
  if (const char* knob = std::getenv("VOKARAN_CAPTURE"); knob && std::string(knob) == "0") return;
  std::unique_ptr<IGraphBuilder> graph;
  if (FAILED(CoCreateFilterGraph(graph))) return;
  std::shared_ptr<IBaseFilter> source;
  if (FAILED(CoCreateInstance(CLSID_WndCap, source))) {
    appLog("CMissonPk: no screen to capture; " + oscompat::utf8FromWide(songId()) + " is sung without a video");
    return;
  }
  if (auto* size = queryInterface<ICaptureSize>(source.get())) size->SetCaptureSize(kCaptureWidth, kCaptureHeight);
  std::shared_ptr<IBaseFilter> mux;
  HRESULT hr = graph->AddFilter(source, L"WndCap");
  if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_WMAsfWriter, mux);
  if (SUCCEEDED(hr)) {
    if (auto* sink = queryInterface<IFileSinkFilter>(mux.get())) sink->SetFileName(files.silentVideoPath);
    hr = graph->AddFilter(mux, L"Mux");
  }
  if (SUCCEEDED(hr)) {
    // Without its profile the writer keeps its own settings.
    WMProfile profile;
    std::string error;
    if (auto* config = queryInterface<IConfigAsfWriter>(mux.get())) {
      if (SUCCEEDED(LoadProfileFromFile(captureProfilePath(), profile, &error)))
        config->ConfigureFilterUsingProfile(profile);
      else
        appLogError("CMissonPk: the capture profile was not read: " + error);
    }
    hr = graph->Connect(source.get(), mux.get());
  }
  if (SUCCEEDED(hr)) hr = graph->Run();
  if (FAILED(hr)) {
    appLogError("CMissonPk: the screen capture did not start (" + hex(hr) + ")");
    return;
  }
  captureGraph_ = std::move(graph);
}

void CMissonPk::stopCapture() {
  if (!captureGraph_) return;
  // The writer finishes the file on a thread of its own: the GUI never waits for the disk.
  {
    std::lock_guard g(pendingStops().lock);
    ++pendingStops().count;
  }
  std::thread([graph = std::move(captureGraph_)]() mutable {
    const avmedia::HRESULT hr = graph->Stop();
    if (avmedia::FAILED(hr)) appLogError("CMissonPk: the silent video is incomplete (" + hex(hr) + ")");
    graph.reset();
    auto& pending = pendingStops();
    std::lock_guard g(pending.lock);
    --pending.count;
    pending.done.notify_all();
  }).detach();
}

bool CMissonPk::captureFailed() {
  if (!captureGraph_) return false;
  long code = 0, param1 = 0, param2 = 0;
  bool failed = false;
  while (captureGraph_->GetEvent(&code, &param1, &param2, 0) == avmedia::S_OK)
    if (code == avmedia::EC_ERRORABORT) failed = true;
  if (failed) appLogError("CMissonPk: the silent video of " + oscompat::utf8FromWide(files.baseName) + " stopped early");
  return failed;
}

bool CMissonPk::finishCaptures(int timeoutMs) {
  auto& pending = pendingStops();
  std::unique_lock g(pending.lock);
  return pending.done.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return pending.count == 0; });
}

// The playing chain under ThreadSanitizer, outside the test suite (the GUI library is not
// instrumented, so the suite's GUI tests cannot run under it): the decoder's streaming thread
// stores frames through the listener callback into the frame pool while this thread takes
// them as the video window does, pauses, seeks, stops, and finally detaches the callback and
// frees it while the graph still delivers. Build and run with tests/poolbuffers/tsan-chain.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio/CSampleData.h"
#include "audio/CSampleNotificationClient.h"
#include "avmedia/FilterGraph.h"
#include "avmedia/SampleListener.h"
#include "avmedia/VideoDecoder.h"

using namespace avmedia;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string path = argv[1];
  auto* pool = poolbuffers::CreateBufferManager();
  CSampleData frames[3];
  for (auto& f : frames) pool->addBuffer(&f);
  auto* client = new CSampleNotificationClientImp(pool);

  IGraphBuilder graph;
  IBaseFilter* source = nullptr;
  if (FAILED(graph.AddSourceFilter(std::wstring(path.begin(), path.end()), L"Souce", &source))) return 3;
  std::shared_ptr<IBaseFilter> listener = std::make_shared<SampleListener>();
  auto* sink = queryInterface<ISampleListener>(listener.get());
  sink->SetNotification(L"Listener1", client);
  graph.AddFilter(listener, L"NullRenderer2");
  if (FAILED(graph.Connect(source, listener.get()))) return 4;
  AM_MEDIA_TYPE type;
  sink->ConnectionMediaType(&type);
  client->setMediaType(&type);
  FreeMediaType(type);
  auto* decoder = dynamic_cast<VideoDecoder*>(graph.FindFilterByName(L"Video Decoder"));
  decoder->setPacing(false);

  long drawn = 0, checksum = 0;
  auto consume = [&](int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      auto* f = static_cast<CSampleData*>(pool->takeLatest());
      if (!f) continue;
      if (f->data()) checksum += f->data()[f->dataLength() / 2] + f->header()->biWidth;
      ++drawn;
      pool->giveBack(f);
    }
  };
  graph.Run();
  consume(300);
  graph.Pause();
  consume(50);
  graph.Run();
  for (int i = 0; i < 5; ++i) {
    REFERENCE_TIME zero = 0;
    graph.SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    consume(60);
  }
  graph.Stop();
  for (auto& f : frames) f.clearData();
  graph.Run();
  consume(100);
  // The player's end while the graph goes on: detach, then free.
  sink->SetNotification(L"Listener1", nullptr);
  delete client;
  consume(100);
  graph.Stop();
  pool->resetBuffers();
  poolbuffers::DestroyBufferManager(pool);
  std::printf("drawn %ld frames (checksum %ld), delivered %lld\n", drawn, checksum,
              static_cast<long long>(decoder->stats().delivered));
  return drawn > 0 ? 0 : 1;
}

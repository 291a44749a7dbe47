// Playing a work's video, measured: (1) the reader's decode + conversion to the texture's RGBA
// layout as fast as it goes, per frame (run-video-bench compares it with the ffmpeg command
// line decoding the same file); (2) the chain at real-time pace into the player's frame pool
// with a consumer that draws at 60 Hz as the GUI thread does: frames skipped late, dropped for
// want of a buffer, and never drawn; (3) with "--upload" and a display, the GUI thread's cost
// of loading a frame into the renderer's texture (OpenGL 3), its median and 99th percentile.
// usage: vokaran-video-bench WORK.wmv [--upload]
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/OpenGL/GL3Renderer.h>
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/CSampleData.h"
#include "audio/CSampleNotificationClient.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/SampleListener.h"
#include "avmedia/VideoDecoder.h"
#include "avmedia/VideoFileReader.h"

using namespace avmedia;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

int decodeAll(const std::string& path) {
  VideoFileReader reader;
  if (!reader.open(path)) {
    std::fprintf(stderr, "%s\n", reader.error().c_str());
    return 1;
  }
  std::vector<uint8_t> frame(reader.frameBytes());
  long frames = 0;
  double convert = 0;
  const auto t0 = Clock::now();
  REFERENCE_TIME pts = 0;
  while (reader.decodeNext(&pts) == VideoFileReader::Step::Frame) {
    const auto c0 = Clock::now();
    reader.convertTo(frame.data());
    convert += since(c0);
    ++frames;
  }
  const double total = since(t0);
  std::printf("decode_convert frames=%ld seconds=%.3f ms_per_frame=%.3f convert_ms_per_frame=%.3f size=%dx%d\n", frames,
              total, 1000 * total / std::max(frames, 1L), 1000 * convert / std::max(frames, 1L), reader.width(),
              reader.height());
  return 0;
}

int realTime(const std::string& path) {
  auto* pool = poolbuffers::CreateBufferManager();
  CSampleData frames[3];
  for (auto& f : frames) pool->addBuffer(&f);
  CSampleNotificationClientImp client(pool);
  std::shared_ptr<IGraphBuilder> graph;
  CoCreateFilterGraph(graph);
  IBaseFilter* source = nullptr;
  if (FAILED(graph->AddSourceFilter(std::wstring(path.begin(), path.end()), L"Souce", &source))) return 1;
  std::shared_ptr<IBaseFilter> listener;
  CoCreateInstance(CLSID_SampleListener, listener);
  auto* sink = queryInterface<ISampleListener>(listener.get());
  sink->SetNotification(L"Listener1", &client);
  graph->AddFilter(listener, L"NullRenderer2");
  if (FAILED(graph->Connect(source, listener.get()))) return 1;
  AM_MEDIA_TYPE type;
  sink->ConnectionMediaType(&type);
  client.setMediaType(&type);
  FreeMediaType(type);
  auto* decoder = dynamic_cast<VideoDecoder*>(graph->FindFilterByName(L"Video Decoder"));
  std::atomic<bool> done{false};
  long drawn = 0;
  const uint8_t* lastDrawn = nullptr;
  long sameAgain = 0;
  std::thread gui([&] {
    // The GUI thread at 60 frames a second, taking the latest frame as the renderer does.
    auto next = Clock::now();
    while (!done) {
      next += std::chrono::microseconds(16667);
      std::this_thread::sleep_until(next);
      auto* f = static_cast<CSampleData*>(pool->takeLatest());
      if (!f) continue;
      if (f->data() == lastDrawn) ++sameAgain;
      else ++drawn;
      lastDrawn = f->data();
      pool->giveBack(f);
    }
  });
  const auto t0 = Clock::now();
  graph->Run();
  long code = 0;
  graph->WaitForCompletion(3600 * 1000, &code);
  const double wall = since(t0);
  graph->Stop();
  done = true;
  gui.join();
  const DecoderStats s = decoder->stats();
  std::printf("realtime decoded=%lld delivered=%lld late_skipped=%lld no_buffer=%lld superseded=%zu wall=%.3f\n",
              static_cast<long long>(s.decoded), static_cast<long long>(s.delivered), static_cast<long long>(s.late),
              static_cast<long long>(s.noBuffer), pool->supersededCount(), wall);
  sink->SetNotification(L"Listener1", nullptr);
  poolbuffers::DestroyBufferManager(pool);
  return 0;
}

int upload(const std::string& path) {
  VideoFileReader reader;
  if (!reader.open(path)) return 1;
  std::vector<uint8_t> frame(reader.frameBytes());
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::printf("upload skipped: %s\n", SDL_GetError());
    return 0;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* window = SDL_CreateWindow("video-bench", 0, 0, 1440, 900, SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    std::printf("upload skipped: %s\n", SDL_GetError());
    return 0;
  }
  CEGUI::OpenGL3Renderer& renderer = CEGUI::OpenGL3Renderer::create(CEGUI::Sizef(1440, 900));
  CEGUI::Texture& texture = renderer.createTexture("bench", CEGUI::Sizef(128, 128));
  // Each frame loaded anew (the texture reallocated), then written into the texture of the
  // same size as the video window's renderer does once the size is known.
  for (const bool blit : {false, true}) {
    std::vector<double> ms;
    reader.seekTo(0);
    REFERENCE_TIME pts = 0;
    while (reader.decodeNext(&pts) == VideoFileReader::Step::Frame) {
      reader.convertTo(frame.data());
      const CEGUI::Sizef size(reader.width(), reader.height());
      const auto t0 = Clock::now();
      if (blit && texture.getSize() == size)
        texture.blitFromMemory(frame.data(), CEGUI::Rectf(CEGUI::Vector2f(0, 0), size));
      else
        texture.loadFromMemory(frame.data(), size, CEGUI::Texture::PF_RGBA);
      glFinish();
      ms.push_back(1000 * since(t0));
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty())
      std::printf("upload(%s) frames=%zu median_ms=%.3f p99_ms=%.3f max_ms=%.3f gl=%s\n", blit ? "write" : "load",
                  ms.size(), ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back(),
                  reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  }
  renderer.destroyTexture(texture);
  CEGUI::OpenGL3Renderer::destroy(renderer);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vokaran-video-bench WORK.wmv [--upload]\n");
    return 2;
  }
  const std::string path = argv[1];
  if (argc > 2 && std::strcmp(argv[2], "--upload") == 0) return upload(path);
  if (int rc = decodeAll(path)) return rc;
  return realTime(path);
}

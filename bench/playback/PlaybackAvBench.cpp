// How far the playback window's picture is from its sound while a work plays: the engine's live
// mix position against the position of the video's picture, sampled every 100 ms after the
// start, after a seek and after a pause and resume. Runs headless in real time, the engine on its
// file device at real-time pace.
// usage: vokaran-playback-av-bench WORK.wmv [seconds]   (the work's recording is made silent)
#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Upload/CPKPlaybackWnd.h"
#include "app/ModulePaths.h"
#include "guishell/CEGuiSample.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"
#include "widgets/WidgetRegistration.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchShell : public CEGuiSample {
 public:
  CEGUI::Window* sheet = nullptr;

 protected:
  bool initialiseApp() override {
    registerWidgets();
    CEGUI::SchemeManager::getSingleton().createFromFile("TaharezLook.scheme");
    sheet = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", "Root");
    guiContext().setRootWindow(sheet);
    return true;
  }
  void cleanupApp() override {}
};

void writeSilence(const std::string& path, long bytes) {
  std::ofstream out(path, std::ios::binary);
  const std::vector<char> block(1 << 16, 0);
  for (long left = bytes; left > 0; left -= static_cast<long>(block.size()))
    out.write(block.data(), std::min<long>(left, static_cast<long>(block.size())));
}

struct Offsets {
  std::vector<int> ms;
  void report(const char* phase) {
    if (ms.empty()) {
      std::printf("%-22s no samples (no picture position)\n", phase);
      return;
    }
    std::vector<int> magnitude(ms.size());
    std::transform(ms.begin(), ms.end(), magnitude.begin(), [](int v) { return std::abs(v); });
    std::vector<int> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-22s samples=%3zu median=%+5d ms worst=%4d ms within40=%3.0f%%\n", phase, ms.size(),
                sorted[sorted.size() / 2], *std::max_element(magnitude.begin(), magnitude.end()),
                100.0 * std::count_if(magnitude.begin(), magnitude.end(), [](int v) { return v <= 40; }) /
                    static_cast<double>(magnitude.size()));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vokaran-playback-av-bench WORK.wmv [seconds]\n");
    return 2;
  }
  const std::string video = argv[1];
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
  ::setenv("VOKARAN_AUDIO", "file", 0);
  ::setenv("VOKARAN_AUDIO_PACE", "realtime", 0);
  if (VokaOpenW((moduleDirectory() + L"/PKData/RadeZuz76e.sdc").c_str()) != 0) {
    std::fprintf(stderr, "the engine did not open\n");
    return 1;
  }
  const std::string temp = "/tmp/vk-playback-av-" + std::to_string(::getpid());
  const std::string voice = temp + "Voice.pcm", music = temp + "music.pcm";
  writeSilence(voice, 2L * 44100 * seconds);
  writeSilence(music, 4L * 44100 * seconds);

  BenchShell shell;
  shell.setHeadless(true);
  if (!shell.startUp()) return 1;
  IPlaybackVideo* picture = nullptr;
  PlaybackWndContext context;
  context.video = [&picture](CEGUI::Window* w) {
    std::unique_ptr<IPlaybackVideo> v = makePlaybackVideo(w);
    picture = v.get();
    return v;
  };
  auto page = std::make_unique<CPKPlaybackWnd>(std::move(context));
  page->attach(shell.sheet);
  PlaybackSource source;
  source.voicePath = oscompat::wideFromUtf8(voice);
  source.musicPath = oscompat::wideFromUtf8(music);
  source.videoPath = oscompat::wideFromUtf8(video);
  page->setSource(source);

  // Runs the GUI loop for `ms` of real time; samples every 100 ms after `settleMs`.
  const auto run = [&](int ms, int settleMs, Offsets* into) {
    const auto start = Clock::now();
    auto nextSample = start + std::chrono::milliseconds(settleMs);
    while (Clock::now() - start < std::chrono::milliseconds(ms)) {
      shell.runFrame();
      if (into && Clock::now() >= nextSample && picture) {
        const int pictureMs = picture->positionMs();
        const int soundMs = GetRecMixPlayPosMs();
        if (pictureMs >= 0) into->ms.push_back(pictureMs - soundMs);
        nextSample += std::chrono::milliseconds(100);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  const int third = seconds * 1000 / 3;
  Offsets playing, afterSeek, afterPause;
  run(third, 1000, &playing);
  page->seekTo(2 * third);
  run(third / 2, 500, &afterSeek);
  page->togglePlay();
  run(1000, 0, nullptr);
  page->togglePlay();
  run(third / 2, 500, &afterPause);
  std::printf("work: %s, %d s of silent recording; picture minus sound, sampled every 100 ms\n", video.c_str(),
              seconds);
  playing.report("playing from the start");
  afterSeek.report("after a seek");
  afterPause.report("after pause + resume");
  page->back();
  page.reset();
  shell.shutDown();
  VokaClose();
  std::remove(voice.c_str());
  std::remove(music.c_str());
  return 0;
}

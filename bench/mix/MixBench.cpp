// One mix of a recorded performance as the works window makes it (CMixImageWMV: the engine's
// WAV mix, then the encode with the installation's HD profile), timed. Driven by run-mix-bench
// against the ffmpeg command line doing the same job from the same files.
// usage: vokaran-mix-bench VOICE.pcm MUSIC.pcm SILENT.WMV|- OUT.WMV
#include <chrono>
#include <cstdio>

#include "Upload/CMixImageWMV.h"
#include "Upload/UploadItem.h"
#include "oscompat/Paths.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s VOICE.pcm MUSIC.pcm SILENT.WMV|- OUT.WMV\n", argv[0]);
    return 2;
  }
  using oscompat::wideFromUtf8;
  if (VokaOpenW(wideFromUtf8(oscompat::moduleDirectory() + "/PKData/RadeZuz76e.sdc").c_str()) != 0) {
    std::fprintf(stderr, "the engine did not open\n");
    return 1;
  }
  UploadItem work;
  work.VoicePcmFile = wideFromUtf8(argv[1]);
  work.MusicPcmFile = wideFromUtf8(argv[2]);
  if (std::string(argv[3]) != "-") work.SoundlessVideoFile = wideFromUtf8(argv[3]);
  work.UploadFile = wideFromUtf8(argv[4]);
  const auto start = std::chrono::steady_clock::now();
  auto job = CMixImageWMV::forWork(work);
  const bool ok = job->run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  VokaClose();
  if (!ok) {
    std::fprintf(stderr, "the mix failed: %s\n", job->failure().c_str());
    return 1;
  }
  std::printf("mix_seconds=%.3f\n", seconds);
  return 0;
}

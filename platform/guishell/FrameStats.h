#pragma once
// How long the GUI thread works on each frame: the update (input, posted events, timers, the
// GUI library's time pulse), the GUI library's rendering and the buffer swap (where a software
// OpenGL rasterises what was rendered), kept for the whole run
// when VOKARAN_FRAME_STATS names a file, and written there as a summary when the shell ends.
// For benchmarks; costs two clock reads a frame when on, nothing when off. GUI thread.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace guishell {

struct FrameSummary {
  std::size_t frames = 0;
  double seconds = 0;  // from the first frame to the last
  double updateMedianMs = 0, updateP99Ms = 0;
  double renderMedianMs = 0, renderP99Ms = 0;
  double swapMedianMs = 0, swapP99Ms = 0;
  double totalMedianMs = 0, totalP99Ms = 0;
  double framesPerSecond() const { return seconds > 0 ? (frames - 1) / seconds : 0; }
};

class FrameStats {
 public:
  using Clock = std::chrono::steady_clock;
  // On when VOKARAN_FRAME_STATS is set.
  FrameStats();
  bool enabled() const { return !path_.empty(); }
  void frameStart() { if (enabled()) start_ = Clock::now(); }
  void updateDone() { if (enabled()) updated_ = Clock::now(); }
  void renderDone() { if (enabled()) rendered_ = Clock::now(); }
  void frameDone();
  FrameSummary summary() const;
  // Writes the summary as "key value" lines; false when it could not be written.
  bool write() const;

 private:
  std::string path_;
  Clock::time_point start_, updated_, rendered_, first_, last_;
  std::vector<float> update_, render_, swap_;
};

}  // namespace guishell

#include "guishell/FrameStats.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace guishell {

namespace {
double msBetween(FrameStats::Clock::time_point a, FrameStats::Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// The value below which a share `q` of the samples lies (nearest rank).
double quantile(std::vector<float> v, double q) {
  if (v.empty()) return 0;
  const std::size_t k = std::min(v.size() - 1, static_cast<std::size_t>(q * (v.size() - 1) + 0.5));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[k];
}
}  // namespace

FrameStats::FrameStats() {
  if (const char* p = std::getenv("VOKARAN_FRAME_STATS")) path_ = p;
  if (enabled()) {
    update_.reserve(1 << 16);
    render_.reserve(1 << 16);
    swap_.reserve(1 << 16);
  }
}

void FrameStats::frameDone() {
  if (!enabled()) return;
  const auto now = Clock::now();
  if (update_.empty()) first_ = start_;
  last_ = start_;
  // Headless frames draw nothing: their render and swap times are zero.
  if (rendered_ < updated_) rendered_ = now;
  update_.push_back(static_cast<float>(msBetween(start_, updated_)));
  render_.push_back(static_cast<float>(msBetween(updated_, rendered_)));
  swap_.push_back(static_cast<float>(msBetween(rendered_, now)));
}

FrameSummary FrameStats::summary() const {
  FrameSummary s;
  s.frames = update_.size();
  s.seconds = s.frames > 1 ? msBetween(first_, last_) / 1000.0 : 0;
  std::vector<float> total(update_.size());
  for (std::size_t i = 0; i < total.size(); ++i) total[i] = update_[i] + render_[i] + swap_[i];
  s.updateMedianMs = quantile(update_, 0.5);
  s.updateP99Ms = quantile(update_, 0.99);
  s.renderMedianMs = quantile(render_, 0.5);
  s.renderP99Ms = quantile(render_, 0.99);
  s.swapMedianMs = quantile(swap_, 0.5);
  s.swapP99Ms = quantile(swap_, 0.99);
  s.totalMedianMs = quantile(total, 0.5);
  s.totalP99Ms = quantile(total, 0.99);
  return s;
}

bool FrameStats::write() const {
  if (!enabled()) return true;
  const FrameSummary s = summary();
  std::ofstream out(path_);
  out << "frames " << s.frames << "\nseconds " << s.seconds << "\nfps " << s.framesPerSecond()
      << "\nupdate_median_ms " << s.updateMedianMs << "\nupdate_p99_ms " << s.updateP99Ms
      << "\nrender_median_ms " << s.renderMedianMs << "\nrender_p99_ms " << s.renderP99Ms
      << "\nswap_median_ms " << s.swapMedianMs << "\nswap_p99_ms " << s.swapP99Ms
      << "\ntotal_median_ms " << s.totalMedianMs << "\ntotal_p99_ms " << s.totalP99Ms << "\n";
  return static_cast<bool>(out);
}

}  // namespace guishell

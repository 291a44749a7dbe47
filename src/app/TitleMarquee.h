#pragma once
// The title bar's running text: the song being sung and the next three in the queue, or a
// usage hint, scrolling leftwards 2 pixels every 50 ms.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "guishell/CEGUITimer.h"

namespace CEGUI {
class Window;
}

// The songs the title shows.
struct MarqueeSongs {
  std::optional<std::wstring> current;  // the contest song being sung, if any
  std::vector<std::wstring> queued;     // the queue, in order
};

std::wstring titleMarqueeText(const MarqueeSongs& songs);

class CTitleMarquee {
 public:
  static constexpr unsigned kPeriodMs = 50;
  static constexpr float kStepPixels = 2.0f;

  // `source` tells the current songs at each tick. GUI thread.
  explicit CTitleMarquee(std::function<MarqueeSongs()> source);
  void start();
  void stop();
  // One step, on the title window "AppRoot/Title" (also run by the timer).
  void tick();

 private:
  std::function<MarqueeSongs()> source_;
  CEGUITimer timer_;
  bool started_ = false;
};

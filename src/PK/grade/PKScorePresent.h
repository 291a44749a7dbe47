#pragma once
// The grade display's three score counters (pitch, expression, rhythm) with their "+n" flashes
// and the running totals the performance reads at its end. GUI thread.
#include <CEGUI/String.h>

#include <array>

#include "PK/grade/PKScoreEffect.h"

namespace CEGUI {
class Window;
}

class PKScorePresent {
 public:
  enum Counter { Pitch = 0, Expression = 1, Rhythm = 2 };

  PKScorePresent() = default;
  virtual ~PKScorePresent();
  PKScorePresent(const PKScorePresent&) = delete;
  PKScorePresent& operator=(const PKScorePresent&) = delete;

  // Finds the counters and their "+n" texts under the grade display's root window, shows 0 on
  // every counter and zeroes the totals. Returns 0, or 1 when a window is missing (the
  // counters that exist still work).
  virtual int Build(CEGUI::Window* root);
  // Gives the six texts their render effects.
  virtual int Start();
  virtual int Stop();
  // The windows are about to go away: forget them (and detach the effects).
  void release();

  // A scored word, in tenths (0..10): positive scores add to the totals and flash.
  void addWordScores(int pitch, int rhythm);
  // A scored line: the running expression score in tenths; positive values are shown.
  void setExpressionTotal(int total);

  int pitchTotal() const { return pitchTotal_; }
  int expressionTotal() const { return expressionTotal_; }
  int rhythmTotal() const { return rhythmTotal_; }

  // For tests and pictures: the counter's text window, its "+n" window and their effects.
  CEGUI::Window* scoreWindow(Counter c) const { return scores_[c]; }
  CEGUI::Window* stepWindow(Counter c) const { return steps_[c]; }
  const PKScoreEffect& scoreEffect(Counter c) const { return zoom_[c]; }
  const PKScoreEffectStep& stepEffect(Counter c) const { return flash_[c]; }

 private:
  void show(Counter c, int value, const CEGUI::String& step, float zoomFrom);

  std::array<CEGUI::Window*, 3> scores_{};
  std::array<CEGUI::Window*, 3> steps_{};
  std::array<PKScoreEffect, 3> zoom_;
  std::array<PKScoreEffectStep, 3> flash_;
  int pitchTotal_ = 0;
  int rhythmTotal_ = 0;
  int expressionTotal_ = 0;  // the last running expression score shown
};

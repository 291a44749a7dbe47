#include "PK/grade/PKScorePresent.h"

#include <CEGUI/CEGUI.h>

#include <string>

#include "app/WindowPath.h"

namespace {

const char* const kScoreNames[] = {"GradeModuleWnd/YinGanWnd/YinGanScore", "GradeModuleWnd/FeelWnd/FeelScore",
                                   "GradeModuleWnd/JieZouWnd/JieZouScore"};
const char* const kStepNames[] = {"GradeModuleWnd/YinGanWnd/Stepping", "GradeModuleWnd/FeelWnd/Stepping",
                                  "GradeModuleWnd/JieZouWnd/Stepping"};

// Zoom starts: pitch and rhythm from 0.3, expression from 0.1; all step 0.1 per update. The
// "+n" swells from 0.3 in steps of 0.01.
constexpr float kWordZoomFrom = 0.3f;
constexpr float kLineZoomFrom = 0.1f;
constexpr float kZoomStep = 0.1f;
constexpr float kFlashFrom = 0.3f;
constexpr float kFlashStep = 0.01f;

CEGUI::String signedStep(int delta) {
  return CEGUI::String(delta < 0 ? "-" : "+") + CEGUI::String(std::to_string(delta < 0 ? -delta : delta));
}

}  // namespace

PKScorePresent::~PKScorePresent() { release(); }

int PKScorePresent::Build(CEGUI::Window* root) {
  int missing = 0;
  for (int i = 0; i < 3; ++i) {
    scores_[i] = root ? findWindow(kScoreNames[i], root) : nullptr;
    steps_[i] = root ? findWindow(kStepNames[i], root) : nullptr;
    if (scores_[i]) scores_[i]->setText("0");
    if (steps_[i]) steps_[i]->setText("");
    if (!scores_[i] || !steps_[i]) missing = 1;
  }
  pitchTotal_ = rhythmTotal_ = expressionTotal_ = 0;
  return missing;
}

int PKScorePresent::Start() {
  for (int i = 0; i < 3; ++i) {
    if (scores_[i]) zoom_[i].attachTo(scores_[i]);
    if (steps_[i]) flash_[i].attachTo(steps_[i]);
  }
  return 0;
}

int PKScorePresent::Stop() { return 0; }

void PKScorePresent::release() {
  for (int i = 0; i < 3; ++i) {
    zoom_[i].attachTo(nullptr);
    flash_[i].attachTo(nullptr);
    scores_[i] = steps_[i] = nullptr;
  }
}

void PKScorePresent::addWordScores(int pitch, int rhythm) {
  if (pitch > 0) {
    pitchTotal_ += pitch;
    show(Pitch, pitchTotal_, signedStep(pitch), kWordZoomFrom);
  }
  if (rhythm > 0) {
    rhythmTotal_ += rhythm;
    show(Rhythm, rhythmTotal_, signedStep(rhythm), kWordZoomFrom);
  }
}

void PKScorePresent::setExpressionTotal(int total) {
  if (total <= 0) return;
  // The running expression is a mean over the lines: it can fall as well as rise. An
  // unchanged value flashes nothing.
  const int delta = total - expressionTotal_;
  expressionTotal_ = total;
  show(Expression, total, delta == 0 ? CEGUI::String() : signedStep(delta), kLineZoomFrom);
}

void PKScorePresent::show(Counter c, int value, const CEGUI::String& step, float zoomFrom) {
  if (scores_[c]) scores_[c]->setText(std::to_string(value));
  zoom_[c].restart(zoomFrom, kZoomStep);
  if (step.empty()) return;
  if (steps_[c]) steps_[c]->setText(step);
  flash_[c].restart(kFlashFrom, kFlashStep);
}

#pragma once
// The contest hub's page slide: when the carousel turns a page, the window's old content
// leaves sideways, fading, while the new content comes in from the other side. The window's
// rendering surface texture is drawn twice as full-size quads; s runs from the start value
// past 1 by a fixed step per update. GUI thread.
#include <CEGUI/RenderEffect.h>

namespace CEGUI {
class Window;
}

class PKCompetitionSongsEffect : public CEGUI::RenderEffect {
 public:
  enum Direction { ToLeft = 0, ToRight = 1 };

  // The window whose rendering surface shows the effect (see attachTo); its GUI context is
  // marked dirty while the slide runs.
  explicit PKCompetitionSongsEffect(CEGUI::Window* window = nullptr) : window_(window) {}

  // Gives `window` an automatic rendering surface and this effect; null detaches it.
  void attachTo(CEGUI::Window* window);
  // s := s0 and the direction (1 to the right, any other value to the left); a slide that is
  // running starts again from s0.
  void Start(float s0, int direction);
  void setStep(float step) { step_ = step; }

  float progress() const { return s_; }
  float step() const { return step_; }
  int direction() const { return direction_; }
  bool running() const { return s_ <= 1.0f; }

  // The two copies' x offsets and the leaving copy's alpha for window width `w` at the current
  // progress (the entering copy is opaque).
  struct Placement {
    float leavingX;
    float leavingAlpha;
    float enteringX;
  };
  Placement placement(float w) const;

  int getPassCount() const override { return 1; }
  void performPreRenderFunctions(int) override {}
  void performPostRenderFunctions() override {}
  bool realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) override;
  bool update(float elapsed, CEGUI::RenderingWindow& window) override;

 private:
  CEGUI::Window* window_;
  float s_ = 1.01f;  // at rest: the content in place
  float step_ = 0.04f;
  int direction_ = ToLeft;
  bool updated_ = false;  // the first update after construction only sets this
};

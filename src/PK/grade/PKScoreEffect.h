#pragma once
// The render effects of the grade display's digits. Each draws the texture of its window's
// rendering surface as one quad, scaled by s; every update while s <= 1 moves s on by a step
// and asks for a redraw. GUI thread.
#include <CEGUI/RenderEffect.h>

namespace CEGUI {
class Window;
}

// The counters: a zoom in about the window's centre, alpha following the scale.
class PKScoreEffect : public CEGUI::RenderEffect {
 public:
  // The window whose rendering surface shows the effect; the window's GUI context is marked
  // dirty while the effect moves. The effect does not attach itself (see attachTo).
  explicit PKScoreEffect(CEGUI::Window* window = nullptr) : window_(window) {}

  // Gives `window` an automatic rendering surface and this effect; null detaches from the
  // current window.
  void attachTo(CEGUI::Window* window);
  // Starts the effect again from scale `s`, growing by `step` per update.
  void restart(float s, float step);
  float scale() const { return s_; }
  bool running() const { return s_ <= 1.0f; }

  int getPassCount() const override { return 1; }
  void performPreRenderFunctions(int) override {}
  void performPostRenderFunctions() override {}
  bool realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) override;
  bool update(float elapsed, CEGUI::RenderingWindow& window) override;

 protected:
  // Appends the window's texture as a quad scaled by `scale`; `anchorY` 0.5 keeps the centre in
  // place, 1 the bottom edge.
  static void drawQuad(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry, float scale,
                       float alpha, float anchorY);

  CEGUI::Window* window_;
  float s_ = 1.01f;  // at rest: nothing moves
  float step_ = 0.0f;
};

// The "+n" texts: they swell from the bottom centre and fade out, and vanish once s > 1.
class PKScoreEffectStep : public PKScoreEffect {
 public:
  using PKScoreEffect::PKScoreEffect;
  bool realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) override;
};

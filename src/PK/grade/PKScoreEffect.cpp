#include "PK/grade/PKScoreEffect.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

void PKScoreEffect::attachTo(CEGUI::Window* window) {
  if (window_ && window_ != window) {
    if (auto* surface = window_->getRenderingSurface(); surface && surface->isRenderingWindow())
      static_cast<CEGUI::RenderingWindow*>(surface)->setRenderEffect(nullptr);
  }
  window_ = window;
  if (!window_) return;
  window_->setUsingAutoRenderingSurface(true);
  if (auto* surface = window_->getRenderingSurface(); surface && surface->isRenderingWindow())
    static_cast<CEGUI::RenderingWindow*>(surface)->setRenderEffect(this);
}

void PKScoreEffect::restart(float s, float step) {
  s_ = s;
  step_ = step;
  if (!window_) return;
  if (auto* surface = window_->getRenderingSurface(); surface && surface->isRenderingWindow())
    static_cast<CEGUI::RenderingWindow*>(surface)->invalidateGeometry();
  window_->getGUIContext().markAsDirty();
}

bool PKScoreEffect::update(float, CEGUI::RenderingWindow&) {
  if (s_ > 1.0f) return true;
  s_ += step_;
  // The quad changes without the window's content changing: the context must redraw.
  if (window_) window_->getGUIContext().markAsDirty();
  return false;
}

bool PKScoreEffect::realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) {
  // The last step overshoots 1; the digits rest at their own size.
  const float s = std::clamp(s_, 0.0f, 1.0f);
  drawQuad(window, geometry, s, s, 0.5f);
  return false;
}

bool PKScoreEffectStep::realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) {
  if (s_ > 1.0f) return false;  // nothing: the "+n" has faded out
  const float s = std::max(s_, 0.0f);
  drawQuad(window, geometry, s, 1.0f - s, 1.0f);
  return false;
}

void PKScoreEffect::drawQuad(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry, float scale,
                             float alpha, float anchorY) {
  CEGUI::TextureTarget& target = window.getTextureTarget();
  CEGUI::Texture& texture = target.getTexture();
  const CEGUI::Sizef size = window.getSize();
  const float tu = size.d_width * texture.getTexelScaling().d_x;
  const float tv = size.d_height * texture.getTexelScaling().d_y;
  const bool inverted = target.isRenderingInverted();
  const float vTop = inverted ? 1.0f : 0.0f;
  const float vBottom = inverted ? 1.0f - tv : tv;

  const float w = size.d_width * scale;
  const float h = size.d_height * scale;
  const float left = (size.d_width - w) * 0.5f;
  const float top = (size.d_height - h) * anchorY;
  // The surface holds premultiplied colour, so fading scales all four channels.
  const CEGUI::Colour colour(alpha, alpha, alpha, alpha);

  auto vertex = [&](float x, float y, float u, float v) {
    CEGUI::Vertex out;
    out.position = CEGUI::Vector3f(x, y, 0.0f);
    out.tex_coords = CEGUI::Vector2f(u, v);
    out.colour_val = colour;
    return out;
  };
  const CEGUI::Vertex quad[6] = {
      vertex(left, top, 0, vTop),          vertex(left, top + h, 0, vBottom), vertex(left + w, top + h, tu, vBottom),
      vertex(left + w, top + h, tu, vBottom), vertex(left + w, top, tu, vTop),  vertex(left, top, 0, vTop)};
  geometry.setActiveTexture(&texture);
  geometry.appendGeometry(quad, 6);
}

#include "catalog/PKCompetitionSongsEffect.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

namespace {
CEGUI::RenderingWindow* renderingWindow(CEGUI::Window* window) {
  if (!window) return nullptr;
  CEGUI::RenderingSurface* surface = window->getRenderingSurface();
  return surface && surface->isRenderingWindow() ? static_cast<CEGUI::RenderingWindow*>(surface) : nullptr;
}
}  // namespace

void PKCompetitionSongsEffect::attachTo(CEGUI::Window* window) {
  if (window_ && window_ != window)
    if (CEGUI::RenderingWindow* old = renderingWindow(window_)) old->setRenderEffect(nullptr);
  window_ = window;
  if (!window_) return;
  window_->setUsingAutoRenderingSurface(true);
  if (CEGUI::RenderingWindow* surface = renderingWindow(window_)) surface->setRenderEffect(this);
}

void PKCompetitionSongsEffect::Start(float s0, int direction) {
  s_ = s0;
  direction_ = direction;
  if (CEGUI::RenderingWindow* surface = renderingWindow(window_)) surface->invalidateGeometry();
  if (window_) window_->getGUIContext().markAsDirty();
}

bool PKCompetitionSongsEffect::update(float, CEGUI::RenderingWindow&) {
  if (!updated_) {
    updated_ = true;
    return true;
  }
  if (s_ > 1.0f) return true;
  s_ += step_;
  // The quads move without the window's content changing: the context must redraw.
  if (window_) window_->getGUIContext().markAsDirty();
  return false;
}

PKCompetitionSongsEffect::Placement PKCompetitionSongsEffect::placement(float w) const {
  // Past the end the entering copy rests at offset 0 and the leaving one is gone.
  const float s = std::clamp(s_, 0.0f, 1.0f);
  if (direction_ == ToRight) return {s * w, 1.0f - s, s * w - w};
  return {-s * w, 1.0f - s, w - s * w};
}

bool PKCompetitionSongsEffect::realiseGeometry(CEGUI::RenderingWindow& window, CEGUI::GeometryBuffer& geometry) {
  CEGUI::TextureTarget& target = window.getTextureTarget();
  CEGUI::Texture& texture = target.getTexture();
  const CEGUI::Sizef size = window.getSize();
  const float tu = size.d_width * texture.getTexelScaling().d_x;
  const float tv = size.d_height * texture.getTexelScaling().d_y;
  const bool inverted = target.isRenderingInverted();
  const float vTop = inverted ? 1.0f : 0.0f;
  const float vBottom = inverted ? 1.0f - tv : tv;

  auto quad = [&](float x, float alpha) {
    // The surface holds premultiplied colour: fading scales all four channels.
    const CEGUI::Colour colour(alpha, alpha, alpha, alpha);
    auto vertex = [&](float vx, float vy, float u, float v) {
      CEGUI::Vertex out;
      out.position = CEGUI::Vector3f(vx, vy, 0.0f);
      out.tex_coords = CEGUI::Vector2f(u, v);
      out.colour_val = colour;
      return out;
    };
    const float w = size.d_width, h = size.d_height;
    const CEGUI::Vertex vertices[6] = {vertex(x, 0, 0, vTop),     vertex(x, h, 0, vBottom),
                                       vertex(x + w, h, tu, vBottom), vertex(x + w, h, tu, vBottom),
                                       vertex(x + w, 0, tu, vTop),    vertex(x, 0, 0, vTop)};
    geometry.appendGeometry(vertices, 6);
  };
  geometry.setActiveTexture(&texture);
  const Placement at = placement(size.d_width);
  if (s_ <= 1.0f) quad(at.leavingX, at.leavingAlpha);
  quad(at.enteringX, 1.0f);
  return false;
}

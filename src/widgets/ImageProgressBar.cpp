#include "widgets/ImageProgressBar.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

namespace CEGUI {

const String ImageProgressBar::WidgetTypeName("CEGUI/ImageProgressBar");
const String ImageProgressBar::EventNamespace("ImageProgressBar");

ImageProgressBar::ImageProgressBar(const String& type, const String& name) : ProgressBar(type, name) {}

bool ImageProgressBar::isVerticalProgress() const {
  return isPropertyPresent("VerticalProgress") &&
         PropertyHelper<bool>::fromString(getProperty("VerticalProgress"));
}

std::optional<float> ImageProgressBar::progressAtPoint(const Vector2f& position) const {
  const Rectf inner = getUnclippedInnerRect().get();
  float share;
  if (isVerticalProgress()) {
    if (inner.getHeight() <= 0.0f) return std::nullopt;
    share = (inner.bottom() - position.d_y) / inner.getHeight();
  } else {
    if (inner.getWidth() <= 0.0f) return std::nullopt;
    share = (position.d_x - inner.left()) / inner.getWidth();
  }
  return std::clamp(share, 0.0f, 1.0f);
}

void ImageProgressBar::setHovering(bool hovering) {
  if (hovering_ == hovering) return;
  hovering_ = hovering;
  invalidate();
}

void ImageProgressBar::onMouseMove(MouseEventArgs& e) {
  ProgressBar::onMouseMove(e);
  setHovering(true);
}

void ImageProgressBar::onMouseLeaves(MouseEventArgs& e) {
  ProgressBar::onMouseLeaves(e);
  setHovering(false);
}

void ImageProgressBar::onActivated(ActivationEventArgs& e) {
  ProgressBar::onActivated(e);
  setHovering(true);
}

void ImageProgressBar::onDeactivated(ActivationEventArgs& e) {
  ProgressBar::onDeactivated(e);
  setHovering(false);
}

void ImageProgressBar::onMouseButtonUp(MouseEventArgs& e) {
  ProgressBar::onMouseButtonUp(e);
  if (e.button != LeftButton) return;
  // A bar with no inner area has no point to map a click to; its progress stays.
  if (const std::optional<float> progress = progressAtPoint(e.position)) setProgress(*progress);
  ++e.handled;
}

// ---------------------------------------------------------------------------------------------

const String FalagardImageProgressBar::TypeName("FalagardImageProgressBar");

FalagardImageProgressBar::FalagardImageProgressBar(const String& type) : FalagardProgressBar(type) {}

String FalagardImageProgressBar::currentStateName() const {
  const auto* w = static_cast<const ImageProgressBar*>(d_window);
  if (w->isEffectiveDisabled()) return "Disabled";
  if (w->isHovering() && getLookNFeel().isStateImageryPresent("Hover")) return "Hover";
  return "Enabled";
}

Rectf FalagardImageProgressBar::progressClipRect() const {
  const auto* w = static_cast<const ProgressBar*>(d_window);
  const Rectf area = getLookNFeel().getNamedArea("ProgressArea").getArea().getPixelRect(*d_window);
  Rectf clip = area;
  const float progress = w->getProgress();
  if (d_vertical) {
    const float height = area.getHeight() * progress;
    if (d_reversed)
      clip.bottom(area.top() + height);
    else
      clip.top(area.bottom() - height);
  } else {
    const float width = area.getWidth() * progress;
    if (d_reversed)
      clip.left(area.right() - width);
    else
      clip.right(area.left() + width);
  }
  return clip;
}

void FalagardImageProgressBar::render() {
  const WidgetLookFeel& look = getLookNFeel();
  const String state = currentStateName();
  look.getStateImagery(state).render(*d_window);
  String progressState = state + "Progress";
  if (!look.isStateImageryPresent(progressState)) progressState = "EnabledProgress";
  if (!look.isStateImageryPresent(progressState)) return;
  const Rectf area = look.getNamedArea("ProgressArea").getArea().getPixelRect(*d_window);
  const Rectf clip = progressClipRect();
  look.getStateImagery(progressState).render(*d_window, area, nullptr, &clip);
}

}  // namespace CEGUI

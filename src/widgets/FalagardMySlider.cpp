#include "widgets/FalagardMySlider.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

namespace CEGUI {

const String FalagardMySlider::TypeName("Falagard/MySlider");

FalagardMySlider::FalagardMySlider(const String& type) : FalagardSlider(type) {}

String FalagardMySlider::currentStateName() const {
  if (d_window->isEffectiveDisabled()) return "Disabled";
  return d_window->isActive() ? "Hover" : "Normal";
}

float FalagardMySlider::filledShare() const {
  const auto* slider = static_cast<const Slider*>(d_window);
  // The value is a share of the slider's range; a slider without range is empty.
  const float maximum = slider->getMaxValue();
  if (maximum <= 0.0f) return 0.0f;
  return std::clamp(slider->getCurrentValue() / maximum, 0.0f, 1.0f);
}

Rectf FalagardMySlider::passedClipRect() const {
  Rectf track = getLookNFeel().getNamedArea("ThumbTrackArea").getArea().getPixelRect(*d_window);
  track.setWidth(track.getWidth() * filledShare());
  return track;
}

void FalagardMySlider::render() {
  const WidgetLookFeel& look = getLookNFeel();
  const String state = currentStateName();
  if (look.isStateImageryPresent(state)) look.getStateImagery(state).render(*d_window);
  if (!look.isStateImageryPresent("Passed")) return;
  const Rectf clip = passedClipRect();
  look.getStateImagery("Passed").render(*d_window, nullptr, &clip);
}

}  // namespace CEGUI

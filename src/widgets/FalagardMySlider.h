#pragma once
// A slider renderer that shows its hover look while the slider has the keyboard focus and
// fills the track ("Passed") up to the slider's value.
#include <CEGUI/WindowRendererSets/Core/Slider.h>

namespace CEGUI {

class FalagardMySlider : public FalagardSlider {
 public:
  static const String TypeName;  // "Falagard/MySlider"

  explicit FalagardMySlider(const String& type);
  void render() override;

  // "Disabled", "Hover" (keyboard focus) or "Normal".
  String currentStateName() const;
  // The share of the track that is filled: the value over the slider's maximum, 0 to 1.
  float filledShare() const;
  // The window-relative clip rectangle of the "Passed" imagery: "ThumbTrackArea" cut to the
  // filled share of its width, from the left.
  Rectf passedClipRect() const;
};

}  // namespace CEGUI

#pragma once
// A progress bar that doubles as a level control: a click sets the progress to the clicked
// point, and the bar shows a hover look while the mouse is over it or it has the keyboard
// focus. FalagardImageProgressBar draws it.
#include <CEGUI/WindowRendererSets/Core/ProgressBar.h>
#include <CEGUI/widgets/ProgressBar.h>

#include <optional>

namespace CEGUI {

class ImageProgressBar : public ProgressBar {
 public:
  static const String WidgetTypeName;  // "CEGUI/ImageProgressBar"
  static const String EventNamespace;  // "ImageProgressBar"

  ImageProgressBar(const String& type, const String& name);

  bool isHovering() const { return hovering_; }
  // Whether the bar runs bottom to top (the renderer's "VerticalProgress").
  bool isVerticalProgress() const;
  // The progress (0 to 1) a click at the screen point `position` gives; none when the bar
  // has no inner area to map it to.
  std::optional<float> progressAtPoint(const Vector2f& position) const;

 protected:
  void onMouseMove(MouseEventArgs& e) override;
  void onMouseLeaves(MouseEventArgs& e) override;
  void onMouseButtonUp(MouseEventArgs& e) override;
  void onActivated(ActivationEventArgs& e) override;
  void onDeactivated(ActivationEventArgs& e) override;

 private:
  void setHovering(bool hovering);
  bool hovering_ = false;
};

// Draws "Disabled", "Hover" or "Enabled" over the window, then "DisabledProgress",
// "HoverProgress" or "EnabledProgress" clipped to the part of "ProgressArea" that the progress
// covers. A look without the hover imagery shows the enabled imagery instead.
class FalagardImageProgressBar : public FalagardProgressBar {
 public:
  static const String TypeName;  // "FalagardImageProgressBar"

  explicit FalagardImageProgressBar(const String& type);
  void render() override;

  // The state imagery drawn over the window, after the fallback.
  String currentStateName() const;
  // The window-relative clip rectangle of the progress imagery.
  Rectf progressClipRect() const;
};

}  // namespace CEGUI

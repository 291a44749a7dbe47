#pragma once
// A radio-button renderer that shows the hover look while the button has the keyboard focus,
// as FalagardButtonEx does for push buttons; a selected button draws the "Selected" variant
// of the state.
#include <CEGUI/WindowRendererSets/Core/ToggleButton.h>

namespace CEGUI {

class FalImageRadioButton : public FalagardToggleButton {
 public:
  static const String TypeName;  // "Falagard/FalImageRadioButton"

  explicit FalImageRadioButton(const String& type);
  void render() override;

  // The state before the selected variant is applied: "Disabled", "Pushed", "PushedOff",
  // "Hover" or "Normal", falling back to "Normal" when the look lacks the imagery.
  String currentStateName() const;
  // The imagery drawn: the selected variant of the state while the button is selected.
  String drawnStateName() const { return actualStateName(currentStateName()); }
};

}  // namespace CEGUI

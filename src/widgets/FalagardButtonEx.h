#pragma once
// A push-button renderer that shows the hover look while the button has the keyboard focus:
// most screens are driven with arrow keys and a remote control.
#include <CEGUI/WindowRendererSets/Core/Button.h>

namespace CEGUI {

class FalagardButtonEx : public FalagardButton {
 public:
  static const String TypeName;  // "Falagard/ButtonEx"

  explicit FalagardButtonEx(const String& type);
  void render() override;

  // The state the button draws: "Disabled", "Pushed", "PushedOff", "Hover" or "Normal",
  // falling back to "Normal" when the look lacks the imagery.
  String currentStateName() const;
};

}  // namespace CEGUI

#pragma once
// An item of the contest hub's ordering box: black text, white while selected, over the
// selection picture "PK0/ComboxEditBK_Hover". Its ID is the ordering number sent to the
// service.
#include <CEGUI/widgets/ListboxTextItem.h>

class CComboxItem : public CEGUI::ListboxTextItem {
 public:
  static constexpr CEGUI::argb_t kTextColour = 0xFF000000;
  static constexpr CEGUI::argb_t kSelectedTextColour = 0xFFFFFFFF;
  static const char* const kSelectionImage;  // "PK0/ComboxEditBK_Hover"

  CComboxItem(const CEGUI::String& text, CEGUI::uint id);

  // The colour the text is drawn in now.
  CEGUI::argb_t currentTextColour() const { return isSelected() ? kSelectedTextColour : kTextColour; }
  void draw(CEGUI::GeometryBuffer& buffer, const CEGUI::Rectf& targetRect, float alpha,
            const CEGUI::Rectf* clipper) const override;

 private:
  mutable bool drawnSelected_ = false;
};

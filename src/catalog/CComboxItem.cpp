#include "catalog/CComboxItem.h"

#include <CEGUI/CEGUI.h>

const char* const CComboxItem::kSelectionImage = "PK0/ComboxEditBK_Hover";

CComboxItem::CComboxItem(const CEGUI::String& text, CEGUI::uint id) : ListboxTextItem(text, id) {
  setTextColours(CEGUI::Colour(kTextColour));
  setSelectionColours(CEGUI::Colour(0xFFFFFFFF));
  if (CEGUI::ImageManager::getSingleton().isDefined(kSelectionImage)) setSelectionBrushImage(kSelectionImage);
}

void CComboxItem::draw(CEGUI::GeometryBuffer& buffer, const CEGUI::Rectf& targetRect, float alpha,
                       const CEGUI::Rectf* clipper) const {
  // The text's colour is baked into the parsed string: a change of selection parses it again.
  if (drawnSelected_ != isSelected()) {
    drawnSelected_ = isSelected();
    const_cast<CComboxItem*>(this)->d_textCols = CEGUI::ColourRect(CEGUI::Colour(currentTextColour()));
    d_renderedStringValid = false;
  }
  ListboxTextItem::draw(buffer, targetRect, alpha, clipper);
}

#include "widgets/ListItems.h"

#include <CEGUI/CEGUI.h>

#include <cmath>

namespace CEGUI {

namespace {
// White with the list's alpha: brushes are drawn in their own colours.
ColourRect whiteWithAlpha(float alpha) { return ColourRect(Colour(1.0f, 1.0f, 1.0f, alpha)); }

const Image* imageOrNull(const String& name) {
  if (name.empty()) return nullptr;
  auto& images = ImageManager::getSingleton();
  return images.isDefined(name) ? &images.get(name) : nullptr;
}
}  // namespace

ListboxItemEx::ListboxItemEx(const String& text, uint itemId, void* itemData, bool disabled,
                             bool autoDelete)
    : ListboxTextItem(text, itemId, itemData, disabled, autoDelete) {}

void ListboxItemEx::setNormalBrushImage(const String& name) { normalBrush_ = imageOrNull(name); }

void ListboxItemEx::drawBrush(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
                              const Rectf* clipper) const {
  const Image* brush = nullptr;
  if (actived_ && activeBrush_)
    brush = activeBrush_;
  else if (isSelected() && getSelectionBrushImage())
    brush = getSelectionBrushImage();
  else if (normalBrush_)
    brush = normalBrush_;
  if (brush) brush->render(buffer, targetRect, clipper, whiteWithAlpha(alpha));
}

// ---------------------------------------------------------------------------------------------

ListItemNull::ListItemNull(float height) : ListboxItemEx("", PlaceholderId), height_(height) {}

Sizef ListItemNull::getPixelSize() const { return Sizef(0.0f, height_); }

void ListItemNull::draw(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
                        const Rectf* clipper) const {
  if (const Image* image = getNormalBrushImage())
    image->render(buffer, targetRect, clipper, whiteWithAlpha(alpha));
}

// ---------------------------------------------------------------------------------------------

const String CListItemEx::DefaultFontName("SongListFont");
const String CListItemEx::CutMark("... ");

CListItemEx::CListItemEx(std::vector<ListColumnText> columns, uint itemId, void* itemData)
    : ListboxItemEx("", itemId, itemData), columns_(std::move(columns)) {
  setTextParsingEnabled(false);
  if (FontManager::getSingleton().isDefined(DefaultFontName)) setFont(DefaultFontName);
}

const Font* CListItemEx::itemFont() const { return getFont(); }

const Font* CListItemEx::columnFont(const ListColumnText& column) const {
  if (!column.fontName.empty() && FontManager::getSingleton().isDefined(column.fontName))
    return &FontManager::getSingleton().get(column.fontName);
  return itemFont();
}

String CListItemEx::fitText(const Font& font, const String& text, float available, bool* cut) {
  if (font.getTextExtent(text) <= available) return text;
  if (cut) *cut = true;
  const float room = available - font.getTextExtent(CutMark);
  const size_t keep = room > 0.0f ? font.getCharAtPixel(text, room) : 0;
  return text.substr(0, keep) + CutMark;
}

CListItemEx::Placement CListItemEx::placeColumn(const ListColumnText& column, const Rectf& row) const {
  Placement placement;
  const Font* font = columnFont(column);
  const float rowWidth = row.getWidth();
  const float available = column.relWidth * rowWidth;
  placement.text = font ? fitText(*font, column.text, available, &cut_) : column.text;
  const float textWidth = font ? font->getTextExtent(placement.text) : 0.0f;

  float x = row.left() + column.relX * rowWidth;
  if (textWidth < available) {
    if (column.horzAlign == ListColumnText::Centre)
      x += (available - textWidth) / 2.0f;
    else if (column.horzAlign == ListColumnText::Right)
      x += available - textWidth;
  }
  float y = row.top();
  const float fontHeight = font ? font->getFontHeight() : 0.0f;
  if (column.vertAlign == ListColumnText::Middle)
    y += std::round((row.getHeight() - fontHeight) / 2.0f);
  else if (column.vertAlign == ListColumnText::Bottom)
    y += std::round(row.getHeight() - fontHeight);
  placement.area = Rectf(x, y, x + available, row.bottom());
  return placement;
}

Sizef CListItemEx::getPixelSize() const {
  return Sizef(ListboxTextItem::getPixelSize().d_width, height_);
}

void CListItemEx::draw(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
                       const Rectf* clipper) const {
  drawBrush(buffer, targetRect, alpha, clipper);
  const ColourRect modulate(Colour(1.0f, 1.0f, 1.0f, alpha));
  RenderedStringParser& parser = isTextParsingEnabled()
      ? static_cast<RenderedStringParser&>(d_stringParser)
      : static_cast<RenderedStringParser&>(d_noTagsStringParser);
  for (const ListColumnText& column : columns_) {
    const Placement placement = placeColumn(column, targetRect);
    const Font* font = columnFont(column);
    const RenderedString rendered = parser.parse(
        placement.text, font,
        isSelected() ? &column.selectedColours : &column.normalColours);
    Rectf clip = placement.area;
    if (clipper) clip = clip.getIntersection(*clipper);
    if (clip.getWidth() <= 0.0f || clip.getHeight() <= 0.0f) continue;
    Vector2f position(placement.area.left(), placement.area.top());
    for (size_t line = 0; line < rendered.getLineCount(); ++line) {
      rendered.draw(getOwnerWindow(), line, buffer, position, &modulate, &clip, 0.0f);
      position.d_y += rendered.getPixelSize(getOwnerWindow(), line).d_height;
    }
  }
}

}  // namespace CEGUI

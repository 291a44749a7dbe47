#pragma once
// The list items of the program's lists: a base with the extras the list widgets rely on
// (an active mark for hover, whether the item's tooltip is shown, a brush image for the
// unselected state), the placeholder that fills empty cells and the item that draws several
// positioned texts in one row.
#include <CEGUI/widgets/ListboxTextItem.h>

#include <vector>

namespace CEGUI {

class Font;
class Image;

class ListboxItemEx : public ListboxTextItem {
 public:
  explicit ListboxItemEx(const String& text, uint itemId = 0, void* itemData = nullptr,
                         bool disabled = false, bool autoDelete = true);

  // The item is under the mouse (or otherwise marked as the one being pointed at).
  bool isActived() const { return actived_; }
  void setActived(bool actived) { actived_ = actived; }
  // Whether the list shows this item's tooltip text while it is hovered.
  bool isShowTip() const { return showTip_; }
  void setShowTip(bool show) { showTip_ = show; }
  // Drawn over the whole cell when the item is neither active nor selected; null for none.
  const Image* getNormalBrushImage() const { return normalBrush_; }
  void setNormalBrushImage(const Image* image) { normalBrush_ = image; }
  // By image name; an empty or unknown name clears the brush.
  void setNormalBrushImage(const String& name);
  // Drawn over the whole cell while the item is active; null for none.
  const Image* getActiveBrushImage() const { return activeBrush_; }
  void setActiveBrushImage(const Image* image) { activeBrush_ = image; }

 protected:
  // The background of the cell: the active brush while active, else the selection brush
  // while selected, else the normal brush; stretched over the cell in white.
  void drawBrush(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
                 const Rectf* clipper) const;

 private:
  bool actived_ = false;
  bool showTip_ = false;
  const Image* normalBrush_ = nullptr;
  const Image* activeBrush_ = nullptr;
};

// Fills a cell that holds no record. Its identifier is the placeholder identifier, which
// keyboard movement and hover selection skip.
class ListItemNull : public ListboxItemEx {
 public:
  static constexpr uint PlaceholderId = static_cast<uint>(-1);

  explicit ListItemNull(float height = 30.0f);
  void setHeight(float height) { height_ = height; }
  float getHeight() const { return height_; }

  Sizef getPixelSize() const override;
  void draw(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
            const Rectf* clipper) const override;

 private:
  float height_;
};

// Whether an item counts as a placeholder (an empty cell).
inline bool isPlaceholderItem(const ListboxItem* item) {
  return item && item->getID() == ListItemNull::PlaceholderId;
}

// One text of a CListItemEx row.
struct ListColumnText {
  enum HorzAlign { Left = 0, Centre = 1, Right = 2 };
  enum VertAlign { Top = 0, Middle = 1, Bottom = 2 };

  ListColumnText() = default;
  ListColumnText(const String& text, float relWidth = 1.0f, float relX = 0.0f)
      : text(text), relWidth(relWidth), relX(relX) {}

  String text;
  float relWidth = 1.0f;  // share of the row width the text may use
  float relX = 0.0f;      // left edge as a share of the row width
  ColourRect normalColours{Colour(0xFFFFFFFF)};
  ColourRect selectedColours{Colour(0xFFFFFFFF)};
  String fontName;        // empty: the item's font
  int horzAlign = Left;
  int vertAlign = Middle;
};

// A row of several texts, each in its own share of the row and cut with "... " when it does
// not fit. The texts are shown as they are: markup in them is not interpreted, since they
// come from the catalogue (a song may well be called "[Live]").
class CListItemEx : public ListboxItemEx {
 public:
  static const String DefaultFontName;  // "SongListFont"
  static const String CutMark;          // "... "

  explicit CListItemEx(std::vector<ListColumnText> columns, uint itemId = 0,
                       void* itemData = nullptr);

  const std::vector<ListColumnText>& columns() const { return columns_; }
  void setHeight(float height) { height_ = height; }
  float getHeight() const { return height_; }
  // True once a text has been cut to fit when drawn.
  bool isCut() const { return cut_; }

  // The item's font: the font named by the item (default "SongListFont") when it exists,
  // else the font a plain text item would use.
  const Font* itemFont() const;
  // The font of one column text.
  const Font* columnFont(const ListColumnText& column) const;

  // The text as drawn in `available` pixels: unchanged when it fits, else cut at the
  // character that fits in (available - width of "... ") with "... " appended.
  static String fitText(const Font& font, const String& text, float available, bool* cut = nullptr);

  // Where a column text is drawn inside `row`: the clip rectangle (its position, available
  // width and the row's height) and the text as drawn.
  struct Placement {
    Rectf area;
    String text;
  };
  Placement placeColumn(const ListColumnText& column, const Rectf& row) const;

  Sizef getPixelSize() const override;
  void draw(GeometryBuffer& buffer, const Rectf& targetRect, float alpha,
            const Rectf* clipper) const override;

 private:
  std::vector<ListColumnText> columns_;
  float height_ = 10.0f;
  mutable bool cut_ = false;
};

}  // namespace CEGUI

// The multi-text row item: cutting texts to their column with "... " against the real CJK
// font, and placing each text by its alignment.
#include <cmath>

#include "WidgetTest.h"
#include "widgets/ListItems.h"

using CEGUI::CListItemEx;
using CEGUI::ListColumnText;

namespace {

class RowItem : public vktest::WidgetTest {
 protected:
  const CEGUI::Font& font() { return CEGUI::FontManager::getSingleton().get("MSYH_20"); }
  static CEGUI::String utf8(const char* s) { return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(s)); }
};

const char* kLongName = "那年夏天我们在海边唱过的每一首歌现场合唱版";

}  // namespace

// Catches: text drawn past its column, a cut that leaves room unused, or "... " on a name
// that fits.
TEST_F(RowItem, ALongCjkNameIsCutToItsColumnAndEndsInTheMark) {
  const CEGUI::String name = utf8(kLongName);
  for (const float available : {60.0f, 121.0f, 333.0f}) {
    SCOPED_TRACE(available);
    bool cut = false;
    const CEGUI::String shown = CListItemEx::fitText(font(), name, available, &cut);
    ASSERT_TRUE(cut);
    ASSERT_GE(shown.length(), CListItemEx::CutMark.length());
    EXPECT_EQ(shown.substr(shown.length() - CListItemEx::CutMark.length()), CListItemEx::CutMark);
    const CEGUI::String kept = shown.substr(0, shown.length() - CListItemEx::CutMark.length());
    EXPECT_EQ(name.substr(0, kept.length()), kept);  // a prefix of the name
    EXPECT_LE(font().getTextExtent(shown), available);
    // One more character would not have fitted.
    const CEGUI::String longer = name.substr(0, kept.length() + 1) + CListItemEx::CutMark;
    EXPECT_GT(font().getTextExtent(longer), available);
  }
}

TEST_F(RowItem, ANameThatFitsIsShownWhole) {
  const CEGUI::String name = utf8("小幸运");
  bool cut = false;
  EXPECT_EQ(CListItemEx::fitText(font(), name, font().getTextExtent(name), &cut), name);
  EXPECT_FALSE(cut);
}

TEST_F(RowItem, DrawingMarksTheItemCutWhenATextDidNotFit) {
  ListColumnText song{utf8(kLongName), 0.64f, 0.1f};
  song.fontName = "MSYH_20";
  CListItemEx item({song, ListColumnText{utf8("歌手"), 0.22f, 0.75f}});
  auto buffer = &CEGUI::System::getSingleton().getRenderer()->createGeometryBuffer();
  item.draw(*buffer, CEGUI::Rectf(0, 0, 300, 60), 1.0f, nullptr);
  EXPECT_TRUE(item.isCut());
  CEGUI::System::getSingleton().getRenderer()->destroyGeometryBuffer(*buffer);
}

// Catches: alignment offsets applied the wrong way.
TEST_F(RowItem, TextsArePlacedByTheirShareOfTheRowAndTheirAlignment) {
  const CEGUI::Rectf row(100, 40, 500, 100);  // 400 x 60
  for (const auto& [horz, vert] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 2}, std::pair{2, 1}}) {
    SCOPED_TRACE(std::to_string(horz) + ", " + std::to_string(vert));
    ListColumnText text{utf8("歌名"), 0.5f, 0.2f};
    text.fontName = "MSYH_20";
    text.horzAlign = horz;
    text.vertAlign = vert;
    CListItemEx item({text});
    const auto placed = item.placeColumn(text, row);
    const float width = font().getTextExtent(text.text);
    const float height = font().getFontHeight();
    const float expectX = horz == 0 ? 0 : horz == 1 ? (200 - width) / 2 : 200 - width;
    const float expectY = vert == 0 ? 0 : vert == 1 ? std::round((60 - height) / 2) : std::round(60 - height);
    EXPECT_FLOAT_EQ(placed.area.left(), 100 + 80 + expectX);
    EXPECT_FLOAT_EQ(placed.area.top(), 40 + expectY);
    EXPECT_FLOAT_EQ(placed.area.getWidth(), 200);
    EXPECT_EQ(placed.text, text.text);
  }
}

TEST_F(RowItem, ACutTextIsAlignedAsShown) {
  ListColumnText text{utf8(kLongName), 0.25f, 0.5f};
  text.fontName = "MSYH_20";
  text.horzAlign = ListColumnText::Right;
  CListItemEx item({text});
  const auto placed = item.placeColumn(text, CEGUI::Rectf(0, 0, 400, 50));
  EXPECT_NE(placed.text, text.text);
  EXPECT_FLOAT_EQ(placed.area.left() + font().getTextExtent(placed.text), 300);  // flush right
  EXPECT_GE(placed.area.left(), 200);
}

TEST_F(RowItem, TheDefaultFontIsTheSongListFontAndCatalogueTextIsNotMarkup) {
  CListItemEx item({ListColumnText{"[Live] Song"}});
  EXPECT_EQ(item.itemFont()->getName(), CListItemEx::DefaultFontName);
  EXPECT_FALSE(item.isTextParsingEnabled());
  EXPECT_FLOAT_EQ(item.getPixelSize().d_height, 10.0f);
}

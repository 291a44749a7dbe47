// Draws the lyrics window's texture.
#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cmath>

#include "widgets/LyricsWnd.h"

namespace CEGUI {

namespace {

// The border's width for a font: about a 25th of its line spacing, at least a pixel.
float borderWidth(const Font& font) { return std::max(1.0f, std::round(font.getLineSpacing() / 25)); }

// `text` at `position` in `fill` over an outline of `border` drawn in `borderColour`.
void drawOutlined(GeometryBuffer& buffer, const Font& fill, const Font& border, const String& text,
                  const Vector2f& position, const Rectf& clip, argb_t fillColour, argb_t borderColour) {
  const float d = borderWidth(fill);
  const ColourRect outline{Colour(borderColour)};
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) border.drawText(buffer, text, position + Vector2f(dx * d, dy * d), &clip, outline);
  fill.drawText(buffer, text, position, &clip, ColourRect(Colour(fillColour)));
}

}  // namespace

const String FalagardLyricsText::TypeName("Falagard/LyricsText");

FalagardLyricsText::FalagardLyricsText(const String& type) : WindowRenderer(type) {}

Rectf FalagardLyricsText::getUnclippedInnerRect() const { return d_window->getUnclippedOuterRect().get(); }

bool FalagardLyricsText::handleFontRenderSizeChange(const Font* const font) {
  auto* w = static_cast<LyricsWnd*>(d_window);
  if (font != w->mainFont() && font != w->borderFont() && font != w->phoneticFont() &&
      font != w->phoneticBorderFont())
    return false;
  w->layoutLyrics();
  return true;
}

void FalagardLyricsText::render() {
  auto* w = static_cast<LyricsWnd*>(d_window);
  w->refreshRows(static_cast<uint32_t>(std::max(w->currentTime(), 0)));
  w->countRender();
  GeometryBuffer& buffer = w->getGeometryBuffer();
  if (const Image* countIn = w->countInImage())
    countIn->render(buffer, w->countInStrip(), nullptr, ColourRect(Colour(1, 1, 1, 1)));

  const Font* main = w->mainFont();
  const Font* border = w->borderFont();
  const Font* phonetic = w->phoneticFont();
  const Font* phoneticBorder = w->phoneticBorderFont();
  for (int r = 0; r < LyricsWnd::kRowCount; ++r) {
    const LyricsRow& row = w->row(r);
    if (!row.line.found || !main) continue;
    const std::wstring& text = row.line.text;
    const String line = lyricText(text);
    const LYRIC_COLOR& c = row.line.colors;
    const struct {
      Rectf strip;
      argb_t fill, border;
    } strips[] = {{w->toSingStrip(r), c.ClrsingIn, c.ClrsingBor}, {w->sungStrip(r), c.ClrsangIn, c.ClrsangBor}};
    for (const auto& s : strips) {
      const float left = s.strip.left() + row.geometry.textX;
      drawOutlined(buffer, *main, *border, line,
                   Vector2f(left, s.strip.top() + s.strip.getHeight() / 4), s.strip, s.fill, s.border);
      if (!phonetic) continue;
      // Each phonetic text centred over the character its word starts with; one that would run
      // into the one before it (a long syllable over a narrow character) moves right just enough
      // to keep a space between them.
      std::vector<String> texts;
      std::vector<PhoneticSpan> spans;
      for (const auto& [pos, ph] : row.line.phonetics) {
        if (pos < 0 || pos >= static_cast<int>(text.size()) || ph.empty()) continue;
        const float w1 = lyricAdvance(*main, text, pos);
        const float w2 = lyricAdvance(*main, text, pos + 1);
        texts.push_back(lyricText(ph));
        const float wp = phonetic->getTextAdvance(texts.back());
        spans.push_back({left + w1 + (w2 - w1 - wp) / 2, wp});
      }
      const std::vector<float> lefts = phoneticLefts(spans, phonetic->getTextAdvance(" "));
      for (std::size_t i = 0; i < texts.size(); ++i)
        drawOutlined(buffer, *phonetic, *phoneticBorder, texts[i], Vector2f(lefts[i], s.strip.top()), s.strip,
                     s.fill, s.border);
    }
  }
}

}  // namespace CEGUI

// The lyrics window's rows at a moment, the quads that show them and MyEffect, which puts the
// quads on screen.
#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "widgets/LyricsWnd.h"

namespace CEGUI {

String lyricText(const std::wstring& text) {
  String out;
  for (wchar_t c : text) out.append(1, static_cast<utf32>(c));
  return out;
}

float lyricAdvance(const Font& font, const std::wstring& text, int chars) {
  const auto n = static_cast<std::size_t>(std::clamp(chars, 0, static_cast<int>(text.size())));
  return font.getTextAdvance(lyricText(text.substr(0, n)));
}

std::vector<float> phoneticLefts(const std::vector<PhoneticSpan>& spans, float gap) {
  std::vector<float> lefts;
  lefts.reserve(spans.size());
  for (const PhoneticSpan& p : spans) {
    const float x = lefts.empty() ? p.centred : std::max(p.centred, lefts.back() + spans[lefts.size() - 1].width + gap);
    lefts.push_back(x);
  }
  return lefts;
}

namespace {

Rectf span(const Rectf& strip, float left, float right) {
  return Rectf(left, strip.top(), right, strip.bottom());
}

}  // namespace

LyricsRowGeometry lyricsRowGeometry(float windowWidth, float margin, float textWidth, float wipe,
                                    int alignment) {
  LyricsRowGeometry g;
  const float padded = textWidth + 2 * margin;
  const bool allSung = wipe >= textWidth && textWidth > 0;
  if (padded <= windowWidth) {
    g.textX = margin;
    const float room = windowWidth - padded;
    g.shift = alignment == 0 ? 0 : alignment == 1 ? room / 2 : room;
    g.visibleRight = padded;
  } else {
    // Too wide for the window: it scrolls so that the wipe stays in the middle, from showing
    // its start to showing its end.
    const float scroll = std::clamp(margin + wipe - windowWidth / 2, 0.0f, padded - windowWidth);
    g.textX = margin - scroll;
    g.visibleRight = windowWidth;
  }
  if (allSung)
    g.wipeRight = g.visibleRight;
  else if (wipe > 0)
    g.wipeRight = std::clamp(g.textX + wipe, g.visibleLeft, g.visibleRight);
  else
    g.wipeRight = g.visibleLeft;
  return g;
}

int countInBeatsAt(const CLyricsData& lyrics, uint32_t t) {
  const auto time = static_cast<int64_t>(t);
  for (int p = 0; p < lyrics.partCount(); ++p) {
    const std::vector<CPlayCount>& counts = lyrics.part(p)->playCounts();
    for (std::size_t i = 0; i + 1 < counts.size(); ++i) {
      if (counts[i].GetEnd() <= time && time < counts[i + 1].GetEnd()) {
        const int beats = counts[i].GetBeatCount();
        // A part with nothing to show (a closing record, a count longer than the picture)
        // leaves the strip to the other part.
        if (beats >= 1 && beats <= 4) return beats;
        break;
      }
    }
  }
  return 0;
}

namespace {
// Whether two states of a row draw the same texture: the wipe itself is drawn by the
// composition, so only what is written into the texture counts.
bool drawsTheSame(const LyricsRow& a, const LyricsRow& b) {
  if (a.line.found != b.line.found) return false;
  if (!a.line.found) return true;
  return a.line.text == b.line.text && a.line.phonetics == b.line.phonetics && a.line.colors == b.line.colors &&
         a.geometry.textX == b.geometry.textX;
}
}  // namespace

bool LyricsWnd::refreshRows(uint32_t t) {
  const Font* font = mainFont();
  const float width = getPixelSize().d_width;
  bool changed = false;
  for (int r = 0; r < kRowCount; ++r) {
    LyricsRow row;
    if (lyrics_) row.line = lyrics_->findRowLine(r, t);
    // Without a font nothing can be measured or drawn: the row shows nothing.
    if (!lyrics_ || !row.line.found || !font) {
      row.line.found = false;
    } else {
      const std::wstring& text = row.line.text;
      row.textWidth = lyricAdvance(*font, text, static_cast<int>(text.size()));
      const float sung = lyricAdvance(*font, text, row.line.sungChars);
      const float current = lyricAdvance(*font, text, row.line.sungChars + row.line.currentChars) - sung;
      row.wipeWidth = sung + row.line.currentFraction * current;
      row.geometry = lyricsRowGeometry(width, margin(), row.textWidth, row.wipeWidth, alignment_[r]);
    }
    if (!drawsTheSame(row, rows_[r])) changed = true;
    rows_[r] = std::move(row);
  }
  return changed;
}

std::vector<LyricsQuad> LyricsWnd::compose(uint32_t t) const {
  std::vector<LyricsQuad> quads;
  if (countInImage_ && lyrics_) {
    const int beats = countInBeatsAt(*lyrics_, t);
    if (beats > 0) {
      const float share = beats / 4.0f;
      Rectf source = countInStrip_;
      source.setWidth(source.getWidth() * share);
      const Rectf area = countInArea();
      Rectf dest = area;
      dest.setWidth(area.getWidth() * share);
      quads.push_back({source, dest});
    }
  }
  for (int r = 0; r < kRowCount; ++r) {
    const LyricsRow& row = rows_[r];
    if (!row.line.found) continue;
    const LyricsRowGeometry& g = row.geometry;
    const Rectf area = rowArea(r);
    quads.push_back({span(toSingStrip(r), g.visibleLeft, g.visibleRight),
                     span(area, g.visibleLeft + g.shift, g.visibleRight + g.shift)});
    if (g.wipeRight > g.visibleLeft)
      quads.push_back({span(sungStrip(r), g.visibleLeft, g.wipeRight),
                       span(area, g.visibleLeft + g.shift, g.wipeRight + g.shift)});
  }
  return quads;
}

Rectf LyricsWnd::countInArea() const {
  // Above row 0, starting where row 0's text starts.
  const float top = contentHeight() - 2 * lineHeight_ - countInSize_.d_height;
  const float left = margin();
  return Rectf(left, top, left + countInSize_.d_width, top + countInSize_.d_height);
}

// ---------------------------------------------------------------------------------------------

bool MyEffect::update(const float, RenderingWindow&) {
  const int t = window_.currentTime();
  if (seen_ && t == lastTime_) return true;
  seen_ = true;
  lastTime_ = t;
  // The texture is drawn again only when a row shows something else (another line, or a long
  // line scrolled); a wipe that moves on only rebuilds the quads (false) and marks the
  // context dirty.
  if (window_.refreshRows(static_cast<uint32_t>(std::max(t, 0))))
    window_.invalidate();
  else
    window_.getGUIContext().markAsDirty();
  return false;
}

bool MyEffect::realiseGeometry(RenderingWindow& window, GeometryBuffer& geometry) {
  Texture& texture = window.getTextureTarget().getTexture();
  const Vector2f& texel = texture.getTexelScaling();
  const bool inverted = window.getTextureTarget().isRenderingInverted();
  const int t = seen_ ? lastTime_ : window_.currentTime();
  const Colour white(1, 1, 1, 1);
  std::vector<Vertex> vertices;
  for (const LyricsQuad& q : window_.compose(static_cast<uint32_t>(std::max(t, 0)))) {
    const float u0 = q.source.left() * texel.d_x, u1 = q.source.right() * texel.d_x;
    float v0 = q.source.top() * texel.d_y, v1 = q.source.bottom() * texel.d_y;
    if (inverted) {
      v0 = 1 - v0;
      v1 = 1 - v1;
    }
    auto corner = [&](float x, float y, float u, float v) {
      Vertex vertex;
      vertex.position = Vector3f(x, y, 0);
      vertex.tex_coords = Vector2f(u, v);
      vertex.colour_val = white;
      vertices.push_back(vertex);
    };
    const Rectf& d = q.dest;
    corner(d.left(), d.top(), u0, v0);
    corner(d.left(), d.bottom(), u0, v1);
    corner(d.right(), d.bottom(), u1, v1);
    corner(d.right(), d.bottom(), u1, v1);
    corner(d.right(), d.top(), u1, v0);
    corner(d.left(), d.top(), u0, v0);
  }
  geometry.setActiveTexture(&texture);
  if (!vertices.empty()) geometry.appendGeometry(vertices.data(), static_cast<uint>(vertices.size()));
  return false;
}

}  // namespace CEGUI

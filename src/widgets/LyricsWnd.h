#pragma once
// The lyrics window of a contest song: the current line of each of the two display rows at the
// bottom of the stage, phonetics over the words, and the sung part of each line wiped from the
// to-sing colours into the sung colours, following the engine's play position, with the
// count-in beats above the first row.
//
// FalagardLyricsText draws the window's texture (its own rendering surface): the count-in
// strip, then for each row a to-sing strip and a sung strip. MyEffect composes the texture on
// screen: the count-in strip cut to the beats still to come, each row's to-sing strip, and
// over it the sung strip cut to the wipe. It redraws only when the engine time changes.
// GUI thread.
#include <CEGUI/RenderEffect.h>
#include <CEGUI/Window.h>
#include <CEGUI/WindowRenderer.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/CLyricsData.h"

namespace CEGUI {

class MyEffect;

// Where a line sits: in the texture (its text starts at `textX` of its strips) and on screen
// (texture x + `shift`), and the span of the strips that is shown. A line wider than the
// window scrolls so that its wipe stays in view.
struct LyricsRowGeometry {
  float textX = 0;
  float shift = 0;
  float visibleLeft = 0;   // texture x
  float visibleRight = 0;  // texture x
  float wipeRight = 0;     // texture x where the sung strip ends; visibleLeft when nothing is sung
};

// `windowWidth` and the texture width are the same. `margin` keeps the text off the window's
// edges and leaves room for phonetics wider than their characters. `alignment`: 0 left,
// 1 centre, 2 right.
LyricsRowGeometry lyricsRowGeometry(float windowWidth, float margin, float textWidth, float wipe,
                                    int alignment);

// The beat count of the count-in that is current at `t`: part 0's, or part 1's when part 0 has
// none then. Count-in i is current from its end time up to the end time of count-in i + 1; the
// last one never is. 0 when none is.
int countInBeatsAt(const CLyricsData& lyrics, uint32_t t);

// Where a line's phonetic texts start, left to right: each at `centred` (its left edge when
// centred over its character) unless that would run into the one before it (its left edge plus
// its width), then `gap` after that one.
struct PhoneticSpan {
  float centred = 0;
  float width = 0;
};
std::vector<float> phoneticLefts(const std::vector<PhoneticSpan>& spans, float gap);

// A line's text as the toolkit draws it, and the advance of its first `chars` characters.
String lyricText(const std::wstring& text);
float lyricAdvance(const Font& font, const std::wstring& text, int chars);

// One textured quad of the composition, in pixels: from the texture to the window.
struct LyricsQuad {
  Rectf source;
  Rectf dest;
};

// What the window showed for a row at its last render.
struct LyricsRow {
  LyricLineState line;
  float textWidth = 0;  // the line's text, main font
  float wipeWidth = 0;  // from the text's left end
  LyricsRowGeometry geometry;
};

class LyricsWnd : public Window {
 public:
  static const String WidgetTypeName;  // "CEGUI/LyricsWnd"
  static const String EventNamespace;  // "LyricsWnd"
  static constexpr int kRowCount = 2;
  // The count-in strip without a count-in image.
  static constexpr float kCountInWidth = 395;
  static constexpr float kCountInHeight = 75;

  LyricsWnd(const String& type, const String& name);
  ~LyricsWnd() override;

  // The engine time now; replaced in tests. 0 without a source.
  void setTimeSource(std::function<int()> source) { timeSource_ = std::move(source); }
  int currentTime() const { return timeSource_ ? timeSource_() : 0; }
  // Not owned; it outlives the window (the mission manager owns it).
  void setLyricsData(CLyricsData* lyrics);
  CLyricsData* lyricsData() const { return lyrics_; }

  // Each font is taken only when the font manager defines it; otherwise one log line and the
  // previous choice stays. The main font is the window's own font.
  bool setMainFont(const String& name);
  bool setBorderFont(const String& name);
  bool setPhoneticFont(const String& name);
  bool setPhoneticBorderFont(const String& name);
  // The fonts drawn with: the border fonts fall back to their fill fonts; null when none.
  const Font* mainFont() const;
  const Font* borderFont() const;
  const Font* phoneticFont() const;
  const Font* phoneticBorderFont() const;

  // The count-in picture; taken only when the image is defined, otherwise one log line and
  // no picture (the count-in area stays blank).
  bool setCountInImage(const String& imageset, const String& image);
  const Image* countInImage() const;

  // Sizes the window to its fonts and count-in picture and computes the strips and areas.
  // Call after the fonts are set; the window keeps its position.
  void layoutLyrics();
  float lineHeight() const { return lineHeight_; }  // L: main plus phonetic line spacing
  const Sizef& countInSize() const { return countInSize_; }
  float contentHeight() const;                      // 4 L + count-in height, in pixels
  float margin() const;
  const Rectf& countInStrip() const { return countInStrip_; }
  Rectf countInArea() const;
  Rectf toSingStrip(int row) const;
  Rectf sungStrip(int row) const;
  Rectf rowArea(int row) const;

  // 0 left (row 0), 2 right (row 1); 1 centres.
  int rowAlignment(int row) const { return alignment_.at(row); }
  void setRowAlignment(int row, int alignment);

  // Looks up each row's line at `t` and measures it; the renderer calls it before drawing.
  // The rows' state at `t`; true when the texture must be drawn again (a row shows other text,
  // phonetics or colours, or a long line scrolled), false when only the wipe moved.
  bool refreshRows(uint32_t t);
  const LyricsRow& row(int index) const { return rows_.at(index); }
  // How often the texture has been drawn (the renderer counts).
  void countRender() { ++renderCount_; }
  // How often the texture has been drawn.
  int renderCount() const { return renderCount_; }
  // The quads that show the texture as it was last drawn, with the count-in current at `t`.
  std::vector<LyricsQuad> compose(uint32_t t) const;

  MyEffect* effect() const { return effect_.get(); }
  // Renders into its own texture, composed by MyEffect. Once the window is on its sheet.
  void attachEffect();

  // Takes the effect off the rendering surface before the toolkit tears the window down.
  void destroy() override;

 private:
  bool takeFont(const String& name, const char* role, const Font*& slot);
  void detachEffect();

  std::function<int()> timeSource_;
  CLyricsData* lyrics_ = nullptr;
  const Font* borderFont_ = nullptr;
  const Font* phoneticFont_ = nullptr;
  const Font* phoneticBorderFont_ = nullptr;
  const Image* countInImage_ = nullptr;
  float lineHeight_ = 0;
  Sizef countInSize_{kCountInWidth, kCountInHeight};
  Rectf countInStrip_;
  std::array<int, kRowCount> alignment_{0, 2};
  std::array<LyricsRow, kRowCount> rows_;
  int renderCount_ = 0;
  std::unique_ptr<MyEffect> effect_;
};

// Draws the window's texture: the count-in picture, and each row's line with its phonetics,
// outlined, in the to-sing colours in its to-sing strip and in the sung colours in its sung
// strip. A border font has no stroke of its own, so the border is the border font drawn at
// eight small offsets under the fill.
class FalagardLyricsText : public WindowRenderer {
 public:
  static const String TypeName;  // "Falagard/LyricsText"

  explicit FalagardLyricsText(const String& type);
  void render() override;
  Rectf getUnclippedInnerRect() const override;
  bool handleFontRenderSizeChange(const Font* const font) override;
};

// Composes the lyrics window's texture on screen. Each frame its update reads the window's
// time source and, when the time moved, has the window redrawn and the quads rebuilt.
class MyEffect : public RenderEffect {
 public:
  explicit MyEffect(LyricsWnd& window) : window_(window) {}

  int getPassCount() const override { return 1; }
  void performPreRenderFunctions(const int) override {}
  void performPostRenderFunctions() override {}
  bool realiseGeometry(RenderingWindow& window, GeometryBuffer& geometry) override;
  bool update(const float elapsed, RenderingWindow& window) override;

  // The engine time of the last update that moved.
  int lastTime() const { return lastTime_; }
  bool hasTime() const { return seen_; }

 private:
  LyricsWnd& window_;
  int lastTime_ = 0;
  bool seen_ = false;
};

}  // namespace CEGUI

// The performance's lyrics window: "Root/WndLyricsPK" of type "TaharezLook/LyricsWnd" on
// `sheet`, disabled (it takes no input), showing `lyrics` at the times of `timeSource`
// (VokaGetMidiTime in a song), with the four lyric fonts and the count-in picture, laid out and
// placed at the bottom of the sheet. Null, with a log line, when the window type is unknown.
CEGUI::LyricsWnd* createLyricsWindow(CEGUI::Window* sheet, CLyricsData& lyrics,
                                     std::function<int()> timeSource);
// Destroys a window made by createLyricsWindow; null is ignored.
void destroyLyricsWindow(CEGUI::LyricsWnd* window);

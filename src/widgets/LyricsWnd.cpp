// The lyrics window: fonts, count-in picture, layout of the texture and the screen, and the
// creation the performance uses.
#include "widgets/LyricsWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cmath>

namespace CEGUI {

namespace {

void logWarning(const String& message) { Logger::getSingleton().logEvent(message, Warnings); }

// The share of the window's width kept free at each side.
constexpr float kMarginShare = 0.035f;

}  // namespace

const String LyricsWnd::WidgetTypeName("CEGUI/LyricsWnd");
const String LyricsWnd::EventNamespace("LyricsWnd");

LyricsWnd::LyricsWnd(const String& type, const String& name) : Window(type, name) {}

LyricsWnd::~LyricsWnd() { detachEffect(); }

void LyricsWnd::destroy() {
  detachEffect();
  Window::destroy();
}

void LyricsWnd::setLyricsData(CLyricsData* lyrics) {
  lyrics_ = lyrics;
  invalidate();
}

bool LyricsWnd::takeFont(const String& name, const char* role, const Font*& slot) {
  FontManager& fonts = FontManager::getSingleton();
  if (!fonts.isDefined(name)) {
    logWarning("LyricsWnd '" + getName() + "': no font '" + name + "' for the " + role +
               " text; keeping " + (slot ? slot->getName() : String("none")) + ".");
    return false;
  }
  slot = &fonts.get(name);
  invalidate();
  return true;
}

bool LyricsWnd::setMainFont(const String& name) {
  const Font* font = nullptr;
  if (!takeFont(name, "main", font)) return false;
  setFont(font);
  return true;
}

bool LyricsWnd::setBorderFont(const String& name) { return takeFont(name, "border", borderFont_); }
bool LyricsWnd::setPhoneticFont(const String& name) { return takeFont(name, "phonetic", phoneticFont_); }
bool LyricsWnd::setPhoneticBorderFont(const String& name) {
  return takeFont(name, "phonetic border", phoneticBorderFont_);
}

const Font* LyricsWnd::mainFont() const { return getFont(); }
const Font* LyricsWnd::borderFont() const { return borderFont_ ? borderFont_ : mainFont(); }
const Font* LyricsWnd::phoneticFont() const { return phoneticFont_; }
const Font* LyricsWnd::phoneticBorderFont() const {
  return phoneticBorderFont_ ? phoneticBorderFont_ : phoneticFont_;
}

bool LyricsWnd::setCountInImage(const String& imageset, const String& image) {
  const String full = imageset + "/" + image;
  ImageManager& images = ImageManager::getSingleton();
  if (imageset.empty() || image.empty() || !images.isDefined(full)) {
    logWarning("LyricsWnd '" + getName() + "': no count-in image '" + full + "'; the count-in stays blank.");
    countInImage_ = nullptr;
    return false;
  }
  countInImage_ = &images.get(full);
  invalidate();
  return true;
}

const Image* LyricsWnd::countInImage() const { return countInImage_; }

void LyricsWnd::layoutLyrics() {
  const Font* main = mainFont();
  const Font* phonetic = phoneticFont();
  // Whole pixels, so the strips stay on the texture's pixel grid.
  lineHeight_ = std::ceil((main ? main->getLineSpacing() : 0.0f) + (phonetic ? phonetic->getLineSpacing() : 0.0f));
  countInSize_ = countInImage_ ? countInImage_->getRenderedSize() : Sizef(kCountInWidth, kCountInHeight);
  countInStrip_ = Rectf(Vector2f(0, 0), countInSize_);
  const float height = contentHeight();
  // Pixels rather than a share of the display, so the rows keep their height on a sheet that is
  // not the whole display.
  setSize(USize(UDim(1, 0), UDim(0, height)));
  invalidate();
}

float LyricsWnd::contentHeight() const { return 4 * lineHeight_ + countInSize_.d_height; }

float LyricsWnd::margin() const { return std::round(getPixelSize().d_width * kMarginShare); }

Rectf LyricsWnd::toSingStrip(int row) const {
  const float top = countInSize_.d_height + 2 * row * lineHeight_;
  return Rectf(0, top, getPixelSize().d_width, top + lineHeight_);
}

Rectf LyricsWnd::sungStrip(int row) const {
  Rectf strip = toSingStrip(row);
  strip.offset(Vector2f(0, lineHeight_));
  return strip;
}

Rectf LyricsWnd::rowArea(int row) const {
  const float top = contentHeight() - (kRowCount - row) * lineHeight_;
  return Rectf(0, top, getPixelSize().d_width, top + lineHeight_);
}

void LyricsWnd::setRowAlignment(int row, int alignment) {
  alignment_.at(row) = std::clamp(alignment, 0, 2);
  invalidate();
}

void LyricsWnd::attachEffect() {
  if (!effect_) effect_ = std::make_unique<MyEffect>(*this);
  setUsingAutoRenderingSurface(true);
  RenderingSurface* surface = getRenderingSurface();
  if (!surface || !surface->isRenderingWindow()) {
    logWarning("LyricsWnd '" + getName() + "': no texture to render into; the lyrics are drawn directly.");
    return;
  }
  static_cast<RenderingWindow*>(surface)->setRenderEffect(effect_.get());
}

void LyricsWnd::detachEffect() {
  RenderingSurface* surface = getRenderingSurface();
  if (!effect_ || !surface || !surface->isRenderingWindow()) return;
  auto* target = static_cast<RenderingWindow*>(surface);
  if (target->getRenderEffect() == effect_.get()) target->setRenderEffect(nullptr);
}

}  // namespace CEGUI

CEGUI::LyricsWnd* createLyricsWindow(CEGUI::Window* sheet, CLyricsData& lyrics,
                                     std::function<int()> timeSource) {
  using namespace CEGUI;
  if (!sheet) return nullptr;
  Window* created = nullptr;
  try {
    created = WindowManager::getSingleton().createWindow("TaharezLook/LyricsWnd", "WndLyricsPK");
  } catch (const Exception&) {
    // The toolkit has logged why.
    return nullptr;
  }
  auto* window = dynamic_cast<LyricsWnd*>(created);
  if (!window) {
    Logger::getSingleton().logEvent("\"TaharezLook/LyricsWnd\" is not a lyrics window.", Errors);
    WindowManager::getSingleton().destroyWindow(created);
    return nullptr;
  }
  sheet->addChild(window);
  window->disable();
  window->setMousePassThroughEnabled(true);
  window->setLyricsData(&lyrics);
  window->setTimeSource(std::move(timeSource));
  window->setMainFont("LyricsFont");
  window->setBorderFont("LyricsBorderFont");
  window->setPhoneticFont("LyricsPhFont");
  window->setPhoneticBorderFont("LyricsPhBorderFont");
  window->setCountInImage("LyricsPK", "CountIn");
  window->layoutLyrics();
  window->setPosition(UVector2(UDim(0, 0), UDim(1, -window->contentHeight())));
  window->attachEffect();
  return window;
}

void destroyLyricsWindow(CEGUI::LyricsWnd* window) {
  if (window) CEGUI::WindowManager::getSingleton().destroyWindow(window);
}

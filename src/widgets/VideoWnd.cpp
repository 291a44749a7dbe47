#include "widgets/VideoWnd.h"

#include <CEGUI/CEGUI.h>

#include <cstdlib>

#include "audio/CSampleData.h"

namespace CEGUI {

const String VideoWnd::WidgetTypeName("CEGUI/VideoWnd");
const String VideoWnd::EventNamespace("VideoWnd");

VideoWnd::VideoWnd(const String& type, const String& name) : Window(type, name) {}

VideoWnd::~VideoWnd() = default;

bool VideoWnd::setBufferManager(poolbuffers::IBufferManager* manager) {
  buffers_ = manager;
  return manager != nullptr;
}

const String FalagardVideo::TypeName("Falagard/VideoRender");

namespace {

String nextTextureName() {
  static unsigned counter = 0;  // GUI thread only
  return "VideoWnd/Frame" + PropertyHelper<uint>::toString(++counter);
}

}  // namespace

FalagardVideo::FalagardVideo(const String& type) : WindowRenderer(type, "Window") {
  texture_ = &System::getSingleton().getRenderer()->createTexture(nextTextureName(), Sizef(128, 128));
}

FalagardVideo::~FalagardVideo() {
  if (System* system = System::getSingletonPtr()) system->getRenderer()->destroyTexture(*texture_);
}

Rectf FalagardVideo::getUnclippedInnerRect() const { return d_window->getUnclippedOuterRect().get(); }

bool FalagardVideo::handleFontRenderSizeChange(const Font* const) { return false; }

void FalagardVideo::render() {
  drewFrame_ = false;
  auto* window = dynamic_cast<VideoWnd*>(d_window);
  poolbuffers::IBufferManager* buffers = window ? window->getBufferManager() : nullptr;
  if (!buffers) return;
  auto* frame = static_cast<CSampleData*>(buffers->takeLatest());
  if (!frame) return;
  const avmedia::BITMAPINFOHEADER* header = frame->header();
  if (frame->data() && header) {
    const long width = header->biWidth;
    // A top-down frame (negative height) has the same size.
    const long height = std::labs(static_cast<long>(header->biHeight));
    // A header that claims more pixels than the frame holds is not drawn (never read past it).
    if (width > 0 && height > 0 && width <= 8192 && height <= 8192 && frame->dataLength() >= width * height * 4) {
      // PF_RGBA: bytes R, G, B, A as the reader delivers them. Once the texture has the frame's
      // size the pixels are written into it instead of reallocating it each frame.
      const Sizef frameSize(static_cast<float>(width), static_cast<float>(height));
      if (texture_->getSize() == frameSize && texture_->getOriginalDataSize() == frameSize)
        texture_->blitFromMemory(frame->data(), Rectf(Vector2f(0, 0), frameSize));
      else
        texture_->loadFromMemory(frame->data(), frameSize, Texture::PF_RGBA);
      const Sizef size = d_window->getPixelSize();
      const Colour white(0xFFFFFFFF);
      // Flipped: frames come bottom row first, so the top edge samples v = 1.
      const float l = 0, t = 0, r = size.d_width, b = size.d_height;
      const struct {
        float x, y, u, v;
      } corners[6] = {{l, t, 0, 1}, {l, b, 0, 0}, {r, b, 1, 0}, {r, t, 1, 1}, {l, t, 0, 1}, {r, b, 1, 0}};
      Vertex vertices[6];
      for (int i = 0; i < 6; ++i) {
        vertices[i].position = Vector3f(corners[i].x, corners[i].y, 0);
        vertices[i].tex_coords = Vector2f(corners[i].u, corners[i].v);
        vertices[i].colour_val = white;
      }
      GeometryBuffer& geometry = d_window->getGeometryBuffer();
      geometry.reset();
      geometry.setActiveTexture(texture_);
      geometry.appendGeometry(vertices, 6);
      drewFrame_ = true;
      ++framesDrawn_;
      if (Logger* log = Logger::getSingletonPtr()) log->logEvent("show video Sample", Standard);
    }
  }
  buffers->giveBack(frame);
}

}  // namespace CEGUI

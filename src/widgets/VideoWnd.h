#pragma once
// The video window and its renderer. The window only carries the buffer manager whose frames
// it shows; the renderer draws the latest frame over the whole window, on the GUI thread.
#include <CEGUI/Window.h>
#include <CEGUI/WindowRenderer.h>

#include "poolbuffers/PoolBuffers.h"

namespace CEGUI {

class Texture;

class VideoWnd : public Window {
 public:
  static const String WidgetTypeName;  // "CEGUI/VideoWnd"
  static const String EventNamespace;  // "VideoWnd"

  VideoWnd(const String& type, const String& name);
  ~VideoWnd() override;

  // Not owned. True when the pointer is non-null. The frames in it must be CSampleData.
  bool setBufferManager(poolbuffers::IBufferManager* manager);
  poolbuffers::IBufferManager* getBufferManager() const { return buffers_; }

 private:
  poolbuffers::IBufferManager* buffers_ = nullptr;
};

class FalagardVideo : public WindowRenderer {
 public:
  static const String TypeName;  // "Falagard/VideoRender"

  explicit FalagardVideo(const String& type);
  ~FalagardVideo() override;

  void render() override;
  virtual String actualStateName(const String& name) const { return name; }
  // Drawn without a look: the inner area is the window's own.
  Rectf getUnclippedInnerRect() const override;
  bool handleFontRenderSizeChange(const Font* font) override;

  // What the last render did, for tests and the benchmark.
  bool drewFrame() const { return drewFrame_; }
  Texture* texture() const { return texture_; }
  int framesDrawn() const { return framesDrawn_; }

 private:
  Texture* texture_ = nullptr;
  bool drewFrame_ = false;
  int framesDrawn_ = 0;
};

}  // namespace CEGUI

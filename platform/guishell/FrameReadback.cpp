#include "guishell/FrameReadback.h"

#include <GL/glew.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace guishell {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<FrameListener*> listeners;
  std::atomic<int> count{0};
  std::atomic<bool> available{false};
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

bool frameReadbackAvailable() { return registry().available.load(); }

void addFrameListener(FrameListener* listener) {
  auto& r = registry();
  std::lock_guard g(r.lock);
  if (std::find(r.listeners.begin(), r.listeners.end(), listener) != r.listeners.end()) return;
  r.listeners.push_back(listener);
  r.count = static_cast<int>(r.listeners.size());
}

void removeFrameListener(FrameListener* listener) {
  auto& r = registry();
  // Taken while the GUI thread hands a frame over, so the listener is never called after this.
  std::lock_guard g(r.lock);
  r.listeners.erase(std::remove(r.listeners.begin(), r.listeners.end(), listener), r.listeners.end());
  r.count = static_cast<int>(r.listeners.size());
}

int64_t frameClockUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Three buffers: one being copied into on the graphics side, one waiting, one being read.
struct FrameReadback::Impl {
  struct Slot {
    GLuint buffer = 0;
    GLsync fence = nullptr;
    int width = 0;
    int height = 0;
    int64_t drawnAtUs = 0;
    uint64_t issued = 0;  // order of the reads; 0 when the slot is free
  };
  static constexpr int kSlots = 3;
  Slot slots[kSlots];
  bool context = false;
  uint64_t reads = 0;

  void release() {
    for (Slot& s : slots) {
      if (s.fence) glDeleteSync(s.fence);
      if (s.buffer) glDeleteBuffers(1, &s.buffer);
      s = Slot{};
    }
  }

  bool holdsBuffers() const {
    for (const Slot& s : slots)
      if (s.buffer) return true;
    return false;
  }

  Slot* oldestPending() {
    Slot* oldest = nullptr;
    for (Slot& s : slots)
      if (s.issued && (!oldest || s.issued < oldest->issued)) oldest = &s;
    return oldest;
  }

  // Hands over every read that the graphics side has finished, oldest first.
  void deliverFinished() {
    while (Slot* s = oldestPending()) {
      const GLenum state = glClientWaitSync(s->fence, 0, 0);
      if (state != GL_ALREADY_SIGNALED && state != GL_CONDITION_SATISFIED) return;
      glDeleteSync(s->fence);
      s->fence = nullptr;
      s->issued = 0;
      glBindBuffer(GL_PIXEL_PACK_BUFFER, s->buffer);
      const auto bytes = static_cast<GLsizeiptr>(s->width) * s->height * 4;
      const void* data = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, bytes, GL_MAP_READ_BIT);
      if (data) {
        RenderedFrame frame;
        frame.rgba = static_cast<const uint8_t*>(data);
        frame.width = s->width;
        frame.height = s->height;
        frame.stride = s->width * 4;
        frame.drawnAtUs = s->drawnAtUs;
        auto& r = registry();
        std::lock_guard g(r.lock);
        for (FrameListener* l : r.listeners) l->onFrame(frame);
      }
      glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
      glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
  }

  bool anyoneWants(int64_t now) {
    auto& r = registry();
    std::lock_guard g(r.lock);
    bool wanted = false;
    for (FrameListener* l : r.listeners) wanted = l->wantsFrame(now) || wanted;
    return wanted;
  }

  void readFrame(int width, int height, int64_t now) {
    Slot* free = nullptr;
    for (Slot& s : slots)
      if (!s.issued) {
        free = &s;
        break;
      }
    // Every buffer is still on its way: this frame is not read (the recorder repeats the last).
    if (!free) return;
    if (!free->buffer) glGenBuffers(1, &free->buffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, free->buffer);
    if (free->width != width || free->height != height) {
      glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(width) * height * 4, nullptr,
                   GL_STREAM_READ);
      free->width = width;
      free->height = height;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    free->fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    free->drawnAtUs = now;
    free->issued = ++reads;
  }
};

FrameReadback::FrameReadback() : d_(std::make_unique<Impl>()) {}
FrameReadback::~FrameReadback() = default;

void FrameReadback::contextCreated() {
  d_->context = true;
  registry().available = true;
}

void FrameReadback::contextDestroyed() {
  registry().available = false;
  if (d_->context) d_->release();
  d_->context = false;
}

void FrameReadback::frameDrawn(int width, int height) {
  if (!d_->context || width <= 0 || height <= 0) return;
  const bool listening = registry().count.load() > 0;
  if (!listening && !d_->holdsBuffers()) return;
  d_->deliverFinished();
  if (!listening) {
    // The last listener left: nothing more is read, and the buffers go back.
    if (!d_->oldestPending()) d_->release();
    return;
  }
  const int64_t now = frameClockUs();
  if (d_->anyoneWants(now)) d_->readFrame(width, height, now);
}

}  // namespace guishell

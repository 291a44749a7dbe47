#include "poolbuffers/PoolBuffers.h"

#include <array>
#include <mutex>

namespace poolbuffers {
namespace {

enum class State { Empty, Filling, Full, Drawing, Shown };

class BufferManager final : public IBufferManager {
 public:
  bool addBuffer(PoolBuffer* buffer) override {
    if (!buffer) return false;
    std::lock_guard g(lock_);
    if (count_ >= kMaxBuffers || find(buffer)) return false;
    slots_[count_++] = Slot{buffer, State::Empty, false};
    return true;
  }

  void resetBuffers() override {
    std::lock_guard g(lock_);
    for (std::size_t i = 0; i < count_; ++i) {
      Slot& s = slots_[i];
      if (s.state == State::Filling || s.state == State::Drawing) s.stale = true;
      else s.state = State::Empty;
    }
  }

  PoolBuffer* takeEmpty() override {
    std::lock_guard g(lock_);
    for (std::size_t i = 0; i < count_; ++i) {
      Slot& s = slots_[i];
      if (s.state == State::Empty) {
        s.state = State::Filling;
        return s.buffer;
      }
    }
    return nullptr;
  }

  void putFull(PoolBuffer* buffer) override {
    std::lock_guard g(lock_);
    Slot* slot = find(buffer);
    if (!slot || slot->state != State::Filling) return;
    if (slot->stale) {
      release(*slot);
      return;
    }
    for (std::size_t i = 0; i < count_; ++i)
      if (slots_[i].state == State::Full) {
        slots_[i].state = State::Empty;
        ++superseded_;
      }
    slot->state = State::Full;
  }

  PoolBuffer* takeLatest() override {
    std::lock_guard g(lock_);
    Slot* full = nullptr;
    Slot* shown = nullptr;
    for (std::size_t i = 0; i < count_; ++i) {
      if (slots_[i].state == State::Drawing) return nullptr;
      if (slots_[i].state == State::Full) full = &slots_[i];
      if (slots_[i].state == State::Shown) shown = &slots_[i];
    }
    if (full) {
      if (shown) shown->state = State::Empty;
      full->state = State::Drawing;
      return full->buffer;
    }
    if (shown) {
      shown->state = State::Drawing;
      return shown->buffer;
    }
    return nullptr;
  }

  void giveBack(PoolBuffer* buffer) override {
    std::lock_guard g(lock_);
    Slot* slot = find(buffer);
    if (!slot) return;
    if (slot->state == State::Drawing) {
      if (slot->stale) release(*slot);
      else slot->state = State::Shown;
    } else if (slot->state == State::Filling) {
      release(*slot);
    }
  }

  std::size_t bufferCount() const override {
    std::lock_guard g(lock_);
    return count_;
  }

  std::size_t supersededCount() const override {
    std::lock_guard g(lock_);
    return superseded_;
  }

 private:
  struct Slot {
    PoolBuffer* buffer = nullptr;
    State state = State::Empty;
    bool stale = false;  // handed out before a reset
  };

  Slot* find(PoolBuffer* buffer) {
    if (!buffer) return nullptr;
    for (std::size_t i = 0; i < count_; ++i)
      if (slots_[i].buffer == buffer) return &slots_[i];
    return nullptr;
  }
  static void release(Slot& slot) {
    slot.state = State::Empty;
    slot.stale = false;
  }

  mutable std::mutex lock_;
  std::array<Slot, kMaxBuffers> slots_{};
  std::size_t count_ = 0;
  std::size_t superseded_ = 0;
};

}  // namespace

IBufferManager* CreateBufferManager() { return new BufferManager; }

void DestroyBufferManager(IBufferManager* manager) { delete manager; }

}  // namespace poolbuffers

#pragma once
// The frame pool between a producer thread (the media graph's streaming thread) and a consumer
// thread (the GUI thread). The manager hands out buffers it does not own: whoever added them
// deletes them, after DestroyBufferManager (or after resetBuffers, when no thread holds one).
//
// A buffer is in one of these states:
//   empty    - free for the producer;
//   filling  - taken by takeEmpty; the producer's until putFull (or giveBack);
//   full     - put by putFull and not drawn yet; at most one: a newer putFull turns the older
//              full buffer back into an empty one (a frame nobody drew is dropped, the newest wins);
//   drawing  - taken by takeLatest; the consumer's until giveBack;
//   shown    - the last buffer given back after drawing; at most one.
//
// Rules:
// - takeEmpty gives an empty buffer, or null when none is empty. It never takes the full or the
//   shown buffer. With three buffers the producer therefore always finds one: at most one is
//   full and at most one is drawing or shown.
// - takeLatest gives the full buffer when there is one (the shown buffer, superseded, becomes
//   empty); otherwise the shown buffer again, so a redraw without a new frame draws the last
//   picture (or whatever the owner has since written into it); null when there is neither, and
//   while the consumer already holds one.
// - resetBuffers makes every buffer that no thread holds empty and forgets the full and the shown
//   one. Buffers held at that moment come back empty when they are put full or given back: a
//   frame begun before the reset is never drawn after it.
// - giveBack of a filling buffer (a frame the producer abandons) makes it empty.
// - A buffer unknown to the manager is ignored by putFull and giveBack.
//
// Threads: one producer (takeEmpty, putFull) and one consumer (takeLatest, giveBack) at a time,
// any threads; addBuffer and resetBuffers from any thread. Every call takes a short lock that
// covers only the state change (never a copy or a wait), so neither side waits on the other's work.
#include <cstddef>

namespace poolbuffers {

// A buffer the manager exchanges. Owners derive their frame type from it.
class PoolBuffer {
 public:
  virtual ~PoolBuffer() = default;
};

class IBufferManager {
 public:
  virtual ~IBufferManager() = default;
  // Registers a buffer (empty). False for null, a buffer already known, or more than kMaxBuffers.
  virtual bool addBuffer(PoolBuffer* buffer) = 0;
  virtual void resetBuffers() = 0;
  virtual PoolBuffer* takeEmpty() = 0;
  virtual void putFull(PoolBuffer* buffer) = 0;
  virtual PoolBuffer* takeLatest() = 0;
  virtual void giveBack(PoolBuffer* buffer) = 0;
  // How many buffers are registered.
  virtual std::size_t bufferCount() const = 0;
  // How many full frames were turned empty by a newer one before anybody drew them.
  virtual std::size_t supersededCount() const = 0;

  static constexpr std::size_t kMaxBuffers = 16;
};

IBufferManager* CreateBufferManager();
// Null is allowed.
void DestroyBufferManager(IBufferManager* manager);

}  // namespace poolbuffers

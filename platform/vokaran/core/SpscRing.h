#pragma once
// Single-producer / single-consumer ring of trivially copyable items. Lock-free and
// allocation-free after construction: the engine thread may be either end.
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace vokaran {

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit SpscRing(std::size_t capacity) : cap_(capacity + 1), buf_(new T[capacity + 1]) {}

    std::size_t capacity() const { return cap_ - 1; }
    // Producer side.
    std::size_t writable() const {
        const auto w = write_.load(std::memory_order_relaxed);
        const auto r = read_.load(std::memory_order_acquire);
        return (r + cap_ - w - 1) % cap_;
    }
    // Consumer side.
    std::size_t readable() const {
        const auto w = write_.load(std::memory_order_acquire);
        const auto r = read_.load(std::memory_order_relaxed);
        return (w + cap_ - r) % cap_;
    }
    // Writes as many items as fit; returns how many.
    std::size_t push(const T* items, std::size_t n) {
        n = std::min(n, writable());
        auto w = write_.load(std::memory_order_relaxed);
        const std::size_t first = std::min(n, cap_ - w);
        std::memcpy(buf_.get() + w, items, first * sizeof(T));
        std::memcpy(buf_.get(), items + first, (n - first) * sizeof(T));
        write_.store((w + n) % cap_, std::memory_order_release);
        return n;
    }
    bool push(const T& item) { return push(&item, 1) == 1; }
    std::size_t pop(T* items, std::size_t n) {
        n = std::min(n, readable());
        auto r = read_.load(std::memory_order_relaxed);
        const std::size_t first = std::min(n, cap_ - r);
        std::memcpy(items, buf_.get() + r, first * sizeof(T));
        std::memcpy(items + first, buf_.get(), (n - first) * sizeof(T));
        read_.store((r + n) % cap_, std::memory_order_release);
        return n;
    }
    bool pop(T& item) { return pop(&item, 1) == 1; }
    // Consumer side: drops everything readable now.
    void discard() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

private:
    const std::size_t cap_;
    std::unique_ptr<T[]> buf_;
    alignas(64) std::atomic<std::size_t> write_{0};
    alignas(64) std::atomic<std::size_t> read_{0};
};

// Lets a non-real-time thread withdraw something the engine thread uses, without a lock:
// the engine thread brackets each use with enter()/leave(); close() returns once the engine
// thread is outside and will not enter again. The wait is bounded by one use (a copy of
// one block), not by a whole render.
class RtGate {
public:
    // Engine thread. True when the guarded object may be used until leave().
    bool enter() {
        busy_.store(true, std::memory_order_seq_cst);
        if (open_.load(std::memory_order_seq_cst)) return true;
        busy_.store(false, std::memory_order_release);
        return false;
    }
    void leave() { busy_.store(false, std::memory_order_release); }
    // Controlling thread.
    void open() { open_.store(true, std::memory_order_seq_cst); }
    void close() {
        open_.store(false, std::memory_order_seq_cst);
        while (busy_.load(std::memory_order_seq_cst)) {
        }
    }
    bool isOpen() const { return open_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> open_{false};
    std::atomic<bool> busy_{false};
};

} // namespace vokaran

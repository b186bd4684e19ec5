// sync_queue.h -- the hand-off of sync events from the audio thread to the main thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace qm {

// One Zxx value, stamped with the sample position (frames from the song's start)
// at which the row that holds it began.
struct SyncEvent {
    uint8_t value = 0;
    int64_t samplePosition = 0;
};

// A fixed ring of events with one producer (the thread that decodes the song) and
// one consumer (the main thread). Neither side blocks or allocates.
class SyncQueue {
public:
    // Room for minutes of even the busiest sync track between two frames.
    static constexpr size_t kCapacity = 16384;

    // Producer. False when the queue is full; the event is dropped and counted.
    bool push(const SyncEvent& event) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) >= kCapacity) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        slots_[tail % kCapacity] = event;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest event, left in the queue.
    bool peek(SyncEvent& event) const {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        event = slots_[head % kCapacity];
        return true;
    }
    // Consumer: removes the oldest event (after a successful peek).
    void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Consumer, while no producer runs: forgets every queued event.
    void clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    std::array<SyncEvent, kCapacity> slots_{};
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace qm

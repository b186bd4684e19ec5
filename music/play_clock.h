// play_clock.h -- the output's play position, published by the audio thread and read by the main thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace qm {

// The audio thread publishes, at the start of every buffer it fills, the song
// frame the buffer starts with, its length and the time it was asked for. The
// main thread extrapolates from the last buffer with the elapsed time. A sequence
// counter keeps the three values consistent without a lock (one writer).
class PlayClock {
public:
    void publish(int64_t firstFrame, int64_t frames, int64_t micros) {
        const uint32_t s = sequence_.load(std::memory_order_relaxed);
        sequence_.store(s + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        firstFrame_.store(firstFrame, std::memory_order_relaxed);
        frames_.store(frames, std::memory_order_relaxed);
        micros_.store(micros, std::memory_order_relaxed);
        sequence_.store(s + 2, std::memory_order_release);
    }

    // Frames heard by `nowMicros`: the last buffer's first frame plus the time since
    // it was asked for (at most that buffer's length), less the output's latency.
    // -1 before the first buffer.
    int64_t position(int64_t nowMicros, int rate, int64_t latencyFrames) const {
        int64_t first = 0, frames = 0, micros = 0;
        lastBuffer(first, frames, micros);
        if (first < 0) return -1;
        const int64_t elapsed = std::clamp<int64_t>((nowMicros - micros) * rate / 1000000, 0, frames);
        return first + elapsed - latencyFrames;
    }

    // The last buffer published: its first frame (-1 before any), length and time.
    void lastBuffer(int64_t& first, int64_t& frames, int64_t& micros) const {
        for (;;) {
            const uint32_t before = sequence_.load(std::memory_order_acquire);
            first = firstFrame_.load(std::memory_order_relaxed);
            frames = frames_.load(std::memory_order_relaxed);
            micros = micros_.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (!(before & 1) && sequence_.load(std::memory_order_relaxed) == before) return;
        }
    }

    // While no buffer is being published.
    void reset() { publish(-1, 0, 0); }

private:
    std::atomic<uint32_t> sequence_{0};
    std::atomic<int64_t> firstFrame_{-1};
    std::atomic<int64_t> frames_{0};
    std::atomic<int64_t> micros_{0};
};

}  // namespace qm

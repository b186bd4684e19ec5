// The audio-to-main-thread queue: order, a full queue, and two threads at once.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "music/play_clock.h"
#include "music/sync_queue.h"

namespace qm {
namespace {

TEST(SyncQueueTest, EventsComeOutInOrderAndAFullQueueDropsAndCounts) {
    auto queue = std::make_unique<SyncQueue>();
    for (size_t i = 0; i < SyncQueue::kCapacity; ++i)
        ASSERT_TRUE(queue->push({static_cast<uint8_t>(i), static_cast<int64_t>(i)}));
    EXPECT_FALSE(queue->push({1, 1}));
    EXPECT_EQ(queue->dropped(), 1u);
    SyncEvent e;
    for (size_t i = 0; i < SyncQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue->peek(e));
        ASSERT_EQ(e.samplePosition, static_cast<int64_t>(i));
        queue->pop();
    }
    EXPECT_FALSE(queue->peek(e));
    EXPECT_TRUE(queue->push({9, 9}));  // room again once drained
    queue->clear();
    EXPECT_FALSE(queue->peek(e));
}

TEST(SyncQueueTest, AProducerThreadAndTheConsumerKeepEveryEventInOrder) {
    auto queue = std::make_unique<SyncQueue>();
    constexpr int64_t kEvents = 200000;
    std::thread producer([&] {
        for (int64_t i = 0; i < kEvents;)
            if (queue->push({static_cast<uint8_t>(i), i})) ++i;
    });
    int64_t next = 0;
    SyncEvent e;
    while (next < kEvents) {
        if (!queue->peek(e)) continue;
        ASSERT_EQ(e.samplePosition, next);
        ASSERT_EQ(e.value, static_cast<uint8_t>(next));
        queue->pop();
        ++next;
    }
    producer.join();
}

TEST(PlayClockTest, PositionExtrapolatesWithinTheLastBufferLessTheLatency) {
    PlayClock clock;
    EXPECT_EQ(clock.position(0, 44100, 0), -1);
    clock.publish(4096, 1024, 1000000);
    EXPECT_EQ(clock.position(1000000, 44100, 0), 4096);
    EXPECT_EQ(clock.position(1010000, 44100, 0), 4096 + 441);  // 10 ms later
    EXPECT_EQ(clock.position(1010000, 44100, 1024), 4096 + 441 - 1024);
    EXPECT_EQ(clock.position(2000000, 44100, 0), 4096 + 1024);  // no further than the buffer
    EXPECT_EQ(clock.position(900000, 44100, 0), 4096);          // a clock read before the buffer
    clock.reset();
    EXPECT_EQ(clock.position(2000000, 44100, 0), -1);
}

TEST(PlayClockTest, ReadsNeverMixTwoBuffers) {
    PlayClock clock;
    std::thread writer([&] {
        for (int64_t i = 0; i < 100000; ++i) clock.publish(i * 1000, i, i * 7);
    });
    for (int k = 0; k < 100000; ++k) {
        int64_t first = 0, frames = 0, micros = 0;
        clock.lastBuffer(first, frames, micros);
        if (first < 0) continue;
        ASSERT_EQ(first, frames * 1000);
        ASSERT_EQ(micros, frames * 7);
    }
    writer.join();
}

}  // namespace
}  // namespace qm

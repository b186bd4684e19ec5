// Block decoding and row tracking: which Zxx values fire, when, and never after the end.
#include <gtest/gtest.h>

#include <vector>

#include "music/song_stream.h"
#include "support/test_songs.h"

namespace qm {
namespace {

using test::SongFormat;

std::vector<SyncEvent> drain(SyncQueue& queue) {
    std::vector<SyncEvent> events;
    SyncEvent e;
    while (queue.peek(e)) {
        events.push_back(e);
        queue.pop();
    }
    return events;
}

// Renders until the song has ended, `request` frames at a time.
std::vector<SyncEvent> renderAll(SongStream& stream, size_t request, SyncQueue& queue) {
    std::vector<int16_t> buffer(request * 2);
    while (!stream.finished()) stream.render(buffer.data(), request, queue);
    return drain(queue);
}

int64_t blockStart(int64_t frame) { return frame - frame % static_cast<int64_t>(SongStream::kBlockFrames); }

class TimingSongTest : public ::testing::TestWithParam<SongFormat> {};

TEST_P(TimingSongTest, EveryPlayedRowFiresOnceWithItsStartAndSkippedRowsNever) {
    const test::TimingSong t = test::timingSong();
    SongStream stream;
    ASSERT_TRUE(stream.open(test::writeSong(t.song, GetParam())));
    SyncQueue queue;
    const std::vector<SyncEvent> events = renderAll(stream, 1024, queue);

    ASSERT_EQ(events.size(), t.expected.size());
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].value, t.expected[i].value);
        // Stamped with the first frame of the 64-frame block in which the row began.
        EXPECT_EQ(events[i].samplePosition, blockStart(t.expected[i].rowStart));
    }
    EXPECT_EQ(stream.framesDecoded(), t.endFrame);
}

TEST_P(TimingSongTest, NothingFiresAfterTheEndAndTheOutputIsSilent) {
    const test::TimingSong t = test::timingSong();
    SongStream stream;
    ASSERT_TRUE(stream.open(test::writeSong(t.song, GetParam())));
    SyncQueue queue;
    // The player reports row 0 again once the song is over; that is no row.
    const std::vector<SyncEvent> events = renderAll(stream, 512, queue);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.size(), t.expected.size());
    EXPECT_EQ(events.back().value, t.expected.back().value);
    std::vector<int16_t> tail(44100 * 2, 1);
    for (int second = 0; second < 3; ++second) stream.render(tail.data(), 44100, queue);
    EXPECT_TRUE(drain(queue).empty());
    for (int16_t s : tail) ASSERT_EQ(s, 0);
}

TEST_P(TimingSongTest, StampsDoNotDependOnHowMuchIsAskedForAtATime) {
    const std::string bytes = test::writeSong(test::timingSong().song, GetParam());
    std::vector<std::vector<SyncEvent>> runs;
    for (size_t request : {1u, 37u, 64u, 1000u, 4096u}) {
        SongStream stream;
        ASSERT_TRUE(stream.open(bytes));
        SyncQueue queue;
        runs.push_back(renderAll(stream, request, queue));
    }
    for (size_t r = 1; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].size(), runs[0].size());
        for (size_t i = 0; i < runs[0].size(); ++i) {
            EXPECT_EQ(runs[r][i].value, runs[0][i].value);
            EXPECT_EQ(runs[r][i].samplePosition, runs[0][i].samplePosition);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TimingSongTest,
                         ::testing::Values(SongFormat::Xm, SongFormat::XmUnpacked, SongFormat::It, SongFormat::ItPlain),
                         [](const auto& info) { return test::formatName(info.param); });

TEST(SongStreamTest, ShortestTicksStillFireEveryRow) {
    // Tempo 255 and speed 1: rows of 432 frames, the shortest there are.
    modwrite::Song song = test::basicSong(2, 1, 32, 1, 255);
    for (int r = 0; r < 32; ++r) test::putSync(song, 0, r, 1, static_cast<uint8_t>(r));
    SongStream stream;
    ASSERT_TRUE(stream.open(modwrite::writeIt(song)));
    SyncQueue queue;
    const std::vector<SyncEvent> events = renderAll(stream, 4096, queue);
    ASSERT_EQ(events.size(), 32u);
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(events[r].value, r);
        EXPECT_EQ(events[r].samplePosition, blockStart(r * 432));
    }
}

TEST(SongStreamTest, PrimingDecodesRowZeroSoItsTempoCommandCounts) {
    modwrite::Song song = test::basicSong(2, 1, 8, 6, 125);
    test::put(song, 0, 0, 1, modwrite::Effect::Tempo, 120);
    SongStream stream;
    ASSERT_TRUE(stream.open(modwrite::writeXm(song)));
    SyncQueue queue;
    stream.prime(queue);
    EXPECT_EQ(stream.tempo(), 120);
    // The primed block is handed out first: the output still starts at frame 0.
    std::vector<int16_t> out(64 * 2);
    stream.render(out.data(), 64, queue);
    EXPECT_EQ(stream.framesDecoded(), 64);
}

TEST(SongStreamTest, UnreadableBytesGiveSilenceAndNoSync) {
    SongStream stream;
    EXPECT_FALSE(stream.open("not a module at all"));
    SyncQueue queue;
    std::vector<int16_t> out(256 * 2, 7);
    stream.render(out.data(), 256, queue);
    for (int16_t s : out) ASSERT_EQ(s, 0);
    EXPECT_TRUE(drain(queue).empty());
    EXPECT_TRUE(stream.finished());
}

}  // namespace
}  // namespace qm

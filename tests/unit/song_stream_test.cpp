// Block decoding and row tracking: which Zxx values fire, when, and again in every pass of a looping song.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "music/module_sync.h"
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

// Renders `frames` frames, `request` frames at a time.
std::vector<SyncEvent> render(SongStream& stream, int64_t frames, size_t request, SyncQueue& queue) {
    std::vector<int16_t> buffer(request * 2);
    for (int64_t done = 0; done < frames; done += static_cast<int64_t>(request))
        stream.render(buffer.data(), static_cast<size_t>(std::min<int64_t>(request, frames - done)), queue);
    return drain(queue);
}

int64_t blockStart(int64_t frame) {
    return frame - frame % static_cast<int64_t>(SongStream::kBlockFrames);
}

class TimingSongTest : public ::testing::TestWithParam<SongFormat> {};

TEST_P(TimingSongTest, EveryPlayedRowFiresOnceWithItsStartAndSkippedRowsNever) {
    const test::TimingSong t = test::timingSong();
    SongStream stream;
    ASSERT_TRUE(stream.open(test::writeSong(t.song, GetParam())));
    SyncQueue queue;
    // One frame into the second pass: its first row has begun.
    const std::vector<SyncEvent> events = render(stream, t.endFrame + 1, 1024, queue);

    ASSERT_EQ(events.size(), t.expected.size() + 1);
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        const test::ExpectedSync& e = i < t.expected.size() ? t.expected[i] : t.secondPass[0];
        EXPECT_EQ(events[i].value, e.value);
        // Stamped with the first frame of the 64-frame block in which the row began.
        EXPECT_EQ(events[i].samplePosition, blockStart(e.rowStart));
    }
    EXPECT_EQ(stream.pass(), 2);
    EXPECT_EQ(stream.passStart(), t.endFrame);
}

TEST_P(TimingSongTest, StampsDoNotDependOnHowMuchIsAskedForAtATime) {
    const test::TimingSong t = test::timingSong();
    const std::string bytes = test::writeSong(t.song, GetParam());
    std::vector<std::vector<SyncEvent>> runs;
    for (size_t request : {1u, 37u, 64u, 1000u, 4096u}) {
        SongStream stream;
        ASSERT_TRUE(stream.open(bytes));
        SyncQueue queue;
        runs.push_back(render(stream, t.secondPass.back().rowStart + 1, request, queue));
    }
    ASSERT_EQ(runs[0].size(), t.expected.size() + t.secondPass.size());
    for (size_t r = 1; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].size(), runs[0].size());
        for (size_t i = 0; i < runs[0].size(); ++i) {
            EXPECT_EQ(runs[r][i].value, runs[0][i].value);
            EXPECT_EQ(runs[r][i].samplePosition, runs[0][i].samplePosition);
        }
    }
    // The second pass keeps the tempo the first ended with.
    for (size_t i = 0; i < t.secondPass.size(); ++i) {
        EXPECT_EQ(runs[0][t.expected.size() + i].value, t.secondPass[i].value) << i;
        EXPECT_EQ(runs[0][t.expected.size() + i].samplePosition, blockStart(t.secondPass[i].rowStart)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TimingSongTest,
                         ::testing::Values(SongFormat::Xm, SongFormat::XmUnpacked, SongFormat::It,
                                           SongFormat::ItPlain),
                         [](const auto& info) { return test::formatName(info.param); });

// Songs that loop in each way a module can, played on as trackers play them: every
// row entered fires again in each pass, in order, also a row that loops to itself;
// rows a loop skips never. The stamps are worked out by looping_songs.py beside
// this file. The sound is the module player's own with a repeat count of -1
// (repeat for ever); Passes::Once stops at the first loop, silent after it.
struct LoopCase {
    const char* name;
    test::Loop loop;
    int rows;
    int speed;
    int64_t frames;  // rendered
    std::vector<std::pair<uint8_t, int64_t>> stamps;
    std::vector<int64_t> passStarts;  // of the passes after the first
    std::vector<SongFormat> formats;
};

void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name;
}

class LoopingSongTest : public ::testing::TestWithParam<LoopCase> {};

std::vector<int16_t> repeatForever(std::string bytes, int64_t frames) {
    stripSyncCommands(bytes);
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    if (!module) return {};
    openmpt_module_set_repeat_count(module, -1);
    openmpt_module_ctl_set_integer(module, "dither", 0);
    size_t done = 0;
    while (done < static_cast<size_t>(frames)) {
        const size_t n = openmpt_module_read_interleaved_stereo(
            module, SongStream::kRate, std::min<size_t>(4096, frames - done), &pcm[done * 2]);
        if (n == 0) break;
        done += n;
    }
    openmpt_module_destroy(module);
    pcm.resize(done * 2);
    return pcm;
}

TEST_P(LoopingSongTest, PlaysOnAndFiresEveryPassAsTrackersPlayIt) {
    const LoopCase& c = GetParam();
    for (SongFormat format : c.formats) {
        SCOPED_TRACE(test::formatName(format));
        const std::string bytes = test::writeSong(test::loopingSong(c.loop, c.rows, c.speed), format);
        ASSERT_FALSE(bytes.empty());

        SongStream stream;
        ASSERT_TRUE(stream.open(bytes));
        SyncQueue queue;
        std::vector<int16_t> pcm(static_cast<size_t>(c.frames) * 2);
        std::vector<int64_t> passStarts;
        for (int64_t done = 0; done < c.frames; done += 1000) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(1000, c.frames - done));
            const int pass = stream.pass();
            stream.render(&pcm[static_cast<size_t>(done) * 2], n, queue);
            if (stream.pass() != pass) passStarts.push_back(stream.passStart());
        }
        std::vector<std::pair<uint8_t, int64_t>> stamps;
        for (const SyncEvent& e : drain(queue)) stamps.emplace_back(e.value, e.samplePosition);
        EXPECT_EQ(stamps, c.stamps);
        EXPECT_EQ(passStarts, c.passStarts);
        EXPECT_FALSE(stream.finished());
        EXPECT_TRUE(pcm == repeatForever(bytes, c.frames)) << "not the sound of a song repeated for ever";

        // Once: the first pass and nothing after it.
        SongStream once;
        ASSERT_TRUE(once.open(bytes, SongStream::Passes::Once));
        std::vector<int16_t> first(static_cast<size_t>(c.frames) * 2, 1);
        once.render(first.data(), static_cast<size_t>(c.frames), queue);
        EXPECT_TRUE(once.finished());
        EXPECT_EQ(once.framesDecoded(), c.passStarts[0]);
        const auto end = first.begin() + c.passStarts[0] * 2;
        EXPECT_TRUE(std::equal(first.begin(), end, pcm.begin()));
        EXPECT_TRUE(std::all_of(end, first.end(), [](int16_t s) { return s == 0; }));
        const std::vector<SyncEvent> onceEvents = drain(queue);
        EXPECT_EQ(onceEvents.size(),
                  static_cast<size_t>(std::count_if(c.stamps.begin(), c.stamps.end(), [&](const auto& s) {
                      return s.second < blockStart(c.passStarts[0]);
                  })));
    }
}

// Pasted from looping_songs.py.
// clang-format off
const LoopCase kLoopCases[] = {
    {"JumpBack", test::Loop::JumpBack, 8, 6, 300000,
     {{0x10, 0}, {0x11, 52864}, {0x12, 52864}, {0x13, 121664}, {0x11, 137536}, {0x12, 137536},
      {0x13, 206336}, {0x11, 222208}, {0x12, 222208}, {0x13, 291008}},
     {127008, 211680, 296352}, {SongFormat::Xm, SongFormat::It}},
    {"RestartPosition", test::Loop::RestartPosition, 8, 6, 300000,
     {{0x10, 0}, {0x11, 52864}, {0x12, 52864}, {0x13, 121664}, {0x11, 137536}, {0x12, 137536},
      {0x13, 206336}, {0x11, 222208}, {0x12, 222208}, {0x13, 291008}},
     {127008, 211680, 296352}, {SongFormat::Xm}},
    {"EndOfOrders", test::Loop::EndOfOrders, 8, 6, 300000,
     {{0x10, 0}, {0x11, 52864}, {0x12, 52864}, {0x13, 121664}, {0x10, 126976}, {0x11, 179904},
      {0x12, 179904}, {0x13, 248704}, {0x10, 254016}},
     {127008, 254016}, {SongFormat::Xm, SongFormat::It}},
    {"ToItself", test::Loop::ToItself, 8, 6, 150000,
     {{0x10, 0}, {0x11, 52864}, {0x12, 52864}, {0x13, 121664}, {0x13, 126976}, {0x13, 132288},
      {0x13, 137536}, {0x13, 142848}, {0x13, 148160}},
     {127008, 132300, 137592, 142884, 148176}, {SongFormat::Xm, SongFormat::It}},
    {"OneRow", test::Loop::OneRow, 8, 6, 20000,
     {{0x10, 0}, {0x10, 5248}, {0x10, 10560}, {0x10, 15872}},
     {5292, 10584, 15876}, {SongFormat::Xm, SongFormat::It}},
    {"EndOfOrders64", test::Loop::EndOfOrders, 64, 1, 400000,
     {{0x10, 0}, {0x11, 58176}, {0x12, 58176}, {0x13, 168448}, {0x10, 169344}, {0x11, 227520},
      {0x12, 227520}, {0x13, 337792}, {0x10, 338688}, {0x11, 396864}, {0x12, 396864}},
     {169344, 338688}, {SongFormat::S3m}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Loops, LoopingSongTest, ::testing::ValuesIn(kLoopCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SongStreamTest, ShortestTicksStillFireEveryRow) {
    // Tempo 255 and speed 1: rows of 432 frames, the shortest there are.
    modwrite::Song song = test::basicSong(2, 1, 32, 1, 255);
    for (int r = 0; r < 32; ++r) test::putSync(song, 0, r, 1, static_cast<uint8_t>(r));
    SongStream stream;
    ASSERT_TRUE(stream.open(modwrite::writeIt(song)));
    SyncQueue queue;
    // 32 rows of 432 frames, then the song loops.
    const std::vector<SyncEvent> events = render(stream, 32 * 432, 4096, queue);
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

// The module writer read back by the module player: notes, instruments and their
// sample data, volumes, loops, envelopes, and S3M's pattern commands.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <memory>
#include <vector>

#include "music/song_stream.h"
#include "support/test_songs.h"

namespace qm {
namespace {

using modwrite::Effect;
using modwrite::Song;
using test::SongFormat;

struct ModuleDeleter {
    void operator()(openmpt_module* m) const { openmpt_module_destroy(m); }
};
using Module = std::unique_ptr<openmpt_module, ModuleDeleter>;

Module load(const std::string& bytes) {
    return Module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                     nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                     nullptr, nullptr));
}

// Root mean square of the left channel in [from, to) seconds of the song.
double loudness(const std::string& bytes, double from, double to) {
    SongStream stream;
    if (!stream.open(bytes)) return -1;
    SyncQueue ignored;
    const auto total = static_cast<size_t>(to * 44100);
    std::vector<int16_t> pcm(total * 2);
    stream.render(pcm.data(), total, ignored);
    double sum = 0;
    const auto first = static_cast<size_t>(from * 44100);
    for (size_t i = first; i < total; ++i) sum += static_cast<double>(pcm[2 * i]) * pcm[2 * i];
    return std::sqrt(sum / static_cast<double>(total - first));
}

// One note at row 0 of a 64-row pattern at speed 6 (0.12 s a row), instrument 1.
Song oneNote(const modwrite::Instrument& instrument) {
    Song song = test::basicSong(1, 1, 64);
    song.patterns[0] = modwrite::Pattern(64, 1);
    song.instruments = {instrument};
    song.cell(0, 0, 0).note = modwrite::kMiddleC;
    song.cell(0, 0, 0).instrument = 1;
    return song;
}

modwrite::Instrument sine(size_t frames, bool looped) {
    modwrite::Instrument ins;
    ins.name = "sine";
    for (size_t i = 0; i < frames; ++i)
        ins.samples.push_back(
            static_cast<int16_t>(20000 * std::sin(2 * 3.14159265 * static_cast<double>(i) / 64)));
    if (looped) ins.loopEnd = static_cast<int>(frames);
    ins.middleRate = 44100;
    return ins;
}

class WriterTest : public ::testing::TestWithParam<SongFormat> {};

TEST_P(WriterTest, NotesInstrumentsAndVolumesReadBackAsWritten) {
    Song song = test::basicSong(3, 2, 64);
    song.instruments.push_back(sine(256, true));
    struct Placed {
        int pattern, row, channel;
        uint8_t note, instrument;
        int volume;
    };
    const Placed cells[] = {{0, 1, 1, 13, 2, 64},
                            {0, 7, 2, 61, 1, 0},
                            {1, 63, 1, 108, 2, 33},
                            {1, 5, 2, 49, 1, modwrite::kNoVolume}};
    for (const Placed& p : cells) {
        modwrite::Cell& c = song.cell(p.pattern, p.row, p.channel);
        c.note = p.note;
        c.instrument = p.instrument;
        c.volume = p.volume;
    }
    Module m = load(test::writeSong(song, GetParam()));
    ASSERT_TRUE(m);
    EXPECT_EQ(openmpt_module_get_num_channels(m.get()), 3);
    EXPECT_EQ(openmpt_module_get_num_orders(m.get()), 2);
    EXPECT_EQ(openmpt_module_get_num_samples(m.get()), 2);
    for (const Placed& p : cells) {
        SCOPED_TRACE(p.row);
        auto get = [&](int what) {
            return openmpt_module_get_pattern_row_channel_command(m.get(), p.pattern, p.row, p.channel, what);
        };
        EXPECT_EQ(get(OPENMPT_MODULE_COMMAND_NOTE), p.note);
        EXPECT_EQ(get(OPENMPT_MODULE_COMMAND_INSTRUMENT), p.instrument);
        if (p.volume != modwrite::kNoVolume) {
            EXPECT_EQ(get(OPENMPT_MODULE_COMMAND_VOLUME), p.volume);
        }
    }
}

TEST_P(WriterTest, SampleDataLoopsAndDefaultVolumeAreHeard) {
    const double full = loudness(test::writeSong(oneNote(sine(44100, false)), GetParam()), 0.1, 0.5);
    EXPECT_NEAR(full, 20000 / std::sqrt(2.0) * 0.4, 20000 * 0.25);  // a sine at the module's mixing level
    modwrite::Instrument quiet = sine(44100, false);
    quiet.volume = 32;
    EXPECT_NEAR(loudness(test::writeSong(oneNote(quiet), GetParam()), 0.1, 0.5) / full, 0.5, 0.03);
    modwrite::Instrument eight = sine(44100, false);
    eight.sixteenBit = false;
    EXPECT_NEAR(loudness(test::writeSong(oneNote(eight), GetParam()), 0.1, 0.5) / full, 1.0, 0.02);
    // 512 frames of sample: silent afterwards unless it loops.
    EXPECT_LT(loudness(test::writeSong(oneNote(sine(512, false)), GetParam()), 0.1, 0.5), 1.0);
    EXPECT_NEAR(loudness(test::writeSong(oneNote(sine(512, true)), GetParam()), 0.1, 0.5) / full, 1.0, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterTest,
                         ::testing::Values(SongFormat::Xm, SongFormat::It, SongFormat::S3m),
                         [](const auto& info) { return test::formatName(info.param); });

TEST(WriterTest, XmVolumeEnvelopeShapesTheNote) {
    modwrite::Instrument ins = sine(256, true);
    ins.volumeEnvelope.points = {{0, 64}, {12, 64}, {13, 0}};  // full for two rows, then silence
    const std::string bytes = modwrite::writeXm(oneNote(ins));
    EXPECT_GT(loudness(bytes, 0.0, 0.2), 1000);
    EXPECT_LT(loudness(bytes, 0.3, 0.6), 1.0);
    ins.volumeEnvelope.sustain = 1;  // held at point 1 while the key is down
    EXPECT_GT(loudness(modwrite::writeXm(oneNote(ins)), 0.3, 0.6), 1000);
}

TEST(WriterTest, S3mBreakJumpAndSpeedCommandsPlayAsWritten) {
    Song song = test::basicSong(2, 3, 64);
    test::putSync(song, 0, 0, 1, 1);
    test::put(song, 0, 0, 0, Effect::Speed, 2);
    test::put(song, 0, 1, 0, Effect::PatternBreak, 12);  // BCD in S3M
    test::putSync(song, 1, 12, 1, 2);
    test::put(song, 1, 13, 0, Effect::PositionJump, 2);
    test::putSync(song, 2, 0, 1, 3);
    test::put(song, 2, 1, 0, Effect::Tempo, 250);
    test::putSync(song, 2, 2, 1, 4);
    SongStream stream;
    ASSERT_TRUE(stream.open(modwrite::writeS3m(song)));
    SyncQueue queue;
    std::vector<int16_t> pcm(44100 * 2);
    stream.render(pcm.data(), 44100, queue);
    const int64_t tick = 882;
    const int64_t starts[] = {0, 4 * tick, 8 * tick, 10 * tick + 2 * 441};  // row 1 of pattern 2 at tempo 250
    for (uint8_t value = 1; value <= 4; ++value) {
        SyncEvent e;
        ASSERT_TRUE(queue.peek(e));
        queue.pop();
        EXPECT_EQ(e.value, value);
        EXPECT_EQ(e.samplePosition, starts[value - 1] - starts[value - 1] % 64);
    }
}

TEST(WriterTest, SongsThatDoNotFitTheFormatGiveNoBytes) {
    Song wide = test::basicSong(33, 1, 8);
    EXPECT_TRUE(modwrite::writeXm(wide).empty());
    EXPECT_FALSE(modwrite::writeIt(wide).empty());
    EXPECT_TRUE(modwrite::writeS3m(test::basicSong(2, 1, 32)).empty());  // S3M patterns are 64 rows
    Song badOrder = test::basicSong(2, 1, 8);
    badOrder.orders.push_back(5);
    EXPECT_TRUE(modwrite::writeXm(badOrder).empty());
    EXPECT_TRUE(modwrite::writeIt(badOrder).empty());
    Song restart = test::basicSong(2, 2, 64);
    restart.restartPosition = 1;  // only XM has the field
    EXPECT_FALSE(modwrite::writeXm(restart).empty());
    EXPECT_TRUE(modwrite::writeIt(restart).empty());
    EXPECT_TRUE(modwrite::writeS3m(restart).empty());
    restart.restartPosition = 2;  // past the last order
    EXPECT_TRUE(modwrite::writeXm(restart).empty());
}

}  // namespace
}  // namespace qm

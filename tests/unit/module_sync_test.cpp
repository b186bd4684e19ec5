// The Z table and the byte-level Zxx stripping: what is found, what is played, and damaged files.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <memory>
#include <random>
#include <vector>

#include "music/module_sync.h"
#include "music/song_stream.h"
#include "support/test_songs.h"

namespace qm {
namespace {

using modwrite::Effect;
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

// The whole song as the module player renders it.
std::vector<int16_t> render(const std::string& bytes) {
    Module m = load(bytes);
    std::vector<int16_t> pcm;
    if (!m) return pcm;
    openmpt_module_ctl_set_text(m.get(), "play.at_end", "stop");
    openmpt_module_ctl_set_integer(m.get(), "dither", 0);  // random otherwise
    int16_t block[1024 * 2];
    for (;;) {
        const size_t n = openmpt_module_read_interleaved_stereo(m.get(), 44100, 1024, block);
        pcm.insert(pcm.end(), block, block + 2 * n);
        if (n < 1024) return pcm;
    }
}

// A song whose Zxx sit on the channel that plays notes, where the module player
// would turn them into a filter cutoff. The same Z repeated on the next row lets IT
// write it as "repeat last command"; a run of rows with a note and a new Z each
// lets IT reuse the channel's previous mask. Speed 3 and values with both digits
// set make a Z left as an XM arpeggio (command 0) audible too. `withSync` false
// gives the same song without Z.
modwrite::Song filteredSong(bool withSync) {
    modwrite::Song song = test::basicSong(3, 2, 64, 3, 125);
    for (int r = 50; r < 56; ++r) {
        song.cell(1, r, 0).note = static_cast<uint8_t>(modwrite::kMiddleC + r - 50);
        song.cell(1, r, 0).instrument = 1;
    }
    if (!withSync) return song;
    for (int p = 0; p < 2; ++p) {
        for (int r = 0; r < 64; r += 8) {
            const auto value = static_cast<uint8_t>((0x11 * (1 + r / 8)) & 0x7F);
            test::putSync(song, p, r, 0, value);
            test::putSync(song, p, r + 1, 0, value);  // repeated as is
        }
        test::putSync(song, p, 5, 2, 0x1B);
    }
    for (int r = 50; r < 56; ++r) test::putSync(song, 1, r, 0, static_cast<uint8_t>(0x13 + 0x10 * (r - 50)));
    return song;
}

class StripTest : public ::testing::TestWithParam<SongFormat> {};

TEST_P(StripTest, StrippedSongRendersBitIdenticalToTheSongWrittenWithoutZ) {
    std::string bytes = test::writeSong(filteredSong(true), GetParam());
    ASSERT_FALSE(bytes.empty());
    const size_t size = bytes.size();
    EXPECT_GT(stripSyncCommands(bytes), 0);
    EXPECT_EQ(bytes.size(), size);

    const std::vector<int16_t> stripped = render(bytes);
    const std::vector<int16_t> clean = render(test::writeSong(filteredSong(false), GetParam()));
    ASSERT_GT(clean.size(), 44100u);
    ASSERT_EQ(stripped.size(), clean.size());
    EXPECT_TRUE(stripped == clean);
}

TEST_P(StripTest, TheSyncTableIsReadFromTheSongAsWritten) {
    const std::string bytes = test::writeSong(filteredSong(true), GetParam());
    SyncTable table;
    table.build(load(bytes).get());
    EXPECT_EQ(table.markCount(), 2u * (8 * 2 + 1) + 6);
    EXPECT_EQ(table.valuesAt(1, 8), std::vector<uint8_t>{0x22});
    EXPECT_EQ(table.valuesAt(1, 9), std::vector<uint8_t>{0x22});  // the repeated command counts too
    EXPECT_EQ(table.valuesAt(1, 51), std::vector<uint8_t>{0x23});
    EXPECT_EQ(table.valuesAt(0, 5), std::vector<uint8_t>{0x1B});
    EXPECT_TRUE(table.valuesAt(0, 2).empty());
    EXPECT_TRUE(table.valuesAt(7, 0).empty());
    EXPECT_TRUE(table.valuesAt(-1, -1).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, StripTest,
                         ::testing::Values(SongFormat::Xm, SongFormat::XmUnpacked, SongFormat::It,
                                           SongFormat::ItPlain, SongFormat::S3m),
                         [](const auto& info) { return test::formatName(info.param); });

TEST(StripTest, UnstrippedZMuffleXmAndIt) {
    // Why stripping exists: the same song with its Z left in sounds different.
    for (SongFormat format : {SongFormat::Xm, SongFormat::It}) {
        SCOPED_TRACE(test::formatName(format));
        EXPECT_FALSE(render(test::writeSong(filteredSong(true), format)) ==
                     render(test::writeSong(filteredSong(false), format)));
    }
}

TEST(StripTest, TwoZOnOneRowAreListedInChannelOrder) {
    modwrite::Song song = test::basicSong(4, 1, 8);
    test::putSync(song, 0, 3, 1, 0x22);
    test::putSync(song, 0, 3, 3, 0x21);
    test::putSync(song, 0, 3, 2, 0x00);
    for (SongFormat format : {SongFormat::Xm, SongFormat::It}) {
        SyncTable table;
        table.build(load(test::writeSong(song, format)).get());
        EXPECT_EQ(table.valuesAt(0, 3), (std::vector<uint8_t>{0x22, 0x00, 0x21})) << test::formatName(format);
    }
}

TEST(StripTest, OtherCommandsAndOtherFormatsAreLeftAlone) {
    modwrite::Song song = test::basicSong(2, 1, 16);
    test::put(song, 0, 1, 1, Effect::Speed, 3);
    test::put(song, 0, 2, 1, Effect::VolumeSlide, 0x0F);
    test::put(song, 0, 3, 1, Effect::Tempo, 0x9A);  // parameter 154, unlike any command number
    for (SongFormat format : {SongFormat::Xm, SongFormat::It}) {
        std::string bytes = test::writeSong(song, format);
        const std::string before = bytes;
        EXPECT_EQ(stripSyncCommands(bytes), 0);
        EXPECT_EQ(bytes, before);
    }
    std::string notAModule = "Extended Modul";  // too short to be anything
    EXPECT_EQ(stripSyncCommands(notAModule), 0);
    std::string mod(2000, '\x1A');
    EXPECT_EQ(stripSyncCommands(mod), 0);
    EXPECT_EQ(mod, std::string(2000, '\x1A'));
}

// Damaged files: cut short anywhere, or with bytes changed at random. The walk must
// stay inside the file (the sanitizer builds would catch a stray read or write) and
// never change the size.
TEST(StripTest, DamagedFilesAreWalkedWithinTheirBytes) {
    std::mt19937 random(1234);
    for (SongFormat format : {SongFormat::Xm, SongFormat::XmUnpacked, SongFormat::It, SongFormat::S3m}) {
        SCOPED_TRACE(test::formatName(format));
        const std::string whole = test::writeSong(filteredSong(true), format);
        for (size_t cut = 0; cut < whole.size(); cut += 1 + cut / 16) {
            std::string bytes = whole.substr(0, cut);
            stripSyncCommands(bytes);
            ASSERT_EQ(bytes.size(), cut);
        }
        for (int trial = 0; trial < 300; ++trial) {
            std::string bytes = whole;
            for (int k = 0; k < 8; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
            // Counts and offsets in the header are where damage hurts most.
            bytes[random() % 256] = static_cast<char>(0xFF);
            stripSyncCommands(bytes);
            ASSERT_EQ(bytes.size(), whole.size());
        }
    }
}

}  // namespace
}  // namespace qm

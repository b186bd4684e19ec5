// test_songs.h -- songs made with the module writer for the music and sync tests, with their expected sync.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "modwrite/module_writer.h"

namespace qm::test {

enum class SongFormat { Xm, XmUnpacked, It, ItPlain, S3m };
const char* formatName(SongFormat format);
inline void PrintTo(SongFormat format, std::ostream* os) { *os << formatName(format); }
std::string writeSong(const modwrite::Song& song, SongFormat format);

// A song with one looping sawtooth instrument and a note every other row on
// channel 0, all patterns `rows` long, orders 0..patterns-1.
modwrite::Song basicSong(int channels, int patterns, int rows, int speed = 6, int tempo = 125);
void put(modwrite::Song& song, int pattern, int row, int channel, modwrite::Effect effect, uint8_t param);
void putSync(modwrite::Song& song, int pattern, int row, int channel, uint8_t value);

// One expected sync value and the first frame (at 44100 Hz) of the row that holds it.
struct ExpectedSync {
    uint8_t value;
    int64_t rowStart;
};

// A song with Zxx at known rows together with a pattern loop, speed-1 rows, a
// pattern delay, a tempo change, a break, a jump and two Z on one row; rows
// skipped by the break and the jump hold Z values that must never fire.
struct TimingSong {
    modwrite::Song song;
    std::vector<ExpectedSync> expected;
    int64_t endFrame = 0;  // frames in the whole song
};
TimingSong timingSong();

}  // namespace qm::test

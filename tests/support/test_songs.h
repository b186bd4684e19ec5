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
inline void PrintTo(SongFormat format, std::ostream* os) {
    *os << formatName(format);
}
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
    int64_t endFrame = 0;  // frames in the whole song: where it loops
    // The first rows of the second pass: past its last order the song goes on at
    // order 0, keeping the speed and tempo it had (6 and 150).
    std::vector<ExpectedSync> secondPass;
};
TimingSong timingSong();

// The ways a song loops. Each of the songs below has three 8-row patterns, orders
// 0, 1, 2 (S3M: 64 rows), with Z10 on order 0 row 0, Z11 and Z12 on order 1
// row 2 and Z13 on the last row of order 2, and goes on from there:
enum class Loop {
    JumpBack,         // B01 on the last row: to order 1 row 0
    RestartPosition,  // past the last order to the restart position 1 (XM only)
    EndOfOrders,      // past the last order to order 0, where a song without restart position goes
    ToItself,         // B02 and a break to the last row on the last row: to itself
    OneRow,           // instead, a song of one pattern of one row, with Z10: order 0 row 0 to itself
};
modwrite::Song loopingSong(Loop loop, int rows = 8, int speed = 6);

}  // namespace qm::test

// test_songs.cpp -- the music tests' songs, and the timing song's expected sync worked out row by row.
#include "support/test_songs.h"

#include <cmath>

namespace qm::test {

using modwrite::Effect;
using modwrite::Song;

const char* formatName(SongFormat format) {
    switch (format) {
        case SongFormat::Xm:
            return "Xm";
        case SongFormat::XmUnpacked:
            return "XmUnpacked";
        case SongFormat::It:
            return "It";
        case SongFormat::ItPlain:
            return "ItPlain";
        case SongFormat::S3m:
            return "S3m";
    }
    return "?";
}

std::string writeSong(const Song& song, SongFormat format) {
    switch (format) {
        case SongFormat::Xm:
            return modwrite::writeXm(song);
        case SongFormat::XmUnpacked:
            return modwrite::writeXm(song, {.packCells = false});
        case SongFormat::It:
            return modwrite::writeIt(song);
        case SongFormat::ItPlain:
            return modwrite::writeIt(song, {.reuseLastValues = false});
        case SongFormat::S3m:
            return modwrite::writeS3m(song);
    }
    return {};
}

Song basicSong(int channels, int patterns, int rows, int speed, int tempo) {
    Song song;
    song.name = "test";
    song.channels = channels;
    song.speed = speed;
    song.tempo = tempo;
    modwrite::Instrument saw;
    saw.name = "saw";
    for (int i = 0; i < 256; ++i) saw.samples.push_back(static_cast<int16_t>((i - 128) * 200));
    saw.loopStart = 0;
    saw.loopEnd = 256;
    saw.middleRate = 22050;
    song.instruments.push_back(saw);
    for (int p = 0; p < patterns; ++p) {
        song.addPattern(rows);
        song.orders.push_back(p);
        for (int r = 0; r < rows; r += 2) {
            song.cell(p, r, 0).note = static_cast<uint8_t>(modwrite::kMiddleC + (r % 5));
            song.cell(p, r, 0).instrument = 1;
        }
    }
    return song;
}

void put(Song& song, int pattern, int row, int channel, Effect effect, uint8_t param) {
    song.cell(pattern, row, channel).effect = effect;
    song.cell(pattern, row, channel).param = param;
}

void putSync(Song& song, int pattern, int row, int channel, uint8_t value) {
    put(song, pattern, row, channel, Effect::Sync, value);
}

TimingSong timingSong() {
    TimingSong t;
    t.song = basicSong(4, 4, 16, 6, 125);
    Song& s = t.song;
    s.patterns[3] = modwrite::Pattern(4, 4);

    // Frames per tick are 2.5 s / tempo at 44100 Hz: 882 at tempo 125, 735 at 150.
    int64_t now = 0;
    auto row = [&](int ticks, int framesPerTick, std::vector<uint8_t> values) {
        for (uint8_t v : values) t.expected.push_back({v, now});
        now += static_cast<int64_t>(ticks) * framesPerTick;
    };

    // Pattern 0, 16 rows.
    putSync(s, 0, 0, 1, 0x10);
    row(6, 882, {0x10});
    putSync(s, 0, 1, 1, 0x22);  // two on one row: channel order, not value order
    putSync(s, 0, 1, 3, 0x21);
    row(6, 882, {0x22, 0x21});
    put(s, 0, 2, 0, Effect::PatternLoop, 0);
    putSync(s, 0, 2, 1, 0x13);
    put(s, 0, 3, 0, Effect::PatternLoop, 1);
    putSync(s, 0, 3, 1, 0x14);
    row(6, 882, {0x13});
    row(6, 882, {0x14});
    row(6, 882, {0x13});  // the loop's second pass fires again
    row(6, 882, {0x14});
    put(s, 0, 4, 0, Effect::Speed, 1);
    putSync(s, 0, 4, 1, 0x15);
    putSync(s, 0, 5, 1, 0x16);
    putSync(s, 0, 6, 1, 0x17);
    row(1, 882, {0x15});
    row(1, 882, {0x16});
    row(1, 882, {0x17});
    put(s, 0, 7, 0, Effect::Speed, 6);
    put(s, 0, 7, 2, Effect::PatternDelay, 2);
    putSync(s, 0, 7, 1, 0x18);
    row(18, 882, {0x18});  // played three times, fires once
    put(s, 0, 8, 0, Effect::Tempo, 150);
    putSync(s, 0, 8, 1, 0x19);
    row(6, 735, {0x19});
    put(s, 0, 9, 0, Effect::PatternBreak, 10);  // row 10: BCD 0x10 in XM, 0x0A in IT
    putSync(s, 0, 9, 1, 0x1A);
    row(6, 735, {0x1A});
    putSync(s, 0, 12, 1, 0x1F);  // after the break: never played

    // Pattern 1, 16 rows, entered at row 10.
    putSync(s, 1, 0, 1, 0x30);  // skipped by the break
    putSync(s, 1, 10, 1, 0x31);
    row(6, 735, {0x31});
    put(s, 1, 11, 0, Effect::PositionJump, 3);
    putSync(s, 1, 11, 1, 0x32);
    row(6, 735, {0x32});
    putSync(s, 1, 13, 1, 0x33);  // after the jump: never played

    // Pattern 2 is skipped by the jump.
    putSync(s, 2, 0, 1, 0x40);

    // Pattern 3, 4 rows, the last order: the first pass ends with it.
    putSync(s, 3, 0, 1, 0x50);
    row(6, 735, {0x50});
    row(6, 735, {});
    row(6, 735, {});
    putSync(s, 3, 3, 1, 0x51);
    row(6, 735, {0x51});
    t.endFrame = now;

    // The second pass, at tempo 150 throughout, through the pattern loop.
    std::vector<ExpectedSync> first = std::move(t.expected);
    row(6, 735, {0x10});
    row(6, 735, {0x22, 0x21});
    row(6, 735, {0x13});
    row(6, 735, {0x14});
    row(6, 735, {0x13});
    row(6, 735, {0x14});
    t.secondPass = std::move(t.expected);
    t.expected = std::move(first);
    return t;
}

Song loopingSong(Loop loop, int rows, int speed) {
    if (loop == Loop::OneRow) {
        Song song = basicSong(3, 1, 1, speed);
        putSync(song, 0, 0, 1, 0x10);
        return song;
    }
    Song song = basicSong(3, 3, rows, speed);
    const int last = rows - 1;
    putSync(song, 0, 0, 1, 0x10);
    putSync(song, 1, 2, 1, 0x11);
    putSync(song, 1, 2, 2, 0x12);
    putSync(song, 2, last, 1, 0x13);
    switch (loop) {
        case Loop::JumpBack:
            put(song, 2, last, 2, Effect::PositionJump, 1);
            break;
        case Loop::RestartPosition:
            song.restartPosition = 1;
            break;
        case Loop::EndOfOrders:
            break;
        case Loop::ToItself:
            // The jump on a channel before the break: in XM a jump after a break sets
            // the row back to 0.
            put(song, 2, last, 0, Effect::PositionJump, 2);
            put(song, 2, last, 2, Effect::PatternBreak, static_cast<uint8_t>(last));
            break;
        case Loop::OneRow:
            break;
    }
    return song;
}

}  // namespace qm::test

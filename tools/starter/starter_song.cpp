// starter_song.cpp -- the starter song's score: A minor at 120 BPM, a Z00 at each phrase start.
#include "starter/starter_song.h"

#include <array>
#include <string_view>
#include <vector>

#include "compose/instruments.h"
#include "modwrite/module_writer.h"

namespace qm::starter {

namespace {

using modwrite::Cell;
using modwrite::Effect;

// Two channels of their own for the sync marks, so that no note's effect is displaced.
enum Channel : int {
    kChKick,
    kChSnare,
    kChHat,
    kChBass,
    kChBell,
    kChPad1,
    kChPad2,
    kChPad3,
    kChSync1,
    kChSync2,
    kChannels
};

// The bundled song's synthesized instruments this one plays, numbered from 1 in this order.
constexpr std::array<demosong::Voice, 6> kVoices = {demosong::kKick, demosong::kSnare, demosong::kClosedHat,
                                                    demosong::kBass, demosong::kBell,  demosong::kPad};
enum Instrument : uint8_t { kKick = 1, kSnare, kHat, kBass, kBell, kPad };

constexpr int kTempo = 120;  // with speed 6 a row is 0.125 s, a bar 2 s, the beat unit 0.25 s
constexpr int kSpeed = 6;
constexpr int kRowsPerBar = 16;
constexpr int kPatternRows = 4 * kRowsPerBar;  // one phrase, one scene
constexpr int kEndRows = 8;                    // the last Z00 and the last chord
constexpr int kSongRows = 2 * kPatternRows + kEndRows;

// The row of a bar (1-9; bar 9 is the ending) and beat (1-4).
constexpr int at(int bar, int beat = 1) {
    return (bar - 1) * kRowsPerBar + (beat - 1) * 4;
}

// MIDI pitches: 60 is middle C, which modwrite::kMiddleC plays.
struct Chord {
    int bass;
    std::array<int, 3> pad;
};
constexpr Chord kAm{33, {57, 60, 64}};
constexpr Chord kF{29, {57, 60, 65}};
constexpr Chord kC{36, {55, 60, 64}};
constexpr Chord kG{31, {55, 59, 62}};
constexpr Chord kE{40, {56, 59, 64}};
constexpr std::array<Chord, 9> kBars = {kAm, kF, kC, kG, kAm, kF, kG, kE, kAm};

class Score {
public:
    Score() {
        song_.name = "starter";
        song_.channels = kChannels;
        song_.speed = kSpeed;
        song_.tempo = kTempo;
        const std::vector<modwrite::Instrument> all = demosong::makeInstruments();
        for (demosong::Voice v : kVoices) song_.instruments.push_back(all[static_cast<size_t>(v) - 1]);
        for (int rows : {kPatternRows, kPatternRows, kEndRows})
            song_.orders.push_back(song_.addPattern(rows));
    }

    void note(int channel, int row, int pitch, Instrument instrument, int volume) {
        Cell& c = cell(row, channel);
        c.note = static_cast<uint8_t>(modwrite::kMiddleC + pitch - 60);
        c.instrument = instrument;
        c.volume = volume;
    }

    // One character per row from `row` on: 'x' a hit at `volume`, 'o' a softer one.
    void hits(int channel, int row, std::string_view pattern, Instrument instrument, int volume) {
        for (char c : pattern) {
            if (c == 'x') note(channel, row, 60, instrument, volume);
            if (c == 'o') note(channel, row, 60, instrument, volume * 3 / 5);
            ++row;
        }
    }

    // The chord's three tones an octave up, and the lowest two octaves up, by digit.
    void arpeggio(int row, const Chord& chord, std::string_view pattern, int volume) {
        const std::array<int, 4> tones = {chord.pad[0] + 12, chord.pad[1] + 12, chord.pad[2] + 12,
                                          chord.pad[0] + 24};
        for (char c : pattern) {
            if (c >= '0' && c <= '3') note(kChBell, row, tones[static_cast<size_t>(c - '0')], kBell, volume);
            ++row;
        }
    }

    void sync(int row, uint8_t value) {
        Cell& first = cell(row, kChSync1);
        Cell& c = first.effect == Effect::None ? first : cell(row, kChSync2);
        c.effect = Effect::Sync;
        c.param = value;
    }

    const modwrite::Song& song() const { return song_; }

private:
    Cell& cell(int row, int channel) {
        const int pattern = row < kSongRows ? row / kPatternRows : 2;
        return song_.cell(pattern, row - pattern * kPatternRows, channel);
    }

    modwrite::Song song_;
};

}  // namespace

std::string writeStarterSong() {
    Score s;
    for (int bar = 1; bar <= 9; ++bar) {
        const int row = at(bar);
        const Chord& chord = kBars[static_cast<size_t>(bar) - 1];
        for (int v = 0; v < 3; ++v) s.note(kChPad1 + v, row, chord.pad[static_cast<size_t>(v)], kPad, 20);
        s.note(kChBass, row, chord.bass, kBass, 40);
        if (bar == 9) {
            s.hits(kChKick, row, "x", kKick, 60);
            break;
        }
        s.arpeggio(row, chord, bar % 2 ? "0.1.2.3.2.1.2.3." : "3.2.1.0.1.2.1.2.", 18);
        if (bar >= 3) {
            s.hits(kChKick, row, "x...x...x...x...", kKick, 56);
            s.hits(kChHat, row, "o.x.o.x.o.x.o.x.", kHat, 40);
            s.note(kChBass, at(bar, 3), chord.bass, kBass, 36);
            s.note(kChBass, at(bar, 4) + 2, chord.bass + 12, kBass, 30);
        }
        if (bar >= 5) s.hits(kChSnare, row, bar == 8 ? "....x...x.x.xxxx" : "....x.......x...", kSnare, 46);
    }

    s.sync(at(1, 3), 0x07);  // the first title, once the opening fade-in is over
    s.sync(at(3), 0x01);     // a flash where the drums come in
    s.sync(at(5), 0x00);     // the second phrase: the second scene
    s.sync(at(5, 3), 0x07);
    s.sync(at(7), 0x08);
    s.sync(at(8), 0x09);
    s.sync(at(8, 3), 0x03);  // fade to black before the end
    s.sync(at(9), 0x00);     // the last change request ends the run
    return modwrite::writeXm(s.song());
}

}  // namespace qm::starter

// demo_song.cpp -- the score of the demo's song: chords, grooves, melodies and where the sync marks fall.
#include "compose/demo_song.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <string_view>

#include "compose/instruments.h"

namespace qm::demosong {

namespace {

using modwrite::Cell;
using modwrite::Effect;

enum Channel : int {
    kChKick,
    kChSnare,
    kChHat,
    kChCrash,
    kChBass,
    kChLead,
    kChEcho,
    kChPad1,
    kChPad2,
    kChPad3,
    kChBell,
    kChRiser,
    kChSync1,  // the sync marks have two channels of their own: no note's effect is displaced
    kChSync2,
    kChannelCount
};

// Panning (0 left, 128 centre, 255 right) written with every note of a channel: a note
// with an instrument number puts the channel back to the sample's own, centred panning.
// -1 leaves the channel centred and its effect column free.
constexpr std::array<int, kChannelCount> kPan = {-1,   -1, 0x98, 0x70, -1,   -1, 0x48,
                                                 0x50, -1, 0xB0, 0xA8, 0x90, -1, -1};

constexpr int kRowsPerPattern = 64;
constexpr int kSceneRows = kBarsPerScene * kRowsPerBar;
constexpr int kScenePatterns = kSceneRows / kRowsPerPattern;
constexpr int kEndRows = 8;  // after the last scene change: the tail of the last chord
constexpr int kSongRows = kSceneCount * kSceneRows + kEndRows;

enum Section { kIntro, kFloor, kKnot, kBall, kModel, kFinale, kEnd };

// The row in the whole song of a section's bar (1-8), beat (1-4) and sixteenth (0-3).
constexpr int at(int section, int bar, int beat = 1, int sixteenth = 0) {
    return section * kSceneRows + (bar - 1) * kRowsPerBar + (beat - 1) * kRowsPerBeat + sixteenth;
}

// Pitches are MIDI numbers: 60 is middle C, which modwrite::kMiddleC plays.
struct Chord {
    int bass;
    std::array<int, 3> pad;
    bool operator==(const Chord&) const = default;
};

constexpr Chord kAm{33, {57, 60, 64}};  // A1; A3 C4 E4
constexpr Chord kF{29, {57, 60, 65}};   // F1; A3 C4 F4
constexpr Chord kC{36, {55, 60, 64}};   // C2; G3 C4 E4
constexpr Chord kG{31, {55, 59, 62}};   // G1; G3 B3 D4
constexpr Chord kDm{38, {57, 62, 65}};  // D2; A3 D4 F4
constexpr Chord kE{40, {56, 59, 64}};   // E2; G#3 B3 E4

using Progression = std::array<Chord, kBarsPerScene>;
constexpr Progression kMain = {kAm, kF, kC, kG, kAm, kF, kDm, kE};

// Melodies, one token per row: a note name plays it, "-" releases it, "." leaves the row alone.
using Melody = std::array<std::string_view, kBarsPerScene>;

constexpr Melody kTheme = {
    "E5 . . E5 . . D5 . C5 . . . A4 . C5 .",  // Am
    "D5 . . C5 . . A4 . . . G4 . A4 . . .",   // F
    "E5 . . E5 . . D5 . C5 . . . G4 . C5 .",  // C
    "D5 . . B4 . . G4 . . . . . - . . .",     // G
    "E5 . . E5 . . G5 . A5 . . . G5 . E5 .",  // Am
    "F5 . . E5 . . C5 . . . . . A4 . C5 .",   // F
    "D5 . . F5 . . A5 . . . G5 . F5 . E5 .",  // Dm
    "E5 . . . . . B4 . . . G#4 . . . B4 .",   // E
};

constexpr Melody kAnswer = {
    "A5 . . G5 . . E5 . . . D5 . E5 . . .",   // Am
    "C5 . . . . . A4 . C5 . . . D5 . . .",    // F
    "E5 . . G5 . . E5 . . . D5 . C5 . . .",   // C
    "D5 . . . . . B4 . D5 . . . G5 . . .",    // G
    "A5 . . G5 . . E5 . . . D5 . E5 . . .",   // Am
    "F5 . . E5 . . C5 . - . . . . . . .",     // F, then everything stops but the pad
    "D5 . . F5 . . A5 . . . G5 . F5 . E5 .",  // Dm
    "E5 . . . . . B4 . . . G#4 . . . B4 .",   // E
};

// The second half of the breakdown, over F G E E.
constexpr std::array<std::string_view, 4> kClimb = {
    "A4 . . C5 . . F5 . . . E5 . C5 . . .",
    "B4 . . D5 . . G5 . . . F5 . D5 . . .",
    "E5 . . . . . B4 . . . G#4 . . . B4 .",
    "E5 . . . D5 . . . C5 . . . B4 . . .",
};

constexpr int kEchoDelay = 3;  // rows: a dotted eighth

// "C4" -> 60, "G#3" -> 56, "Bb4" -> 70; -1 for anything else.
int pitchOf(std::string_view name) {
    static constexpr int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return -1;
    int pitch = kSemitone[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#' || name[i] == 'b') {
        pitch += name[i] == '#' ? 1 : -1;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') return -1;
    return pitch + 12 * (name[i] - '0' + 1);
}

// The song's patterns addressed by row of the whole song, with the notation helpers.
class Score {
public:
    Score() {
        song_.name = "quillmoor";
        song_.channels = kChannelCount;
        song_.speed = kSpeed;
        song_.tempo = kTempo;
        song_.instruments = makeInstruments();
        for (int p = 0; p < kSceneCount * kScenePatterns; ++p)
            song_.orders.push_back(song_.addPattern(kRowsPerPattern));
        song_.orders.push_back(song_.addPattern(kEndRows));
    }

    void note(int channel, int row, int pitch, Voice voice, int volume) {
        Cell* c = cell(row, channel);
        if (!c) return;
        const int n = modwrite::kMiddleC + pitch - 60;
        if (n < 1 || n > modwrite::kHighestNote)
            return problem("pitch " + std::to_string(pitch) + " out of range");
        c->note = static_cast<uint8_t>(n);
        c->instrument = static_cast<uint8_t>(voice);
        c->volume = std::clamp(volume, 0, 64);
        if (kPan[channel] >= 0) {
            if (c->effect != Effect::None && c->effect != Effect::SetPanning)
                return problem("a note's panning would replace an effect on row " + std::to_string(row));
            c->effect = Effect::SetPanning;
            c->param = static_cast<uint8_t>(kPan[channel]);
        }
    }

    void release(int channel, int row) {
        if (Cell* c = cell(row, channel)) c->note = modwrite::kNoteOff;
    }

    void volume(int channel, int row, int volume) {
        if (Cell* c = cell(row, channel)) c->volume = std::clamp(volume, 0, 64);
    }

    void effect(int channel, int row, Effect effect, uint8_t param) {
        Cell* c = cell(row, channel);
        if (!c) return;
        if (c->effect != Effect::None) return problem("two effects on row " + std::to_string(row));
        c->effect = effect;
        c->param = param;
    }

    void sync(int row, uint8_t value) {
        for (int channel : {kChSync1, kChSync2}) {
            Cell* c = cell(row, channel);
            if (!c) return;
            if (c->effect == Effect::None) {
                c->effect = Effect::Sync;
                c->param = value;
                return;
            }
        }
        problem("more than two sync marks on row " + std::to_string(row));
    }

    // A melody from `row` on, one token per row.
    void line(int channel, int row, std::string_view text, Voice voice, int volume, int transpose = 0) {
        std::istringstream tokens{std::string(text)};
        for (std::string token; tokens >> token; ++row) {
            if (token == ".") continue;
            if (token == "-") {
                release(channel, row);
                continue;
            }
            const int pitch = pitchOf(token);
            if (pitch < 0) return problem("not a note: " + token);
            note(channel, row, pitch + transpose, voice, volume);
        }
    }

    // The lead, and its echo on a channel of its own a dotted eighth later.
    void lead(int row, std::string_view text, int volume) {
        line(kChLead, row, text, kLead, volume);
        line(kChEcho, row + kEchoDelay, text, kLead, volume * 2 / 5);
    }

    void leadRelease(int row) {
        release(kChLead, row);
        release(kChEcho, row + kEchoDelay);
    }

    // Drum hits, one character per row: 'x' at `volume`, 'o' softer, 'O' the open hat.
    void hits(int channel, int row, std::string_view pattern, Voice voice, int volume) {
        for (char c : pattern) {
            if (c == 'x') note(channel, row, 60, voice, volume);
            if (c == 'o') note(channel, row, 60, voice, volume * 3 / 5);
            if (c == 'O') note(channel, row, 60, kOpenHat, volume);
            ++row;
        }
    }

    // Hits whose volume climbs evenly from `from` to `to` over the pattern.
    void roll(int channel, int row, std::string_view pattern, Voice voice, int from, int to) {
        const int last = static_cast<int>(pattern.size()) - 1;
        for (int i = 0; i <= last; ++i)
            if (pattern[i] == 'x')
                note(channel, row + i, 60, voice, from + (to - from) * i / std::max(last, 1));
    }

    // One bar of bass: 'R' the root, 'O' its octave, '-' release.
    void bass(int row, const Chord& chord, std::string_view groove, int volume) {
        for (char c : groove) {
            if (c == 'R') note(kChBass, row, chord.bass, kBass, volume);
            if (c == 'O') note(kChBass, row, chord.bass + 12, kBass, volume);
            if (c == '-') release(kChBass, row);
            ++row;
        }
    }

    void pad(int row, const Chord& chord, int volume) {
        for (int v = 0; v < 3; ++v) note(kChPad1 + v, row, chord.pad[v], kPad, volume);
    }
    void padRelease(int row) {
        for (int v = 0; v < 3; ++v) release(kChPad1 + v, row);
    }

    // A bar of arpeggio on the bell: digits 0-3 are the chord's three pad notes an octave
    // up and the lowest two octaves up.
    void arp(int row, const Chord& chord, std::string_view pattern, int volume) {
        const std::array<int, 4> tones = {chord.pad[0] + 12, chord.pad[1] + 12, chord.pad[2] + 12,
                                          chord.pad[0] + 24};
        for (char c : pattern) {
            if (c >= '0' && c <= '3') note(kChBell, row, tones[c - '0'], kBell, volume);
            ++row;
        }
    }

    // Band-passed noise sliding up over `rows` while it grows louder; released at the end.
    void riser(int row, int rows, int slide, int from, int to) {
        note(kChRiser, row, 48, kSweep, from);
        for (int i = 1; i < rows; ++i) {
            volume(kChRiser, row + i, from + (to - from) * i / rows);
            effect(kChRiser, row + i, Effect::PortaUp, static_cast<uint8_t>(slide));
        }
        release(kChRiser, row + rows);
    }

    // Pads for bars `first` to `last` of a section: struck on the first bar, and then
    // again only when the chord changes.
    void pads(int section, const Progression& chords, int volume, int first = 1, int last = kBarsPerScene) {
        for (int bar = first; bar <= last; ++bar)
            if (bar == first || !(chords[bar - 1] == chords[bar - 2]))
                pad(at(section, bar), chords[bar - 1], volume);
    }

    void problem(std::string what) { problems_.push_back(std::move(what)); }

    Composition take() { return {std::move(song_), std::move(problems_)}; }

private:
    Cell* cell(int row, int channel) {
        if (row < 0 || row >= kSongRows || channel < 0 || channel >= kChannelCount) {
            problem("row " + std::to_string(row) + " is outside the song");
            return nullptr;
        }
        const int pattern = std::min(row / kRowsPerPattern, kSceneCount * kScenePatterns);
        return &song_.cell(pattern, row - pattern * kRowsPerPattern, channel);
    }

    modwrite::Song song_;
    std::vector<std::string> problems_;
};

// The four-on-the-floor groove shared by the drops.
void beat(Score& s, int row, std::string_view hats, int kickVolume = 60) {
    s.hits(kChKick, row, "x...x...x...x...", kKick, kickVolume);
    s.hits(kChSnare, row, "....x.......x...", kSnare, 50);
    s.hits(kChHat, row, hats, kClosedHat, 46);
}

// The last bar of a phrase: the snare runs into the next downbeat.
void fill(Score& s, int row) {
    s.hits(kChKick, row, "x...x...x...x...", kKick, 60);
    s.roll(kChSnare, row, "....x...x.x.xxxx", kSnare, 36, 60);
    s.hits(kChHat, row, "o.x.o.x.", kClosedHat, 46);
}

void crash(Score& s, int row, int volume = 44) {
    s.note(kChCrash, row, 60, kCrash, volume);
}

constexpr std::string_view kHats = "o.x.o.x.o.x.o.x.";
constexpr std::string_view kOpenHats = "o.O.o.O.o.O.o.O.";
constexpr std::string_view kRolling = "-RRO-RRO-RRO-RRO";

// Intro: the pad alone, then the bell, then bass and hats; the kick and a riser build into the floor.
void playIntro(Score& s) {
    const Progression chords = {kAm, kAm, kF, kF, kC, kC, kG, kE};
    s.pads(kIntro, chords, 24);
    for (int bar = 1; bar <= kBarsPerScene; ++bar) {
        const int row = at(kIntro, bar);
        const Chord& chord = chords[bar - 1];
        if (bar >= 2) s.arp(row, chord, "0.1.2.3.2.1.2.3.", 14 + 2 * bar);
        if (bar >= 5) s.bass(row, chord, bar == 8 ? "R.......O...O.O." : "R...............", 40);
        if (bar >= 5) s.hits(kChHat, row, bar >= 7 ? "o.x.o.x.o.x.o.x." : "..x...x...x...x.", kClosedHat, 26);
        if (bar >= 7) s.hits(kChKick, row, "x...x...x...x...", kKick, bar == 7 ? 48 : 56);
    }
    s.roll(kChSnare, at(kIntro, 8), "x...x...x.x.xxxx", kSnare, 20, 56);
    s.riser(at(kIntro, 7), 2 * kRowsPerBar, 2, 4, 36);

    s.sync(at(kIntro, 1, 3), 0x07);  // the title fades in, once the opening fade is over
    s.sync(at(kIntro, 2), 0x0A);     // the quill grows with the first bell
    s.sync(at(kIntro, 3), 0x0B);     // two cubes
    s.sync(at(kIntro, 5), 0x0C);     // two more, with bass and hats
    s.sync(at(kIntro, 6), 0x0D);     // subtitle
    s.sync(at(kIntro, 7), 0x08);     // the kick comes in: cubes turn blue
    s.sync(at(kIntro, 8), 0x09);
    s.sync(at(kIntro, 8, 4), 0x02);  // whiten into the cut
}

// Floor: the groove without a lead; ripples on the kicks, the floor drifting with the phrase.
void playFloor(Score& s) {
    s.pads(kFloor, kMain, 18);
    for (int bar = 1; bar <= kBarsPerScene; ++bar) {
        const int row = at(kFloor, bar);
        const Chord& chord = kMain[bar - 1];
        if (bar < 8)
            beat(s, row, kHats);
        else
            fill(s, row);
        s.bass(row, chord, "-.R.-.R.-.R.-.RO", 46);
        s.arp(row, chord, bar % 2 ? "0.1.2.3.2.1.2.3." : "3.2.1.0.1.2.1.2.", 18);
    }
    crash(s, at(kFloor, 1));
    crash(s, at(kFloor, 5), 36);

    s.sync(at(kFloor, 1), 0x00);  // the intro ends
    s.sync(at(kFloor, 1), 0x01);
    s.sync(at(kFloor, 1, 2), 0x07);  // title
    s.sync(at(kFloor, 1, 3), 0x10);  // the pattern drifts forward
    s.sync(at(kFloor, 2), 0x08);     // a drop on the kick
    s.sync(at(kFloor, 3), 0x0A);     // mist rolls in
    s.sync(at(kFloor, 4), 0x0B);     // and lifts
    s.sync(at(kFloor, 4), 0x11);     // diagonal drift
    s.sync(at(kFloor, 5), 0x1B);     // flash, a drop, blue dancers on the crash
    s.sync(at(kFloor, 5, 3), 0x12);  // drift backwards
    s.sync(at(kFloor, 6), 0x0C);     // the dancers stop
    s.sync(at(kFloor, 6), 0x08);
    s.sync(at(kFloor, 6, 3), 0x13);  // the floor stops
    s.sync(at(kFloor, 7), 0x0D);     // the dancers go on
    s.sync(at(kFloor, 7), 0x09);
    s.sync(at(kFloor, 7, 3), 0x14);  // sideways
    s.sync(at(kFloor, 8), 0x15);     // as at the start
    s.sync(at(kFloor, 8), 0x08);
    s.sync(at(kFloor, 8, 3), 0x08);  // drops on the fill's snares
    s.sync(at(kFloor, 8, 4), 0x08);
}

// Knot: the first drop, with the theme; the knot swells on kicks and accents.
void playKnot(Score& s) {
    s.pads(kKnot, kMain, 18);
    for (int bar = 1; bar <= kBarsPerScene; ++bar) {
        const int row = at(kKnot, bar);
        const Chord& chord = kMain[bar - 1];
        if (bar == 8)
            fill(s, row);
        else
            beat(s, row, bar >= 5 ? kOpenHats : kHats);
        s.bass(row, chord, kRolling, 40);
        s.lead(row, kTheme[bar - 1], 50);
    }
    s.roll(kChSnare, at(kKnot, 4, 4), "xxxx", kSnare, 40, 56);
    crash(s, at(kKnot, 1));
    crash(s, at(kKnot, 5));

    s.sync(at(kKnot, 1), 0x00);  // the floor ends
    s.sync(at(kKnot, 1), 0x01);
    s.sync(at(kKnot, 1, 2), 0x07);  // title
    s.sync(at(kKnot, 1, 3), 0x08);  // swell
    s.sync(at(kKnot, 2), 0x09);     // a winding round the ring
    s.sync(at(kKnot, 2, 3), 0x08);
    s.sync(at(kKnot, 3), 0x0A);  // a winding through the hole
    s.sync(at(kKnot, 3, 3), 0x08);
    s.sync(at(kKnot, 4, 4), 0x05);  // pulse on the snare run
    s.sync(at(kKnot, 5), 0x0B);     // the camera cuts, on the crash
    s.sync(at(kKnot, 5), 0x01);
    s.sync(at(kKnot, 5, 3), 0x08);
    s.sync(at(kKnot, 6), 0x09);
    s.sync(at(kKnot, 6, 3), 0x08);
    s.sync(at(kKnot, 7), 0x0C);  // the camera circles faster
    s.sync(at(kKnot, 7), 0x0A);
    s.sync(at(kKnot, 7, 3), 0x08);
    s.sync(at(kKnot, 8), 0x05);
    s.sync(at(kKnot, 8, 4), 0x05);
}

// Ball: the breakdown. Pad, bell and long bass notes; a beat of silence; then the
// build: kick, riser, snare roll and the lead climbing into the second drop.
void playBall(Score& s) {
    const Progression chords = {kF, kG, kAm, kAm, kF, kG, kE, kE};
    s.leadRelease(at(kBall, 1));  // the knot's last note
    s.pads(kBall, chords, 26, 1, 4);
    for (int bar = 1; bar <= 4; ++bar) {
        const int row = at(kBall, bar);
        s.arp(row, chords[bar - 1], bar < 4 ? "0.1.2.3.2.1.2.3." : "0.1.2.3.2.1.....", 24);
        s.bass(row, chords[bar - 1], "R...............", 36);
    }
    // The break: everything stops dead for the last beat of bar 4.
    const int rest = at(kBall, 4, 4);
    for (int channel : {kChPad1, kChPad2, kChPad3, kChBass, kChBell}) s.volume(channel, rest, 0);

    s.pads(kBall, chords, 24, 5, 8);
    for (int bar = 5; bar <= kBarsPerScene; ++bar) {
        const int row = at(kBall, bar);
        const Chord& chord = chords[bar - 1];
        s.arp(row, chord, "0123012301230123", 12 + 2 * bar);
        s.bass(row, chord, bar < 7 ? "R.......R......." : "R...R...R...R.R.", 40);
        s.hits(kChKick, row, "x...x...x...x...", kKick, 40 + 4 * bar);
        if (bar >= 6) s.hits(kChHat, row, "..x...x...x...x.", kClosedHat, 28);
        s.lead(row, kClimb[bar - 5], 40 + bar);
    }
    s.roll(kChSnare, at(kBall, 7), "x.x.x.x.x.x.x.x.xxxxxxxxxxxxxxxx", kSnare, 20, 60);
    s.riser(at(kBall, 5), 4 * kRowsPerBar, 1, 4, 44);

    s.sync(at(kBall, 1), 0x00);     // the knot ends
    s.sync(at(kBall, 1, 2), 0x07);  // title
    s.sync(at(kBall, 1, 3), 0x0A);  // the ball starts to wobble
    s.sync(at(kBall, 3), 0x0B);     // the camera circles
    s.sync(at(kBall, 4, 4), 0x06);  // the break: dip to black, the room turns blue
    s.sync(at(kBall, 5), 0x0C);     // the build: the ring spins faster
    s.sync(at(kBall, 5), 0x08);     // blue cubes on the kick
    s.sync(at(kBall, 6), 0x09);
    s.sync(at(kBall, 7), 0x0D);  // the room back to clouds as the snare starts
    s.sync(at(kBall, 7), 0x08);
    s.sync(at(kBall, 8), 0x09);
    s.sync(at(kBall, 8, 4), 0x02);  // whiten into the drop
}

// Model: the second drop, with the answer to the theme; the model freezes in a half-bar stop.
void playModel(Score& s) {
    s.pads(kModel, kMain, 18);
    for (int bar = 1; bar <= kBarsPerScene; ++bar) {
        const int row = at(kModel, bar);
        const Chord& chord = kMain[bar - 1];
        if (bar == 8)
            fill(s, row);
        else if (bar == 6)
            beat(s, row, kOpenHats.substr(0, 8));
        else
            beat(s, row, kOpenHats);
        s.bass(row, chord, bar == 6 ? std::string_view(kRolling).substr(0, 8) : kRolling, 40);
        s.arp(row, chord, bar == 6 ? "0.1.2.3." : "0.1.2.3.2.1.2.3.", 14);
        s.lead(row, kAnswer[bar - 1], 50);
    }
    // The freeze: the second half of bar 6 keeps only the pad.
    const int stop = at(kModel, 6, 3);
    s.release(kChBass, stop);
    s.release(kChBell, stop);
    crash(s, at(kModel, 1));
    crash(s, at(kModel, 3), 36);
    crash(s, at(kModel, 5));
    crash(s, at(kModel, 7));

    s.sync(at(kModel, 1), 0x00);  // the ball ends
    s.sync(at(kModel, 1), 0x01);
    s.sync(at(kModel, 1, 2), 0x07);  // title
    s.sync(at(kModel, 3), 0x09);     // the twin appears on the crash
    s.sync(at(kModel, 6, 3), 0x0A);  // frozen while the music stops
    s.sync(at(kModel, 7), 0x0B);     // and moving again when it comes back
    s.sync(at(kModel, 8), 0x0C);     // the camera stays where it is
    s.sync(at(kModel, 8, 4), 0x03);  // to black before the finale
}

// Finale: the theme once more, doubled by the bell, then the last chord rings while the
// picture goes white and then black; the last scene change ends the run.
void playFinale(Score& s) {
    const Progression chords = {kAm, kF, kC, kG, kDm, kE, kAm, kAm};
    const Melody melody = {kTheme[0],
                           kTheme[1],
                           kTheme[2],
                           kTheme[3],
                           kTheme[6],
                           kTheme[7],
                           "A4 . . . . . . . . . . . . . . .",
                           ". . . . . . . . - . . . . . . ."};
    s.pads(kFinale, chords, 20);
    for (int bar = 1; bar <= 6; ++bar) {
        const int row = at(kFinale, bar);
        const Chord& chord = chords[bar - 1];
        if (bar == 6) {
            beat(s, row, kOpenHats.substr(0, 8));
            s.roll(kChSnare, row + 8, "x.x.xxxx", kSnare, 40, 62);
        } else {
            beat(s, row, kOpenHats);
        }
        s.bass(row, chord, kRolling, 42);
        s.lead(row, melody[bar - 1], 52);
        s.line(kChBell, row, melody[bar - 1], kBell, 20, 12);
    }
    // The last chord.
    const int last = at(kFinale, 7);
    s.lead(last, melody[6], 52);
    for (int i = 4; i < kRowsPerBar; ++i) s.effect(kChLead, last + i, Effect::Vibrato, 0x43);
    s.lead(at(kFinale, 8), melody[7], 52);
    s.note(kChKick, last, 60, kKick, 64);
    s.note(kChBass, last, kAm.bass, kBass, 48);
    s.note(kChBell, last, 81, kBell, 28);
    crash(s, at(kFinale, 1));
    crash(s, at(kFinale, 5), 38);
    crash(s, last, 52);
    const int fade = at(kFinale, 8, 3);  // dies away as the picture goes black
    s.padRelease(fade);
    s.release(kChBass, fade);

    s.sync(at(kFinale, 1), 0x00);     // the model ends
    s.sync(at(kFinale, 1), 0x04);     // up from black
    s.sync(at(kFinale, 1, 3), 0x07);  // "the end"
    s.sync(at(kFinale, 2), 0x0A);     // the quill sets off towards the camera
    s.sync(at(kFinale, 2, 3), 0x08);
    s.sync(at(kFinale, 3), 0x09);
    s.sync(at(kFinale, 4), 0x08);
    s.sync(at(kFinale, 5), 0x0B);  // credits, on the crash
    s.sync(at(kFinale, 5), 0x01);
    s.sync(at(kFinale, 5, 3), 0x09);
    s.sync(at(kFinale, 7), 0xFF);     // the last chord: slow fade to white
    s.sync(at(kFinale, 7), 0x0C);     // the wheel settles
    s.sync(at(kFinale, 8, 4), 0x03);  // to black
    s.sync(at(kEnd, 1), 0x00);        // and the end
}

}  // namespace

Composition compose() {
    Score score;
    playIntro(score);
    playFloor(score);
    playKnot(score);
    playBall(score);
    playModel(score);
    playFinale(score);
    return score.take();
}

std::string writeSong() {
    const Composition c = compose();
    if (!c.problems.empty()) return {};
    return modwrite::writeXm(c.song);
}

}  // namespace qm::demosong

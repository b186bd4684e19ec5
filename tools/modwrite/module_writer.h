// module_writer.h -- writes tracker modules (XM, IT, S3M) from one format-neutral song description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::modwrite {

// Notes count semitones from C-0, plus one. kMiddleC (C-5 in IT's naming, C-4 in
// FT2's and ST3's) plays a sample at its `middleRate`.
inline constexpr uint8_t kNoNote = 0;
inline constexpr uint8_t kMiddleC = 61;
inline constexpr uint8_t kHighestNote = 120;
inline constexpr uint8_t kNoteOff = 255;  // key off (XM, IT); S3M has only a note cut
inline constexpr int kNoVolume = -1;

// Effects by meaning; each writer picks its format's command and parameter encoding.
enum class Effect : uint8_t {
    None,
    Arpeggio,      // param xy: semitones
    PortaUp,       // param: speed
    PortaDown,     // param: speed
    TonePorta,     // param: speed
    Vibrato,       // param xy: speed, depth
    VolumeSlide,   // param x0 up / 0y down
    SetPanning,    // param 0..255
    SampleOffset,  // param: offset / 256
    Retrigger,     // param: ticks (1..15)
    NoteCut,       // param: tick (0..15)
    NoteDelay,     // param: tick (0..15)
    Speed,         // param: ticks per row (1..31)
    Tempo,         // param: tempo (32..255)
    PatternBreak,  // param: row of the next pattern (decimal value; written BCD where the format wants it)
    PositionJump,  // param: order
    PatternLoop,   // param 0: loop start; 1..15: loop that many times
    PatternDelay,  // param: rows (1..15)
    Sync,          // Zxx, the demo's sync mark; param: its value
};

struct Cell {
    uint8_t note = kNoNote;
    uint8_t instrument = 0;  // 1-based; 0: none
    int volume = kNoVolume;  // 0..64
    Effect effect = Effect::None;
    uint8_t param = 0;
};

struct Pattern {
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount) * channelCount) {}
    Cell& at(int row, int channel) { return cells[static_cast<size_t>(row) * channels + channel]; }
    const Cell& at(int row, int channel) const {
        return cells[static_cast<size_t>(row) * channels + channel];
    }

    int rows;
    int channels;
    std::vector<Cell> cells;
};

struct EnvelopePoint {
    uint16_t tick;
    uint8_t value;  // 0..64
};

// XM only: a volume envelope of up to 12 points.
struct Envelope {
    std::vector<EnvelopePoint> points;
    int sustain = -1;  // point index, or -1
    int loopStart = -1;
    int loopEnd = -1;
};

// One instrument with one mono sample. XM writes instruments; IT and S3M write the
// samples alone (the note's instrument number selects the sample).
struct Instrument {
    std::string name;
    std::vector<int16_t> samples;  // mono PCM, full 16-bit range
    bool sixteenBit = true;        // false: written as 8-bit (the high byte)
    int loopStart = 0;             // frames; the sample loops when loopEnd > loopStart
    int loopEnd = 0;
    int volume = 64;          // default volume 0..64
    int middleRate = 8363;    // playback rate at kMiddleC
    Envelope volumeEnvelope;  // XM only
    int fadeout = 0;          // XM only
};

struct Song {
    std::string name;
    int channels = 4;
    int speed = 6;    // ticks per row
    int tempo = 125;  // tracker tempo ("BPM")
    std::vector<int> orders;
    // The order the song goes on at after its last one. Only XM stores it; IT and
    // S3M songs always go on at order 0, so their writers take no other value.
    int restartPosition = 0;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;

    // Appends an empty pattern and returns its index.
    int addPattern(int rows) {
        patterns.emplace_back(rows, channels);
        return static_cast<int>(patterns.size()) - 1;
    }
    Cell& cell(int pattern, int row, int channel) { return patterns[pattern].at(row, channel); }
};

struct XmOptions {
    bool packCells = true;  // false: every cell as five plain bytes
};

struct ItOptions {
    bool reuseLastValues = true;  // the "same as last time" packing that trackers write
};

// Each returns the file's bytes, or an empty string when the song does not fit the
// format (too many channels, patterns, rows or orders; S3M: patterns other than 64 rows;
// IT, S3M: a restart position other than 0).
std::string writeXm(const Song& song, const XmOptions& options = {});
std::string writeIt(const Song& song, const ItOptions& options = {});
std::string writeS3m(const Song& song);

}  // namespace qm::modwrite

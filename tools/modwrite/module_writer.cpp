// module_writer.cpp -- XM, IT and S3M writers: headers, packed patterns and PCM sample data.
#include "modwrite/module_writer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm::modwrite {

namespace {

constexpr int kMaxXmChannels = 32;
constexpr int kMaxItChannels = 64;
constexpr int kMaxS3mChannels = 16;
constexpr size_t kMaxOrders = 255;  // leaves room for IT's end marker
constexpr size_t kMaxPatterns = 240;
constexpr size_t kMaxInstruments = 99;
constexpr int kMaxXmRows = 256;
constexpr int kMaxItRows = 200;
constexpr int kS3mRows = 64;
constexpr size_t kMaxEnvelopePoints = 12;

// Little-endian byte output.
class Bytes {
public:
    void u8(unsigned v) { data_.push_back(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    // A text padded with zeros (or cut) to `width` bytes.
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    void zeros(size_t n) { data_.append(n, '\0'); }
    void alignTo(size_t n) {
        while (data_.size() % n) u8(0);
    }
    void putU8At(size_t at, unsigned v) { data_[at] = static_cast<char>(v & 0xFF); }
    void putU16At(size_t at, unsigned v) {
        putU8At(at, v);
        putU8At(at + 1, v >> 8);
    }
    void putU32At(size_t at, uint32_t v) {
        putU16At(at, v & 0xFFFF);
        putU16At(at + 2, v >> 16);
    }
    void append(const Bytes& other) { data_ += other.data_; }
    size_t size() const { return data_.size(); }
    std::string take() { return std::move(data_); }

private:
    std::string data_;
};

uint8_t toBcd(uint8_t value) {
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

struct Command {
    uint8_t command = 0;
    uint8_t param = 0;
};

constexpr uint8_t kXmExtended = 14;  // Exy
constexpr uint8_t kXmSync = 35;      // Zxx
constexpr uint8_t letter(char c) {
    return static_cast<uint8_t>(c - 'A' + 1);
}

Command xmCommand(Effect effect, uint8_t p) {
    switch (effect) {
        case Effect::None:
            return {0, 0};
        case Effect::Arpeggio:
            return {0, p};
        case Effect::PortaUp:
            return {1, p};
        case Effect::PortaDown:
            return {2, p};
        case Effect::TonePorta:
            return {3, p};
        case Effect::Vibrato:
            return {4, p};
        case Effect::VolumeSlide:
            return {10, p};
        case Effect::SetPanning:
            return {8, p};
        case Effect::SampleOffset:
            return {9, p};
        case Effect::Retrigger:
            return {kXmExtended, static_cast<uint8_t>(0x90 | (p & 15))};
        case Effect::NoteCut:
            return {kXmExtended, static_cast<uint8_t>(0xC0 | (p & 15))};
        case Effect::NoteDelay:
            return {kXmExtended, static_cast<uint8_t>(0xD0 | (p & 15))};
        case Effect::Speed:
            return {15, static_cast<uint8_t>(std::clamp<int>(p, 1, 31))};
        case Effect::Tempo:
            return {15, static_cast<uint8_t>(std::max<int>(p, 32))};
        case Effect::PatternBreak:
            return {13, toBcd(p)};
        case Effect::PositionJump:
            return {11, p};
        case Effect::PatternLoop:
            return {kXmExtended, static_cast<uint8_t>(0x60 | (p & 15))};
        case Effect::PatternDelay:
            return {kXmExtended, static_cast<uint8_t>(0xE0 | (p & 15))};
        case Effect::Sync:
            return {kXmSync, p};
    }
    return {0, 0};
}

// IT and S3M share the lettered commands; they differ in how a break's row is written.
Command letterCommand(Effect effect, uint8_t p, bool bcdBreak) {
    switch (effect) {
        case Effect::None:
            return {0, 0};
        case Effect::Arpeggio:
            return {letter('J'), p};
        case Effect::PortaUp:
            return {letter('F'), p};
        case Effect::PortaDown:
            return {letter('E'), p};
        case Effect::TonePorta:
            return {letter('G'), p};
        case Effect::Vibrato:
            return {letter('H'), p};
        case Effect::VolumeSlide:
            return {letter('D'), p};
        case Effect::SetPanning:
            return {letter('X'), p};
        case Effect::SampleOffset:
            return {letter('O'), p};
        case Effect::Retrigger:
            return {letter('Q'), static_cast<uint8_t>(p & 15)};
        case Effect::NoteCut:
            return {letter('S'), static_cast<uint8_t>(0xC0 | (p & 15))};
        case Effect::NoteDelay:
            return {letter('S'), static_cast<uint8_t>(0xD0 | (p & 15))};
        case Effect::Speed:
            return {letter('A'), static_cast<uint8_t>(std::max<int>(p, 1))};
        case Effect::Tempo:
            return {letter('T'), static_cast<uint8_t>(std::max<int>(p, 32))};
        case Effect::PatternBreak:
            return {letter('C'), bcdBreak ? toBcd(p) : p};
        case Effect::PositionJump:
            return {letter('B'), p};
        case Effect::PatternLoop:
            return {letter('S'), static_cast<uint8_t>(0xB0 | (p & 15))};
        case Effect::PatternDelay:
            return {letter('S'), static_cast<uint8_t>(0xE0 | (p & 15))};
        case Effect::Sync:
            return {letter('Z'), p};
    }
    return {0, 0};
}

bool isEmpty(const Cell& c) {
    return c.note == kNoNote && c.instrument == 0 && c.volume == kNoVolume && c.effect == Effect::None;
}

bool fitsCommon(const Song& song, int maxChannels) {
    if (song.channels < 1 || song.channels > maxChannels) return false;
    if (song.orders.empty() || song.orders.size() > kMaxOrders) return false;
    if (song.restartPosition < 0 || song.restartPosition >= static_cast<int>(song.orders.size()))
        return false;
    if (song.patterns.empty() || song.patterns.size() > kMaxPatterns) return false;
    if (song.instruments.size() > kMaxInstruments) return false;
    for (int order : song.orders)
        if (order < 0 || order >= static_cast<int>(song.patterns.size())) return false;
    for (const Pattern& p : song.patterns)
        if (p.channels != song.channels || p.rows < 1) return false;
    for (const Instrument& ins : song.instruments)
        if (ins.loopEnd > static_cast<int>(ins.samples.size()) || ins.loopStart < 0) return false;
    return true;
}

bool loops(const Instrument& ins) {
    return ins.loopEnd > ins.loopStart;
}

int8_t eightBit(int16_t s) {
    return static_cast<int8_t>(s >> 8);
}

// ---------------------------------------------------------------- XM

// The XM's sample pitch: relative note and finetune (1/128 semitone) from 8363 Hz at C-4.
void xmPitch(int rate, int& relativeNote, int& finetune) {
    const double semitones = 12.0 * std::log2(std::max(rate, 1) / 8363.0);
    relativeNote = static_cast<int>(std::lround(semitones));
    finetune = std::clamp(static_cast<int>(std::lround((semitones - relativeNote) * 128.0)), -128, 127);
    relativeNote = std::clamp(relativeNote, -96, 95);
}

uint8_t xmNote(uint8_t note) {
    if (note == kNoteOff) return 97;
    if (note == kNoNote) return 0;
    const int n = note - 12;  // FT2's octaves are one lower than IT's
    return static_cast<uint8_t>(std::clamp(n, 1, 96));
}

void writeXmPattern(Bytes& out, const Pattern& pattern, const XmOptions& options) {
    Bytes data;
    for (const Cell& c : pattern.cells) {
        const Command cmd = xmCommand(c.effect, c.param);
        const uint8_t note = xmNote(c.note);
        const uint8_t volume =
            c.volume == kNoVolume ? 0 : static_cast<uint8_t>(0x10 + std::clamp(c.volume, 0, 64));
        if (!options.packCells) {
            data.u8(note);
            data.u8(c.instrument);
            data.u8(volume);
            data.u8(cmd.command);
            data.u8(cmd.param);
            continue;
        }
        unsigned flags = 0x80;
        if (note) flags |= 1;
        if (c.instrument) flags |= 2;
        if (volume) flags |= 4;
        if (cmd.command) flags |= 8;
        if (cmd.param) flags |= 16;
        if (flags == 0x9F) {  // all five present: the plain form is as short
            data.u8(note);
            data.u8(c.instrument);
            data.u8(volume);
            data.u8(cmd.command);
            data.u8(cmd.param);
            continue;
        }
        data.u8(flags);
        if (flags & 1) data.u8(note);
        if (flags & 2) data.u8(c.instrument);
        if (flags & 4) data.u8(volume);
        if (flags & 8) data.u8(cmd.command);
        if (flags & 16) data.u8(cmd.param);
    }
    out.u32(9);  // pattern header length
    out.u8(0);   // packing type
    out.u16(static_cast<unsigned>(pattern.rows));
    out.u16(static_cast<unsigned>(data.size()));
    out.append(data);
}

void writeXmInstrument(Bytes& out, const Instrument& ins) {
    const bool hasSample = !ins.samples.empty();
    const size_t start = out.size();
    out.u32(hasSample ? 263 : 29);
    out.text(ins.name, 22);
    out.u8(0);
    out.u16(hasSample ? 1 : 0);
    if (!hasSample) return;
    out.u32(40);    // sample header size
    out.zeros(96);  // every note plays sample 0
    const Envelope& env = ins.volumeEnvelope;
    const size_t points = std::min(env.points.size(), kMaxEnvelopePoints);
    for (size_t i = 0; i < kMaxEnvelopePoints; ++i) {
        out.u16(i < points ? env.points[i].tick : 0);
        out.u16(i < points ? std::min<unsigned>(env.points[i].value, 64) : 0);
    }
    out.zeros(48);  // panning envelope
    out.u8(static_cast<unsigned>(points));
    out.u8(0);
    out.u8(static_cast<unsigned>(std::max(env.sustain, 0)));
    out.u8(static_cast<unsigned>(std::max(env.loopStart, 0)));
    out.u8(static_cast<unsigned>(std::max(env.loopEnd, 0)));
    out.zeros(3);  // panning sustain and loop
    unsigned type = 0;
    if (points > 0) type |= 1;
    if (points > 0 && env.sustain >= 0) type |= 2;
    if (points > 0 && env.loopStart >= 0 && env.loopEnd >= env.loopStart) type |= 4;
    out.u8(type);
    out.u8(0);     // panning envelope type
    out.zeros(4);  // auto-vibrato
    out.u16(static_cast<unsigned>(std::clamp(ins.fadeout, 0, 0xFFF)));
    out.zeros(263 - (out.size() - start));

    const unsigned bytesPerFrame = ins.sixteenBit ? 2 : 1;
    int relativeNote = 0, finetune = 0;
    xmPitch(ins.middleRate, relativeNote, finetune);
    out.u32(static_cast<uint32_t>(ins.samples.size() * bytesPerFrame));
    out.u32(loops(ins) ? static_cast<uint32_t>(ins.loopStart) * bytesPerFrame : 0);
    out.u32(loops(ins) ? static_cast<uint32_t>(ins.loopEnd - ins.loopStart) * bytesPerFrame : 0);
    out.u8(static_cast<unsigned>(std::clamp(ins.volume, 0, 64)));
    out.u8(static_cast<uint8_t>(static_cast<int8_t>(finetune)));
    out.u8((loops(ins) ? 1u : 0u) | (ins.sixteenBit ? 0x10u : 0u));
    out.u8(128);  // centre
    out.u8(static_cast<uint8_t>(static_cast<int8_t>(relativeNote)));
    out.u8(0);
    out.text(ins.name, 22);

    // Sample data is stored as differences from the previous sample.
    if (ins.sixteenBit) {
        int16_t previous = 0;
        for (int16_t s : ins.samples) {
            out.u16(static_cast<uint16_t>(s - previous));
            previous = s;
        }
    } else {
        int8_t previous = 0;
        for (int16_t s : ins.samples) {
            const int8_t b = eightBit(s);
            out.u8(static_cast<uint8_t>(b - previous));
            previous = b;
        }
    }
}

// ---------------------------------------------------------------- IT

void writeItSampleData(Bytes& out, const Instrument& ins) {
    for (int16_t s : ins.samples) {
        if (ins.sixteenBit)
            out.u16(static_cast<uint16_t>(s));
        else
            out.u8(static_cast<uint8_t>(eightBit(s)));
    }
}

void writeItPattern(Bytes& out, const Pattern& pattern, const ItOptions& options) {
    struct Last {
        int mask = -1;
        int note = -1, instrument = -1, volume = -1;
        int command = -1, param = -1;
    };
    std::array<Last, kMaxItChannels> last{};
    Bytes data;
    for (int row = 0; row < pattern.rows; ++row) {
        for (int ch = 0; ch < pattern.channels; ++ch) {
            const Cell& c = pattern.at(row, ch);
            if (isEmpty(c)) continue;
            Last& l = last[ch];
            const Command cmd = letterCommand(c.effect, c.param, false);
            const int note = c.note == kNoteOff ? 255 : c.note - 1;
            const bool reuse = options.reuseLastValues;
            unsigned mask = 0;
            if (c.note != kNoNote) mask |= (reuse && note == l.note) ? 16 : 1;
            if (c.instrument) mask |= (reuse && c.instrument == l.instrument) ? 32 : 2;
            if (c.volume != kNoVolume) mask |= (reuse && c.volume == l.volume) ? 64 : 4;
            if (cmd.command) mask |= (reuse && cmd.command == l.command && cmd.param == l.param) ? 128 : 8;
            if (reuse && static_cast<int>(mask) == l.mask) {
                data.u8(static_cast<unsigned>(ch + 1));
            } else {
                data.u8(static_cast<unsigned>(ch + 1) | 0x80);
                data.u8(mask);
                l.mask = static_cast<int>(mask);
            }
            if (mask & 1) data.u8(static_cast<unsigned>(l.note = note));
            if (mask & 2) data.u8(static_cast<unsigned>(l.instrument = c.instrument));
            if (mask & 4) data.u8(static_cast<unsigned>(l.volume = std::clamp(c.volume, 0, 64)));
            if (mask & 8) {
                data.u8(static_cast<unsigned>(l.command = cmd.command));
                data.u8(static_cast<unsigned>(l.param = cmd.param));
            }
        }
        data.u8(0);  // end of row
    }
    out.u16(static_cast<unsigned>(data.size()));
    out.u16(static_cast<unsigned>(pattern.rows));
    out.zeros(4);
    out.append(data);
}

// ---------------------------------------------------------------- S3M

uint8_t s3mNote(uint8_t note) {
    if (note == kNoteOff) return 0xFE;                        // note cut
    const int semis = std::clamp(note - 13, 0, 9 * 12 + 11);  // ST3's C-4 is IT's C-5
    return static_cast<uint8_t>((semis / 12) << 4 | (semis % 12));
}

void writeS3mPattern(Bytes& out, const Pattern& pattern) {
    Bytes data;
    for (int row = 0; row < pattern.rows; ++row) {
        for (int ch = 0; ch < pattern.channels; ++ch) {
            const Cell& c = pattern.at(row, ch);
            const Command cmd = letterCommand(c.effect, c.param, true);
            unsigned what = static_cast<unsigned>(ch);
            if (c.note != kNoNote || c.instrument) what |= 32;
            if (c.volume != kNoVolume) what |= 64;
            if (cmd.command) what |= 128;
            if (what == static_cast<unsigned>(ch)) continue;
            data.u8(what);
            if (what & 32) {
                data.u8(c.note == kNoNote ? 0xFF : s3mNote(c.note));
                data.u8(c.instrument);
            }
            if (what & 64) data.u8(static_cast<unsigned>(std::clamp(c.volume, 0, 64)));
            if (what & 128) {
                data.u8(cmd.command);
                data.u8(cmd.param);
            }
        }
        data.u8(0);
    }
    out.u16(static_cast<unsigned>(data.size() + 2));
    out.append(data);
}

}  // namespace

std::string writeXm(const Song& song, const XmOptions& options) {
    if (!fitsCommon(song, kMaxXmChannels)) return {};
    for (const Pattern& p : song.patterns)
        if (p.rows > kMaxXmRows) return {};

    Bytes out;
    out.text("Extended Module: ", 17);
    out.text(song.name, 20);
    out.u8(0x1A);
    out.text("Quillmoor modwrite", 20);
    out.u16(0x0104);
    out.u32(276);  // header size, counted from here: 20 bytes and the order table
    out.u16(static_cast<unsigned>(song.orders.size()));
    out.u16(static_cast<unsigned>(song.restartPosition));
    out.u16(static_cast<unsigned>(song.channels));
    out.u16(static_cast<unsigned>(song.patterns.size()));
    out.u16(static_cast<unsigned>(song.instruments.size()));
    out.u16(1);  // linear frequency table
    out.u16(static_cast<unsigned>(song.speed));
    out.u16(static_cast<unsigned>(song.tempo));
    for (size_t i = 0; i < 256; ++i)
        out.u8(i < song.orders.size() ? static_cast<unsigned>(song.orders[i]) : 0);
    for (const Pattern& p : song.patterns) writeXmPattern(out, p, options);
    for (const Instrument& ins : song.instruments) writeXmInstrument(out, ins);
    return out.take();
}

std::string writeIt(const Song& song, const ItOptions& options) {
    if (!fitsCommon(song, kMaxItChannels) || song.restartPosition != 0) return {};
    for (const Pattern& p : song.patterns)
        if (p.rows > kMaxItRows) return {};

    const size_t orderCount = song.orders.size() + 1;  // with the end marker
    const size_t sampleCount = song.instruments.size();
    const size_t patternCount = song.patterns.size();

    Bytes out;
    out.text("IMPM", 4);
    out.text(song.name, 26);
    out.u8(4);   // rows per beat
    out.u8(16);  // rows per measure
    out.u16(static_cast<unsigned>(orderCount));
    out.u16(0);  // instruments: the song plays samples directly
    out.u16(static_cast<unsigned>(sampleCount));
    out.u16(static_cast<unsigned>(patternCount));
    out.u16(0x0214);  // made with
    out.u16(0x0214);  // compatible with
    out.u16(0x0009);  // stereo, linear slides
    out.u16(0);       // no message, no embedded MIDI configuration
    out.u8(128);      // global volume
    out.u8(48);       // mixing volume
    out.u8(static_cast<unsigned>(song.speed));
    out.u8(static_cast<unsigned>(song.tempo));
    out.u8(128);  // stereo separation
    out.u8(0);
    out.u16(0);  // message length
    out.u32(0);  // message offset
    out.u32(0);
    for (int ch = 0; ch < kMaxItChannels; ++ch) out.u8(ch < song.channels ? 32 : 32 + 128);
    for (int ch = 0; ch < kMaxItChannels; ++ch) out.u8(64);
    for (int order : song.orders) out.u8(static_cast<unsigned>(order));
    out.u8(255);

    const size_t sampleOffsets = out.size();
    out.zeros(4 * sampleCount);
    const size_t patternOffsets = out.size();
    out.zeros(4 * patternCount);

    std::vector<size_t> sampleHeaders;
    for (size_t i = 0; i < sampleCount; ++i) {
        const Instrument& ins = song.instruments[i];
        out.putU32At(sampleOffsets + 4 * i, static_cast<uint32_t>(out.size()));
        sampleHeaders.push_back(out.size());
        out.text("IMPS", 4);
        out.text(ins.name, 12);
        out.u8(0);
        out.u8(64);  // global volume
        unsigned flags = ins.samples.empty() ? 0 : 1;
        if (ins.sixteenBit) flags |= 2;
        if (loops(ins)) flags |= 16;
        out.u8(flags);
        out.u8(static_cast<unsigned>(std::clamp(ins.volume, 0, 64)));
        out.text(ins.name, 26);
        out.u8(1);   // signed samples
        out.u8(32);  // default panning, not used
        out.u32(static_cast<uint32_t>(ins.samples.size()));
        out.u32(static_cast<uint32_t>(loops(ins) ? ins.loopStart : 0));
        out.u32(static_cast<uint32_t>(loops(ins) ? ins.loopEnd : 0));
        out.u32(static_cast<uint32_t>(ins.middleRate));
        out.u32(0);
        out.u32(0);
        out.u32(0);  // data offset, filled in below
        out.zeros(4);
    }
    for (size_t i = 0; i < patternCount; ++i) {
        out.putU32At(patternOffsets + 4 * i, static_cast<uint32_t>(out.size()));
        writeItPattern(out, song.patterns[i], options);
    }
    for (size_t i = 0; i < sampleCount; ++i) {
        out.putU32At(sampleHeaders[i] + 0x48, static_cast<uint32_t>(out.size()));
        writeItSampleData(out, song.instruments[i]);
    }
    return out.take();
}

std::string writeS3m(const Song& song) {
    if (!fitsCommon(song, kMaxS3mChannels) || song.restartPosition != 0) return {};
    for (const Pattern& p : song.patterns)
        if (p.rows != kS3mRows) return {};

    const size_t orderCount = (song.orders.size() + 2) & ~size_t{1};  // even, with an end marker
    const size_t sampleCount = song.instruments.size();
    const size_t patternCount = song.patterns.size();

    Bytes out;
    out.text(song.name, 28);
    out.u8(0x1A);
    out.u8(16);  // module type
    out.u16(0);
    out.u16(static_cast<unsigned>(orderCount));
    out.u16(static_cast<unsigned>(sampleCount));
    out.u16(static_cast<unsigned>(patternCount));
    out.u16(0);       // flags
    out.u16(0x1320);  // made with
    out.u16(2);       // unsigned samples
    out.text("SCRM", 4);
    out.u8(64);  // global volume
    out.u8(static_cast<unsigned>(song.speed));
    out.u8(static_cast<unsigned>(song.tempo));
    out.u8(0x80 | 48);  // stereo, master volume
    out.u8(0);
    out.u8(0);  // no panning table
    out.zeros(8);
    out.u16(0);
    for (int ch = 0; ch < 32; ++ch)
        out.u8(ch < song.channels ? static_cast<unsigned>((ch % 2) * 8 + ch / 2) : 255);
    for (size_t i = 0; i < orderCount; ++i)
        out.u8(i < song.orders.size() ? static_cast<unsigned>(song.orders[i]) : 255);
    const size_t samplePointers = out.size();
    out.zeros(2 * sampleCount);
    const size_t patternPointers = out.size();
    out.zeros(2 * patternCount);

    // Everything below is addressed in 16-byte paragraphs.
    std::vector<size_t> sampleHeaders;
    for (size_t i = 0; i < sampleCount; ++i) {
        const Instrument& ins = song.instruments[i];
        out.alignTo(16);
        out.putU16At(samplePointers + 2 * i, static_cast<unsigned>(out.size() / 16));
        sampleHeaders.push_back(out.size());
        out.u8(ins.samples.empty() ? 0 : 1);
        out.text(ins.name, 12);
        out.zeros(3);  // data paragraph, filled in below
        out.u32(static_cast<uint32_t>(ins.samples.size()));
        out.u32(static_cast<uint32_t>(loops(ins) ? ins.loopStart : 0));
        out.u32(static_cast<uint32_t>(loops(ins) ? ins.loopEnd : 0));
        out.u8(static_cast<unsigned>(std::clamp(ins.volume, 0, 64)));
        out.u8(0);
        out.u8(0);  // not packed
        out.u8((loops(ins) ? 1u : 0u) | (ins.sixteenBit ? 4u : 0u));
        out.u32(static_cast<uint32_t>(ins.middleRate));
        out.zeros(12);
        out.text(ins.name, 28);
        out.text("SCRS", 4);
    }
    for (size_t i = 0; i < patternCount; ++i) {
        out.alignTo(16);
        out.putU16At(patternPointers + 2 * i, static_cast<unsigned>(out.size() / 16));
        writeS3mPattern(out, song.patterns[i]);
    }
    for (size_t i = 0; i < sampleCount; ++i) {
        const Instrument& ins = song.instruments[i];
        out.alignTo(16);
        const size_t paragraph = out.size() / 16;
        // The data paragraph is 24 bits: high byte first, then the low word.
        out.putU8At(sampleHeaders[i] + 13, static_cast<unsigned>(paragraph >> 16));
        out.putU16At(sampleHeaders[i] + 14, static_cast<unsigned>(paragraph & 0xFFFF));
        for (int16_t s : ins.samples) {
            if (ins.sixteenBit)
                out.u16(static_cast<uint16_t>(s) ^ 0x8000u);
            else
                out.u8(static_cast<uint8_t>(eightBit(s)) ^ 0x80u);
        }
    }
    return out.take();
}

}  // namespace qm::modwrite

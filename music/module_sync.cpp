// module_sync.cpp -- the Z table of a loaded module, and byte-level Zxx stripping for XM, IT and S3M.
#include "music/module_sync.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <memory>

namespace qm {

namespace {

constexpr int kMaxPatternsRead = 65536;
constexpr int kMaxRowsRead = 1024;
constexpr int kMaxChannelsRead = 256;

struct OpenmptStringFree {
    void operator()(const char* s) const { openmpt_free_string(s); }
};
using OpenmptString = std::unique_ptr<const char, OpenmptStringFree>;

const std::vector<uint8_t> kNoValues;

}  // namespace

void SyncTable::add(int pattern, int row, uint8_t value) {
    if (pattern < 0 || row < 0 || pattern >= kMaxPatternsRead || row >= kMaxRowsRead) return;
    if (rows_.size() <= static_cast<size_t>(pattern)) rows_.resize(static_cast<size_t>(pattern) + 1);
    auto& pat = rows_[static_cast<size_t>(pattern)];
    if (pat.size() <= static_cast<size_t>(row)) pat.resize(static_cast<size_t>(row) + 1);
    pat[static_cast<size_t>(row)].push_back(value);
    ++count_;
}

const std::vector<uint8_t>& SyncTable::valuesAt(int pattern, int row) const {
    if (pattern < 0 || row < 0 || static_cast<size_t>(pattern) >= rows_.size()) return kNoValues;
    const auto& pat = rows_[static_cast<size_t>(pattern)];
    if (static_cast<size_t>(row) >= pat.size()) return kNoValues;
    return pat[static_cast<size_t>(row)];
}

void SyncTable::build(openmpt_module* module) {
    rows_.clear();
    count_ = 0;
    if (!module) return;
    const int patterns = std::min(openmpt_module_get_num_patterns(module), kMaxPatternsRead);
    const int channels = std::min(openmpt_module_get_num_channels(module), kMaxChannelsRead);
    for (int p = 0; p < patterns; ++p) {
        const int rows = std::min(openmpt_module_get_pattern_num_rows(module, p), kMaxRowsRead);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < channels; ++c) {
                OpenmptString letter(openmpt_module_format_pattern_row_channel_command(
                    module, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT));
                if (!letter || std::string_view(letter.get()) != "Z") continue;
                add(p, r,
                    openmpt_module_get_pattern_row_channel_command(module, p, r, c,
                                                                   OPENMPT_MODULE_COMMAND_PARAMETER));
            }
        }
    }
}

namespace {

// Field reads that fail, rather than read past the end.
bool readU16(std::string_view b, size_t at, uint32_t& out) {
    if (at > b.size() || b.size() - at < 2) return false;
    out = static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
    return true;
}

bool readU32(std::string_view b, size_t at, uint32_t& out) {
    uint32_t lo = 0, hi = 0;
    if (!readU16(b, at, lo) || !readU16(b, at + 2, hi)) return false;
    out = lo | hi << 16;
    return true;
}

uint8_t byteAt(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]);
}

// ---------------------------------------------------------------- XM
//
// Header: "Extended Module: " at 0, version (u16) at 58, header size (u32) at 60,
// counted from 60; pattern count (u16) at 70. Patterns follow the header, each with
// its own header: length (u32), packing type (u8), rows (u16; u8 in version 0x0102),
// packed data size (u16). A cell whose first byte has bit 7 set lists which of note,
// instrument, volume, effect and parameter follow; otherwise all five follow.

constexpr size_t kXmVersionAt = 58;
constexpr size_t kXmHeaderSizeAt = 60;
constexpr size_t kXmPatternCountAt = 70;
constexpr uint8_t kXmSync = 35;
constexpr uint32_t kXmMaxPatterns = 65535;

int stripXmCells(std::string& b, size_t begin, size_t end) {
    int removed = 0;
    size_t i = begin;
    while (i < end) {
        const uint8_t first = byteAt(b, i);
        size_t effect = 0, param = 0;
        bool hasEffect = false, hasParam = false;
        if (first & 0x80) {
            ++i;
            if (first & 1) ++i;
            if (first & 2) ++i;
            if (first & 4) ++i;
            if (first & 8) hasEffect = true, effect = i++;
            if (first & 16) hasParam = true, param = i++;
        } else {
            hasEffect = hasParam = true;
            effect = i + 3;
            param = i + 4;
            i += 5;
        }
        if (hasEffect && effect < end && byteAt(b, effect) == kXmSync) {
            b[effect] = 0;
            if (hasParam && param < end) b[param] = 0;
            ++removed;
        }
    }
    return removed;
}

int stripXm(std::string& b) {
    uint32_t version = 0, headerSize = 0, patterns = 0;
    if (!readU16(b, kXmVersionAt, version) || !readU32(b, kXmHeaderSizeAt, headerSize) ||
        !readU16(b, kXmPatternCountAt, patterns))
        return 0;
    size_t pos = kXmHeaderSizeAt + static_cast<size_t>(headerSize);
    const size_t sizeFieldAt = version == 0x0102 ? 6 : 7;
    int removed = 0;
    for (uint32_t p = 0; p < std::min(patterns, kXmMaxPatterns); ++p) {
        uint32_t patternHeader = 0, packedSize = 0;
        if (!readU32(b, pos, patternHeader) || !readU16(b, pos + sizeFieldAt, packedSize)) break;
        if (patternHeader > b.size() - pos) break;
        const size_t data = pos + patternHeader;
        const size_t end = std::min(b.size(), data + packedSize);
        removed += stripXmCells(b, data, end);
        pos = data + packedSize;
    }
    return removed;
}

// After the patterns, the instruments (their count, u16, at 72): each with its header
// size (u32) first, its sample count (u16) at 27 and, with samples, the size of each
// sample's header (u32) at 29. The sample headers follow the instrument's header,
// each starting with the sample's length in bytes (u32); then the samples' data.

constexpr size_t kXmInstrumentCountAt = 72;
constexpr size_t kXmSampleCountAt = 27;
constexpr size_t kXmSampleHeaderSizeAt = 29;

uint64_t xmBytesDescribed(std::string_view b) {
    const uint64_t beyond = uint64_t{b.size()} + 1;  // the file ends inside a header
    uint32_t version = 0, headerSize = 0, patterns = 0, instruments = 0;
    if (!readU16(b, kXmVersionAt, version) || !readU32(b, kXmHeaderSizeAt, headerSize) ||
        !readU16(b, kXmPatternCountAt, patterns) || !readU16(b, kXmInstrumentCountAt, instruments))
        return beyond;
    uint64_t pos = kXmHeaderSizeAt + uint64_t{headerSize};
    const size_t sizeFieldAt = version == 0x0102 ? 6 : 7;
    for (uint32_t p = 0; p < patterns; ++p) {
        uint32_t patternHeader = 0, packedSize = 0;
        if (pos > b.size() || !readU32(b, pos, patternHeader) || !readU16(b, pos + sizeFieldAt, packedSize))
            return beyond;
        pos += uint64_t{patternHeader} + packedSize;
    }
    for (uint32_t i = 0; i < instruments; ++i) {
        uint32_t instrumentHeader = 0, samples = 0, sampleHeader = 0;
        if (pos > b.size() || !readU32(b, pos, instrumentHeader) ||
            !readU16(b, pos + kXmSampleCountAt, samples))
            return beyond;
        if (samples > 0 && !readU32(b, pos + kXmSampleHeaderSizeAt, sampleHeader)) return beyond;
        pos += instrumentHeader;
        uint64_t data = 0;
        for (uint32_t s = 0; s < samples; ++s) {
            uint32_t length = 0;
            if (pos > b.size() || !readU32(b, pos, length)) return beyond;
            data += length;
            pos += sampleHeader;
        }
        pos += data;
    }
    return pos;
}

// ---------------------------------------------------------------- IT
//
// Header "IMPM": order, instrument, sample and pattern counts (u16) at 0x20..0x26;
// at 0xC0 the orders, then u32 offsets of instruments, samples and patterns. A
// pattern: data length (u16), rows (u16), 4 reserved bytes, packed data. Each entry
// starts with a channel byte (0 ends the row); bit 7 means a new mask byte follows,
// otherwise the channel's previous mask applies. Mask bits 1, 2, 4 and 8 announce
// note, instrument, volume and command + parameter; bits 16..128 repeat the
// channel's last value and carry no bytes, so stripping the one written command
// also strips its repeats.

constexpr size_t kItOrderCountAt = 0x20;
constexpr size_t kItTablesAt = 0xC0;
constexpr size_t kItPatternHeader = 8;
constexpr uint8_t kLetterZ = 26;
constexpr int kItChannels = 64;

int stripItPattern(std::string& b, size_t begin, size_t end) {
    std::array<uint8_t, kItChannels> lastMask{};
    int removed = 0;
    size_t i = begin;
    while (i < end) {
        const uint8_t channelByte = byteAt(b, i++);
        if (channelByte == 0) continue;  // end of row
        const size_t channel = static_cast<size_t>((channelByte - 1) & (kItChannels - 1));
        if (channelByte & 0x80) {
            if (i >= end) break;
            lastMask[channel] = byteAt(b, i++);
        }
        const uint8_t mask = lastMask[channel];
        if (mask & 1) ++i;
        if (mask & 2) ++i;
        if (mask & 4) ++i;
        if (mask & 8) {
            if (i + 1 < end && byteAt(b, i) == kLetterZ) {
                b[i] = 0;
                b[i + 1] = 0;
                ++removed;
            }
            i += 2;
        }
    }
    return removed;
}

int stripIt(std::string& b) {
    uint32_t orders = 0, instruments = 0, samples = 0, patterns = 0;
    if (!readU16(b, kItOrderCountAt, orders) || !readU16(b, kItOrderCountAt + 2, instruments) ||
        !readU16(b, kItOrderCountAt + 4, samples) || !readU16(b, kItOrderCountAt + 6, patterns))
        return 0;
    const size_t table = kItTablesAt + orders + 4 * (static_cast<size_t>(instruments) + samples);
    int removed = 0;
    for (uint32_t p = 0; p < patterns; ++p) {
        uint32_t offset = 0, length = 0;
        if (!readU32(b, table + 4 * static_cast<size_t>(p), offset)) break;
        if (offset == 0) continue;  // an empty pattern
        if (!readU16(b, offset, length) || b.size() - offset < kItPatternHeader) continue;
        const size_t data = offset + kItPatternHeader;
        removed += stripItPattern(b, data, std::min(b.size(), data + length));
    }
    return removed;
}

// ---------------------------------------------------------------- S3M
//
// Header: order, instrument and pattern counts (u16) at 32..36, "SCRM" at 44, the
// orders at 96, then u16 paragraph pointers (x 16) of instruments and patterns. A
// pattern: a length word, then 64 rows of entries. The length word is unreliable in
// files found in the wild and the module player ignores it, so the walk counts rows.
// Entry byte: 0 ends the row; bit 5: note + instrument follow, bit 6: volume,
// bit 7: command + parameter.

constexpr size_t kS3mCountsAt = 32;
constexpr size_t kS3mTablesAt = 96;
constexpr int kS3mRows = 64;

int stripS3mPattern(std::string& b, size_t begin) {
    int removed = 0;
    size_t i = begin;
    int row = 0;
    const size_t end = b.size();
    while (i < end && row < kS3mRows) {
        const uint8_t what = byteAt(b, i++);
        if (what == 0) {
            ++row;
            continue;
        }
        if (what & 32) i += 2;
        if (what & 64) i += 1;
        if (what & 128) {
            if (i + 1 < end && byteAt(b, i) == kLetterZ) {
                b[i] = 0;
                b[i + 1] = 0;
                ++removed;
            }
            i += 2;
        }
    }
    return removed;
}

int stripS3m(std::string& b) {
    uint32_t orders = 0, instruments = 0, patterns = 0;
    if (!readU16(b, kS3mCountsAt, orders) || !readU16(b, kS3mCountsAt + 2, instruments) ||
        !readU16(b, kS3mCountsAt + 4, patterns))
        return 0;
    const size_t table = kS3mTablesAt + orders + 2 * static_cast<size_t>(instruments);
    int removed = 0;
    for (uint32_t p = 0; p < patterns; ++p) {
        uint32_t paragraph = 0;
        if (!readU16(b, table + 2 * static_cast<size_t>(p), paragraph)) break;
        const size_t offset = static_cast<size_t>(paragraph) * 16;
        if (paragraph == 0 || offset > b.size() || b.size() - offset < 2) continue;
        removed += stripS3mPattern(b, offset + 2);
    }
    return removed;
}

}  // namespace

ModuleFormat detectModuleFormat(std::string_view bytes) {
    if (bytes.substr(0, 17) == "Extended Module: ") return ModuleFormat::Xm;
    if (bytes.substr(0, 4) == "IMPM") return ModuleFormat::It;
    if (bytes.size() >= 48 && bytes.substr(44, 4) == "SCRM") return ModuleFormat::S3m;
    return ModuleFormat::Unknown;
}

int stripSyncCommands(std::string& bytes) {
    switch (detectModuleFormat(bytes)) {
        case ModuleFormat::Xm:
            return stripXm(bytes);
        case ModuleFormat::It:
            return stripIt(bytes);
        case ModuleFormat::S3m:
            return stripS3m(bytes);
        case ModuleFormat::Unknown:
            break;
    }
    return 0;
}

uint64_t moduleBytesDescribed(std::string_view bytes) {
    return detectModuleFormat(bytes) == ModuleFormat::Xm ? xmBytesDescribed(bytes) : 0;
}

}  // namespace qm

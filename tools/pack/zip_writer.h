// zip_writer.h -- writes a zip archive (deflated entries, no zip64) that every unzipper, Windows' own
// included, opens.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace qm::pack {

// Entries are written one after the other, then the central directory at finish().
// Names use '/' between folders, as the format says; sizes stay below 4 GiB and there
// are fewer than 65,535 entries (no zip64). Every entry gets the same time stamp, so
// the same files make the same archive.
class ZipWriter {
public:
    explicit ZipWriter(std::FILE* file) : file_(file) {}

    // Adds one file. False (with the reason in error()) when it cannot be written or
    // is too large for the format; the archive is then unusable.
    bool add(std::string_view name, std::string_view bytes);
    // Writes the central directory. False on a write error.
    bool finish();

    const std::string& error() const { return error_; }
    size_t entries() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        uint16_t method;
        uint32_t crc;
        uint32_t compressedSize;
        uint32_t size;
        uint32_t offset;
    };
    struct CompressorFree {
        void operator()(libdeflate_compressor* c) const;
    };
    bool write(std::string_view bytes);

    std::FILE* file_;
    std::unique_ptr<libdeflate_compressor, CompressorFree> compressor_;  // made at the first entry
    uint64_t position_ = 0;
    std::vector<Entry> entries_;
    std::string error_;
};

}  // namespace qm::pack

// zip_writer.cpp -- local headers, deflated data (libdeflate) and the central directory of a zip archive.
#include "pack/zip_writer.h"

#include <libdeflate.h>

#include <limits>
#include <memory>

namespace qm::pack {

namespace {

constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint16_t kVersion = 20;        // 2.0: deflate and folders
constexpr uint16_t kUtf8Names = 0x0800;  // general purpose flag 11
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kDosTime = 0;                        // 00:00:00
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01, the format's first day
constexpr uint32_t kArchiveAttribute = 0x20;            // as Windows marks a file written
constexpr uint64_t kLimit = std::numeric_limits<uint32_t>::max();

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xffff));
    put16(out, static_cast<uint16_t>(v >> 16));
}

// The fields a local header and the central directory's header share, from the flags
// to the name's length.
void putShared(std::string& out, uint16_t method, uint32_t crc, uint32_t compressedSize, uint32_t size,
               size_t nameLength) {
    put16(out, kUtf8Names);
    put16(out, method);
    put16(out, kDosTime);
    put16(out, kDosDate);
    put32(out, crc);
    put32(out, compressedSize);
    put32(out, size);
    put16(out, static_cast<uint16_t>(nameLength));
}

}  // namespace

void ZipWriter::CompressorFree::operator()(libdeflate_compressor* c) const {
    libdeflate_free_compressor(c);
}

bool ZipWriter::write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        error_ = "cannot write the archive";
        return false;
    }
    position_ += bytes.size();
    return true;
}

bool ZipWriter::add(std::string_view name, std::string_view bytes) {
    if (bytes.size() >= kLimit || position_ >= kLimit || name.size() > 0xffff || entries_.size() >= 0xfffe) {
        error_ = "too large for a zip archive: " + std::string(name);
        return false;
    }
    Entry e{std::string(name),
            kStored,
            0,
            static_cast<uint32_t>(bytes.size()),
            static_cast<uint32_t>(bytes.size()),
            static_cast<uint32_t>(position_)};
    e.crc = libdeflate_crc32(0, bytes.data(), bytes.size());

    // Deflated when that is smaller; pictures that are compressed already stay as they are.
    std::string packed;
    if (!compressor_) compressor_.reset(libdeflate_alloc_compressor(9));
    if (compressor_ && !bytes.empty()) {
        packed.resize(libdeflate_deflate_compress_bound(compressor_.get(), bytes.size()));
        const size_t n = libdeflate_deflate_compress(compressor_.get(), bytes.data(), bytes.size(),
                                                     packed.data(), packed.size());
        packed.resize(n);
        if (n > 0 && n < bytes.size()) {
            e.method = kDeflated;
            e.compressedSize = static_cast<uint32_t>(n);
        }
    }

    std::string header;
    put32(header, kLocalHeader);
    put16(header, kVersion);
    putShared(header, e.method, e.crc, e.compressedSize, e.size, e.name.size());
    put16(header, 0);  // no extra field
    header += e.name;
    if (!write(header)) return false;
    if (!write(e.method == kDeflated ? std::string_view(packed) : bytes)) return false;
    entries_.push_back(std::move(e));
    return true;
}

bool ZipWriter::finish() {
    if (position_ >= kLimit) {
        error_ = "too large for a zip archive";
        return false;
    }
    const uint64_t start = position_;
    std::string directory;
    for (const Entry& e : entries_) {
        put32(directory, kCentralHeader);
        put16(directory, kVersion);  // made by: MS-DOS attributes, which Windows reads
        put16(directory, kVersion);
        putShared(directory, e.method, e.crc, e.compressedSize, e.size, e.name.size());
        put16(directory, 0);  // extra field
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, kArchiveAttribute);
        put32(directory, e.offset);
        directory += e.name;
    }
    if (start + directory.size() >= kLimit) {
        error_ = "too large for a zip archive";
        return false;
    }
    std::string end;
    put32(end, kEndOfDirectory);
    put16(end, 0);  // this disk
    put16(end, 0);  // the directory's disk
    put16(end, static_cast<uint16_t>(entries_.size()));
    put16(end, static_cast<uint16_t>(entries_.size()));
    put32(end, static_cast<uint32_t>(directory.size()));
    put32(end, static_cast<uint32_t>(start));
    put16(end, 0);  // comment
    return write(directory) && write(end);
}

}  // namespace qm::pack

// png_frames.cpp -- PNG encoding of read-back frames.
#include "capture/png_frames.h"

#include <libdeflate.h>

#include <cstdio>

namespace qm::capture {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kColourTypeRgb = 2;
constexpr uint8_t kFilterSub = 1;

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// Completes the chunk that openChunk began at `lengthAt`, whose data now ends
// `out`: fills in its length and appends the CRC of its type and data.
void closeChunk(std::vector<uint8_t>& out, size_t lengthAt) {
    const size_t typeAt = lengthAt + 4;
    const auto length = static_cast<uint32_t>(out.size() - typeAt - 4);
    for (int i = 0; i < 4; ++i) out[lengthAt + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    putU32(out, libdeflate_crc32(0, out.data() + typeAt, out.size() - typeAt));
}

size_t openChunk(std::vector<uint8_t>& out, const char (&type)[5]) {
    const size_t lengthAt = out.size();
    putU32(out, 0);
    out.insert(out.end(), type, type + 4);
    return lengthAt;
}

// One scanline: its filter byte, then RGB with each byte minus the one three
// bytes before it (the Sub filter), which suits the smooth runs of a rendered frame.
template <PixelOrder order>
void filterRow(const uint8_t* pixels, int width, uint8_t* out) {
    constexpr int red = redAt(order), blue = blueAt(order);
    *out++ = kFilterSub;
    uint8_t r = 0, g = 0, b = 0;
    for (int x = 0; x < width; ++x, pixels += 4, out += 3) {
        out[0] = static_cast<uint8_t>(pixels[red] - r);
        out[1] = static_cast<uint8_t>(pixels[1] - g);
        out[2] = static_cast<uint8_t>(pixels[blue] - b);
        r = pixels[red];
        g = pixels[1];
        b = pixels[blue];
    }
}

}  // namespace

void PngEncoder::Deleter::operator()(libdeflate_compressor* c) const {
    libdeflate_free_compressor(c);
}

PngEncoder::PngEncoder(int level) : compressor_(libdeflate_alloc_compressor(level)) {}

PngEncoder::~PngEncoder() = default;

bool PngEncoder::encode(const uint8_t* pixelsBottomUp, int width, int height, std::vector<uint8_t>& out,
                        PixelOrder order) {
    if (!compressor_ || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
    const size_t stride = static_cast<size_t>(width) * 4;
    filtered_.resize(rowBytes * static_cast<size_t>(height));
    // File order is top row first; the read-back has the bottom row first.
    const auto filter = order == PixelOrder::Bgra ? filterRow<PixelOrder::Bgra> : filterRow<PixelOrder::Rgba>;
    for (int y = 0; y < height; ++y)
        filter(pixelsBottomUp + stride * static_cast<size_t>(height - 1 - y), width,
               filtered_.data() + rowBytes * static_cast<size_t>(y));

    out.clear();
    out.insert(out.end(), kSignature, kSignature + sizeof kSignature);
    size_t chunk = openChunk(out, "IHDR");
    putU32(out, static_cast<uint32_t>(width));
    putU32(out, static_cast<uint32_t>(height));
    out.insert(out.end(),
               {8, kColourTypeRgb, 0, 0, 0});  // 8 bits, RGB, deflate, standard filters, no interlace
    closeChunk(out, chunk);

    // Compressed into a buffer of its own that keeps its size, so that no frame
    // pays for clearing a worst-case output area.
    const size_t bound = libdeflate_zlib_compress_bound(compressor_.get(), filtered_.size());
    if (packed_.size() < bound) packed_.resize(bound);
    const size_t packed = libdeflate_zlib_compress(compressor_.get(), filtered_.data(), filtered_.size(),
                                                   packed_.data(), bound);
    if (packed == 0) return false;
    chunk = openChunk(out, "IDAT");
    out.insert(out.end(), packed_.data(), packed_.data() + packed);
    closeChunk(out, chunk);

    closeChunk(out, openChunk(out, "IEND"));
    return true;
}

std::string frameFileName(long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05ld.png", frame);
    return name;
}

}  // namespace qm::capture

// image_bmp.cpp -- the Windows bitmap reader: 32, 24, 16 (bit fields), 8 and 4 bits per pixel, uncompressed.
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/paths.h"
#include "resources/image_bytes.h"
#include "resources/texture.h"

namespace qm {

namespace {

using image::readI32;
using image::readU16;
using image::readU32;

// The file header, then the 40 bytes of the info header every accepted variant starts with.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;
constexpr uint32_t kCoreHeaderSize = 12;    // OS/2 1.x: 16-bit dimensions, refused
constexpr size_t kMaskBytes = 12;           // red, green, blue masks after the info header
constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kBitFields = 3;
constexpr size_t kPaletteEntries = 256;

// Masks of a 16-bit file without bit fields: the format's default 5-5-5 layout.
constexpr uint32_t kDefaultRedMask = 0x7C00;
constexpr uint32_t kDefaultGreenMask = 0x03E0;
constexpr uint32_t kDefaultBlueMask = 0x001F;

// Widens an n-bit channel value to 8 bits by repeating its bits.
uint8_t expandBits(uint32_t v, int n) {
    switch (n) {
        case 1:
            return v ? 255 : 0;
        case 2:
            return static_cast<uint8_t>(v << 6 | v << 4 | v << 2 | v);
        case 3:
            return static_cast<uint8_t>(v << 5 | v << 2 | v >> 1);
        case 4:
            return static_cast<uint8_t>(v << 4 | v);
        case 5:
            return static_cast<uint8_t>(v << 3 | v >> 2);
        case 6:
            return static_cast<uint8_t>(v << 2 | v >> 4);
        case 7:
            return static_cast<uint8_t>(v << 1 | v >> 6);
        default:
            return static_cast<uint8_t>(v);
    }
}

struct Channel {
    uint32_t mask;
    int shift;
    int bits;
};

Channel channelOf(uint32_t mask) {
    if (mask == 0) return {0, 0, 0};
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

// Rows are padded to a 4-byte boundary.
uint64_t strideOf(int64_t width, int bitsPerPixel) {
    return uint64_t((width * bitsPerPixel + 31) / 32) * 4;
}

struct Layout {
    const uint8_t* source;  // first stored row
    size_t stride;          // bytes from one stored row to the next
    size_t width;
    size_t height;
};

void convert16(const Layout& in, uint8_t* out, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    const Channel red = channelOf(redMask), green = channelOf(greenMask), blue = channelOf(blueMask);
    for (size_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.source + y * in.stride;
        for (size_t x = 0; x < in.width; ++x, out += 4) {
            const uint32_t p = readU16(row + 2 * x);
            out[0] = expandBits((p & red.mask) >> red.shift, red.bits);
            out[1] = expandBits((p & green.mask) >> green.shift, green.bits);
            // Blue is taken from bit 0 upward without a shift: deliberate, the files
            // this reads keep blue in the low bits.
            out[2] = expandBits(p & blue.mask, blue.bits);
            out[3] = 255;
        }
    }
}

void putPaletteColour(uint8_t* out, const std::array<uint8_t, 4>& entry) {
    out[0] = entry[2];
    out[1] = entry[1];
    out[2] = entry[0];
    out[3] = 255;
}

using Palette = std::vector<std::array<uint8_t, 4>>;  // kPaletteEntries entries

void convert8(const Layout& in, uint8_t* out, const Palette& palette) {
    for (size_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.source + y * in.stride;
        for (size_t x = 0; x < in.width; ++x, out += 4) putPaletteColour(out, palette[row[x]]);
    }
}

// Two pixels per byte, high nibble first.
void convert4(const Layout& in, uint8_t* out, const Palette& palette) {
    for (size_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.source + y * in.stride;
        for (size_t x = 0; x < in.width; ++x, out += 4) {
            const uint8_t byte = row[x / 2];
            putPaletteColour(out, palette[x % 2 == 0 ? byte >> 4 : byte & 0x0F]);
        }
    }
}

}  // namespace

bool Texture::readBmp(std::string_view path) {
    std::vector<uint8_t>().swap(pixels);
    std::string bytes;
    if (!readWholeFile(path, bytes)) return finish(ImageStatus::CannotOpen);
    return readBmpData(bytes);
}

bool Texture::readBmpData(std::string_view bytes) {
    std::vector<uint8_t>().swap(pixels);
    byteLength = 0;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();

    // Headers.
    if (size < 2 || readU16(data) != kBmpSignature) return finish(ImageStatus::NotThisFormat);
    if (size < kFileHeaderSize + 4) return finish(ImageStatus::Truncated);
    if (readU32(data + kFileHeaderSize) == kCoreHeaderSize) return finish(ImageStatus::Unsupported);
    if (size < kHeadersSize) return finish(ImageStatus::Truncated);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t offBits = readU32(data + 10);
    width = readI32(info + 4);
    height = readI32(info + 8);
    bitsPerPixel = readU16(info + 14);
    const uint32_t compression = readU32(info + 16);
    const uint32_t sizeImage = readU32(info + 20);
    const uint32_t clrUsed = readU32(info + 32);

    if (compression != kUncompressed && compression != kBitFields) return finish(ImageStatus::Unsupported);
    if (bitsPerPixel != 32 && bitsPerPixel != 24 && bitsPerPixel != 16 && bitsPerPixel != 8 &&
        bitsPerPixel != 4)
        return finish(ImageStatus::Unsupported);

    // Masks and colour table follow the first 40 bytes of the info header.
    if (bitsPerPixel == 16) {
        if (compression == kBitFields) {
            if (size < kHeadersSize + kMaskBytes) return finish(ImageStatus::Truncated);
            redMask = readU32(data + kHeadersSize);
            greenMask = readU32(data + kHeadersSize + 4);
            blueMask = readU32(data + kHeadersSize + 8);
        } else {
            redMask = kDefaultRedMask;
            greenMask = kDefaultGreenMask;
            blueMask = kDefaultBlueMask;
        }
    }
    if (bitsPerPixel < 16) {
        // biClrUsed entries are read, deliberately also when it is 0 (none) and
        // whatever the header's size; entries not read stay black, and a count
        // above 256 reads 256.
        if (!image::tryAllocate(palette, kPaletteEntries)) return finish(ImageStatus::OutOfMemory);
        const size_t entries = clrUsed < kPaletteEntries ? clrUsed : kPaletteEntries;
        if (size - kHeadersSize < entries * 4) return finish(ImageStatus::Truncated);
        for (size_t i = 0; i < entries; ++i) std::memcpy(palette[i].data(), data + kHeadersSize + 4 * i, 4);
    }

    // Dimensions. Top-down files (negative height) are refused rather than flipped.
    if (height < 0) return finish(ImageStatus::Unsupported);
    if (width <= 0 || height == 0) return finish(ImageStatus::Damaged);
    if (width > kMaxImageSide || height > kMaxImageSide || int64_t{width} * height > kMaxImagePixels)
        return finish(ImageStatus::TooLarge);

    // The pixel block: biSizeImage, or the padded rows when that field is 0. A
    // block too short for its rows is refused; a longer one is read and the rest ignored.
    const uint64_t stride = strideOf(width, bitsPerPixel);
    const uint64_t rowsSize = stride * static_cast<uint64_t>(height);
    const uint64_t blockSize = sizeImage != 0 ? sizeImage : rowsSize;
    if (blockSize < rowsSize) return finish(ImageStatus::Damaged);
    if (offBits > size || size - offBits < blockSize) return finish(ImageStatus::Truncated);
    if (blockSize > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return finish(ImageStatus::TooLarge);
    byteLength = static_cast<int32_t>(blockSize);

    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (!image::tryAllocate(pixels, pixelCount * 4)) return finish(ImageStatus::OutOfMemory);
    const Layout in{data + offBits, static_cast<size_t>(stride), static_cast<size_t>(width),
                    static_cast<size_t>(height)};
    switch (bitsPerPixel) {
        case 32:
            // Rows of 32-bit pixels need no padding: the block is the picture, blue
            // first, and its fourth byte is not alpha.
            std::memcpy(pixels.data(), in.source, pixelCount * 4);
            swapRedBlue();
            setAlpha(255);
            break;
        case 24:
            expandRgb(in.source, in.stride - 3 * in.width, true);
            break;
        case 16:
            convert16(in, pixels.data(), redMask, greenMask, blueMask);
            break;
        case 8:
            convert8(in, pixels.data(), palette);
            break;
        case 4:
            convert4(in, pixels.data(), palette);
            break;
    }
    bitsPerPixel = 32;
    return finish(ImageStatus::Ok);
}

}  // namespace qm

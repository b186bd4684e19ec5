// image_bmp.cpp -- the Windows bitmap reader: 32, 24, 16 (bit fields), 8 and 4 bits per pixel, uncompressed,
// rows stored bottom-up or top-down.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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
            out[2] = expandBits((p & blue.mask) >> blue.shift, blue.bits);
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

// The palette converters return the highest colour index the pixels use.
uint8_t convert8(const Layout& in, uint8_t* out, const Palette& palette) {
    uint8_t highest = 0;
    for (size_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.source + y * in.stride;
        for (size_t x = 0; x < in.width; ++x, out += 4) {
            highest = std::max(highest, row[x]);
            putPaletteColour(out, palette[row[x]]);
        }
    }
    return highest;
}

// Two pixels per byte, high nibble first.
uint8_t convert4(const Layout& in, uint8_t* out, const Palette& palette) {
    uint8_t highest = 0;
    for (size_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.source + y * in.stride;
        for (size_t x = 0; x < in.width; ++x, out += 4) {
            const uint8_t byte = row[x / 2];
            const uint8_t index = x % 2 == 0 ? byte >> 4 : byte & 0x0F;
            highest = std::max(highest, index);
            putPaletteColour(out, palette[index]);
        }
    }
    return highest;
}

// Swaps row r with row rows - 1 - r.
void reverseRows(std::vector<uint8_t>& pixels, size_t rowBytes, size_t rows) {
    for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + top * rowBytes, pixels.begin() + (top + 1) * rowBytes,
                         pixels.begin() + bottom * rowBytes);
}

}  // namespace

bool Texture::readBmpData(std::string_view bytes) {
    std::vector<uint8_t>().swap(pixels);
    byteLength = 0;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();

    // Headers.
    if (size < 2 || readU16(data) != kBmpSignature) return finish(ImageStatus::NotThisFormat);
    if (size < kFileHeaderSize + 4) return finish(ImageStatus::Truncated);
    const uint32_t infoSize = readU32(data + kFileHeaderSize);
    if (infoSize == kCoreHeaderSize)
        return finish(ImageStatus::Unsupported, {ImageNote::Kind::BmpCoreHeader});
    if (size < kHeadersSize) return finish(ImageStatus::Truncated);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t offBits = readU32(data + 10);
    width = readI32(info + 4);
    height = readI32(info + 8);
    bitsPerPixel = readU16(info + 14);
    const uint32_t compression = readU32(info + 16);
    const uint32_t sizeImage = readU32(info + 20);
    const uint32_t clrUsed = readU32(info + 32);

    if (compression != kUncompressed && compression != kBitFields)
        return finish(ImageStatus::Unsupported, {ImageNote::Kind::BmpCompression, compression});
    if (bitsPerPixel != 32 && bitsPerPixel != 24 && bitsPerPixel != 16 && bitsPerPixel != 8 &&
        bitsPerPixel != 4)
        return finish(ImageStatus::Unsupported,
                      {ImageNote::Kind::BmpBitsPerPixel, static_cast<uint32_t>(bitsPerPixel)});

    // The masks are the three words after the first 40 bytes of the info header,
    // inside the larger headers that have them and right after a 40-byte one.
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
    size_t paletteEntries = 0;
    if (bitsPerPixel < 16) {
        // The colour table follows the info header, whatever that header's size (one
        // that claims fewer than the 40 bytes read counts as 40). biClrUsed 0 means
        // all 2^bitsPerPixel entries, and a count above 256 reads 256. Only entries
        // that lie before the pixel data and inside the file are read; the others
        // stay black.
        if (!image::tryAllocate(palette, kPaletteEntries)) return finish(ImageStatus::OutOfMemory);
        const uint64_t tableStart = kFileHeaderSize + std::max<uint64_t>(infoSize, kInfoHeaderSize);
        const uint64_t tableEnd = std::min<uint64_t>(offBits, size);
        const uint64_t wanted =
            clrUsed == 0 ? uint64_t{1} << bitsPerPixel : std::min<uint64_t>(clrUsed, kPaletteEntries);
        const uint64_t present = tableEnd > tableStart ? (tableEnd - tableStart) / 4 : 0;
        paletteEntries = static_cast<size_t>(std::min(wanted, present));
        for (size_t i = 0; i < paletteEntries; ++i)
            std::memcpy(palette[i].data(), data + tableStart + 4 * i, 4);
    }

    // Dimensions. A negative height stores the rows top-down; they are turned round
    // once converted, so that row 0 is the bottom row as in a bottom-up file.
    const bool topDown = height < 0;
    if (height == std::numeric_limits<int32_t>::min()) return finish(ImageStatus::TooLarge);
    if (topDown) height = -height;
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
    uint8_t highestIndex = 0;
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
            highestIndex = convert8(in, pixels.data(), palette);
            break;
        case 4:
            highestIndex = convert4(in, pixels.data(), palette);
            break;
    }
    if (topDown) reverseRows(pixels, in.width * 4, in.height);
    ImageNote note;
    if (bitsPerPixel < 16 && highestIndex >= paletteEntries)
        note = {ImageNote::Kind::BmpColoursMissing, static_cast<uint32_t>(paletteEntries)};
    bitsPerPixel = 32;
    return finish(ImageStatus::Ok, note);
}

}  // namespace qm

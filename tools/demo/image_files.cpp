// image_files.cpp -- PNG (through libpng), BMP and TGA encoders for the generated pictures.
#include "tools/demo/image_files.h"

#include <png.h>

#include <cstring>

namespace qm::demo {

namespace {

constexpr uint32_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBmpInfoHeaderSize = 40;
constexpr uint32_t kTgaHeaderSize = 18;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dpi, what most tools write

void put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v & 0xff));
    out.push_back(uint8_t((v >> 8) & 0xff));
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

bool sane(int width, int height) {
    return width > 0 && height > 0 && width <= 4096 && height <= 4096;
}

// Both passes of the simplified libpng writer: size first, then the bytes. The writer
// keeps libpng's error handling inside itself, so nothing jumps across our frames.
Bytes writePng(png_image& info, const void* pixels, int rowStride, const void* colormap) {
    // No sRGB or gAMA chunk: readers then take the picture's values as they stand.
    info.flags = PNG_IMAGE_FLAG_COLORSPACE_NOT_sRGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&info, nullptr, &size, 0, pixels, rowStride, colormap) || size == 0) {
        png_image_free(&info);
        return {};
    }
    Bytes out(size);
    if (!png_image_write_to_memory(&info, out.data(), &size, 0, pixels, rowStride, colormap)) {
        png_image_free(&info);
        return {};
    }
    out.resize(size);
    return out;
}

Bytes encodePngDirect(const Image& image, bool withAlpha) {
    if (!sane(image.width, image.height) || image.pixels.size() != size_t(image.width) * image.height)
        return {};
    const int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> packed;
    packed.reserve(image.pixels.size() * channels);
    for (const Rgba& p : image.pixels) {
        packed.push_back(p.r);
        packed.push_back(p.g);
        packed.push_back(p.b);
        if (withAlpha) packed.push_back(p.a);
    }
    png_image info;
    std::memset(&info, 0, sizeof info);
    info.version = PNG_IMAGE_VERSION;
    info.width = png_uint_32(image.width);
    info.height = png_uint_32(image.height);
    info.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return writePng(info, packed.data(), image.width * channels, nullptr);
}

// Rows from the bottom up, as BMP and bottom-left TGA store them.
template <typename PerPixel>
void forRowsBottomUp(int width, int height, PerPixel&& perPixel, Bytes& out, size_t rowPadding) {
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) perPixel(x, y);
        out.insert(out.end(), rowPadding, 0);
    }
}

void putBmpHeaders(Bytes& out, int width, int height, int bits, uint32_t paletteEntries, uint32_t imageSize) {
    const uint32_t offBits = kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * paletteEntries;
    out.push_back('B');
    out.push_back('M');
    put32(out, offBits + imageSize);  // bfSize
    put32(out, 0);                    // bfReserved1, bfReserved2
    put32(out, offBits);
    put32(out, kBmpInfoHeaderSize);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));  // positive: bottom row first
    put16(out, 1);                 // planes
    put16(out, uint32_t(bits));
    put32(out, 0);  // no compression
    put32(out, imageSize);
    put32(out, uint32_t(kPixelsPerMetre));
    put32(out, uint32_t(kPixelsPerMetre));
    put32(out, paletteEntries);  // biClrUsed: readers take the palette length from here
    put32(out, 0);
}

size_t bmpStride(int width, int bits) {
    return ((size_t(width) * bits + 31) / 32) * 4;
}

Bytes encodeTga(const Image& image, int bits) {
    if (!sane(image.width, image.height) || image.pixels.size() != size_t(image.width) * image.height)
        return {};
    Bytes out;
    out.reserve(kTgaHeaderSize + image.pixels.size() * (bits / 8));
    out.push_back(0);             // no image ID
    out.push_back(0);             // no colour map
    out.push_back(2);             // uncompressed true colour
    out.insert(out.end(), 5, 0);  // colour-map fields (no colour map)
    put16(out, 0);                // x origin
    put16(out, 0);                // y origin
    put16(out, uint32_t(image.width));
    put16(out, uint32_t(image.height));
    out.push_back(uint8_t(bits));
    out.push_back(bits == 32 ? 8 : 0);  // alpha bits; origin bits 0 = bottom-left
    forRowsBottomUp(
        image.width, image.height,
        [&](int x, int y) {
            const Rgba& p = image.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
            if (bits == 32) out.push_back(p.a);
        },
        out, 0);
    return out;
}

}  // namespace

uint8_t toByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint8_t(v * 255.0f + 0.5f);
}

Rgba rgbaFromFloats(float r, float g, float b, float a) {
    return {toByte(r), toByte(g), toByte(b), toByte(a)};
}

Rgba mix(Rgba a, Rgba b, float t) {
    auto lerp = [t](uint8_t x, uint8_t y) { return toByte((x + (y - x) * t) / 255.0f); };
    return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b), lerp(a.a, b.a)};
}

Bytes encodePngRgb(const Image& image) {
    return encodePngDirect(image, false);
}

Bytes encodePngRgba(const Image& image) {
    return encodePngDirect(image, true);
}

Bytes encodePngPalette(const IndexedImage& image) {
    const size_t entries = image.palette.size();
    if (!sane(image.width, image.height) || entries == 0 || entries > 256 ||
        image.indices.size() != size_t(image.width) * image.height)
        return {};
    for (uint8_t index : image.indices)
        if (index >= entries) return {};
    bool anyTransparent = false;
    for (const Rgba& c : image.palette) anyTransparent |= c.a != 255;
    std::vector<uint8_t> colormap;
    for (const Rgba& c : image.palette) {
        colormap.push_back(c.r);
        colormap.push_back(c.g);
        colormap.push_back(c.b);
        if (anyTransparent) colormap.push_back(c.a);
    }
    png_image info;
    std::memset(&info, 0, sizeof info);
    info.version = PNG_IMAGE_VERSION;
    info.width = png_uint_32(image.width);
    info.height = png_uint_32(image.height);
    info.format = (anyTransparent ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB) | PNG_FORMAT_FLAG_COLORMAP;
    info.colormap_entries = png_uint_32(entries);
    return writePng(info, image.indices.data(), image.width, colormap.data());
}

Bytes encodeBmp24(const Image& image) {
    if (!sane(image.width, image.height) || image.pixels.size() != size_t(image.width) * image.height)
        return {};
    const size_t stride = bmpStride(image.width, 24);
    const size_t imageSize = stride * size_t(image.height);
    Bytes out;
    out.reserve(kBmpFileHeaderSize + kBmpInfoHeaderSize + imageSize);
    putBmpHeaders(out, image.width, image.height, 24, 0, uint32_t(imageSize));
    forRowsBottomUp(
        image.width, image.height,
        [&](int x, int y) {
            const Rgba& p = image.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        },
        out, stride - size_t(image.width) * 3);
    return out;
}

Bytes encodeBmp8(const IndexedImage& image) {
    const size_t entries = image.palette.size();
    if (!sane(image.width, image.height) || entries == 0 || entries > 256 ||
        image.indices.size() != size_t(image.width) * image.height)
        return {};
    for (uint8_t index : image.indices)
        if (index >= entries) return {};
    const size_t stride = bmpStride(image.width, 8);
    const size_t imageSize = stride * size_t(image.height);
    Bytes out;
    putBmpHeaders(out, image.width, image.height, 8, uint32_t(entries), uint32_t(imageSize));
    for (const Rgba& c : image.palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    forRowsBottomUp(
        image.width, image.height,
        [&](int x, int y) { out.push_back(image.indices[size_t(y) * image.width + x]); }, out,
        stride - size_t(image.width));
    return out;
}

Bytes encodeTga24(const Image& image) {
    return encodeTga(image, 24);
}

Bytes encodeTga32(const Image& image) {
    return encodeTga(image, 32);
}

}  // namespace qm::demo

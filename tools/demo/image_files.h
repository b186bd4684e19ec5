// image_files.h -- encoders for the picture files the player reads: PNG, BMP and TGA, into memory.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/demo/image.h"

namespace qm::demo {

using Bytes = std::vector<uint8_t>;

// PNG through libpng. An empty result means the encoder failed.
Bytes encodePngRgb(const Image& image);   // colour type 2, alpha dropped
Bytes encodePngRgba(const Image& image);  // colour type 6
// Colour type 3; a tRNS chunk is written when any palette entry is not opaque.
Bytes encodePngPalette(const IndexedImage& image);

// Windows bitmaps, bottom row first as the format stores them.
Bytes encodeBmp24(const Image& image);
Bytes encodeBmp8(const IndexedImage& image);  // biClrUsed names every palette entry

// Uncompressed true-colour TGA (type 2), bottom-left origin: bottom row first.
Bytes encodeTga24(const Image& image);
Bytes encodeTga32(const Image& image);  // 8 alpha bits in the descriptor

}  // namespace qm::demo

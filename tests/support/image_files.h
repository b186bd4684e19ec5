// image_files.h -- builds BMP and TGA file images byte by byte for reader tests, hostile headers included.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// A BMP with a 14-byte file header and an info header of `infoSize` bytes (the
// first 40 laid out as usual, the rest zero), then `extra` (masks or palette),
// then the pixel block at `offBits` (computed when 0).
struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    uint32_t infoSize = 40;
    uint32_t offBits = 0;
    std::string extra = {};
    std::string pixelData = {};
};
std::string makeBmp(const BmpLayout& layout);

// Padded bottom-up rows of a 24-bit BMP from RGBA pixels (rows in file order).
std::string bmp24Rows(int width, int height, const std::vector<uint8_t>& rgba);

// The same uncompressed BMP stored top-down: its rows in reverse order and its
// biHeight negated. A file it cannot take comes back unchanged.
std::string bmpTopDown(const std::string& bottomUp);

// An 18-byte TGA header and the data after it.
std::string makeTga(uint8_t imageType, uint16_t width, uint16_t height, uint8_t bitsPerPixel,
                    const std::string& data, uint8_t colourMapType = 0, uint8_t idLength = 0);

std::string le16(uint16_t v);
std::string le32(uint32_t v);

}  // namespace qm::test

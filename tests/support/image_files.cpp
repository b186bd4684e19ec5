// image_files.cpp -- BMP and TGA file images for reader tests.
#include "support/image_files.h"

namespace qm::test {

std::string le16(uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string le32(uint32_t v) {
    return le16(uint16_t(v & 0xFFFF)) + le16(uint16_t(v >> 16));
}

std::string makeBmp(const BmpLayout& s) {
    std::string info = le32(s.infoSize) + le32(uint32_t(s.width)) + le32(uint32_t(s.height)) + le16(1) +
                       le16(s.bitsPerPixel) + le32(s.compression) + le32(s.sizeImage) + le32(2835) +
                       le32(2835) + le32(s.clrUsed) + le32(0);
    if (s.infoSize > info.size() && s.infoSize < 4096) info.resize(s.infoSize, '\0');
    const uint32_t offBits = s.offBits ? s.offBits : uint32_t(14 + info.size() + s.extra.size());
    const uint32_t fileSize = uint32_t(14 + info.size() + s.extra.size() + s.pixelData.size());
    return "BM" + le32(fileSize) + le32(0) + le32(offBits) + info + s.extra + s.pixelData;
}

std::string bmp24Rows(int width, int height, const std::vector<uint8_t>& rgba) {
    std::string rows;
    const int stride = (width * 24 + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            row += {char(p[2]), char(p[1]), char(p[0])};
        }
        row.resize(stride, '\0');
        rows += row;
    }
    return rows;
}

std::string bmpTopDown(const std::string& bottomUp) {
    if (bottomUp.size() < 54) return bottomUp;
    const auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bottomUp[at])) | uint32_t(uint8_t(bottomUp[at + 1])) << 8 |
               uint32_t(uint8_t(bottomUp[at + 2])) << 16 | uint32_t(uint8_t(bottomUp[at + 3])) << 24;
    };
    const size_t offBits = u32(10);
    const int64_t width = int32_t(u32(18));
    const int64_t height = int32_t(u32(22));
    const int bits = uint8_t(bottomUp[28]) | uint8_t(bottomUp[29]) << 8;
    const size_t stride = size_t((width * bits + 31) / 32 * 4);
    if (width <= 0 || height <= 0 || offBits + stride * size_t(height) > bottomUp.size()) return bottomUp;
    std::string topDown = bottomUp;
    for (int64_t row = 0; row < height; ++row)
        topDown.replace(offBits + size_t(row) * stride, stride, bottomUp,
                        offBits + size_t(height - 1 - row) * stride, stride);
    topDown.replace(22, 4, le32(uint32_t(-height)));
    return topDown;
}

std::string makeTga(uint8_t imageType, uint16_t width, uint16_t height, uint8_t bitsPerPixel,
                    const std::string& data, uint8_t colourMapType, uint8_t idLength) {
    std::string header(18, '\0');
    header[0] = char(idLength);
    header[1] = char(colourMapType);
    header[2] = char(imageType);
    header.replace(12, 2, le16(width));
    header.replace(14, 2, le16(height));
    header[16] = char(bitsPerPixel);
    return header + data;
}

}  // namespace qm::test

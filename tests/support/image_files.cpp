// image_files.cpp -- BMP and TGA file images for reader tests.
#include "support/image_files.h"

namespace qm::test {

std::string le16(uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string le32(uint32_t v) {
    return le16(uint16_t(v & 0xFFFF)) + le16(uint16_t(v >> 16));
}

std::string makeBmp(const BmpSpec& s) {
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

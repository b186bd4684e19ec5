// image_tga.cpp -- the Targa reader: uncompressed true-colour (type 2) at 24 or 32 bits per pixel.
#include <cstring>
#include <string>

#include "resources/image_bytes.h"
#include "resources/texture.h"

namespace qm {

namespace {

using image::readU16;

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTrueColour = 2;
constexpr uint8_t kTopOrigin = 0x20;  // image descriptor: the first stored row is the top one

// Image types this reader knows but refuses: colour-mapped, grey and their
// run-length encoded forms.
bool isRefusedType(uint8_t type) {
    return type == 1 || type == 3 || type == 9 || type == 10 || type == 11;
}

}  // namespace

bool Texture::readTgaData(std::string_view bytes) {
    std::vector<uint8_t>().swap(pixels);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();
    if (size < kHeaderSize) return finish(ImageStatus::Truncated);

    const uint8_t colourMapType = data[1];
    const uint8_t imageType = data[2];
    if (colourMapType > 1) return finish(ImageStatus::NotThisFormat);
    if (imageType == kTrueColour && colourMapType != 0)
        return finish(ImageStatus::Unsupported, {ImageNote::Kind::TgaColourMap});
    if (imageType != kTrueColour) {
        if (!isRefusedType(imageType)) return finish(ImageStatus::NotThisFormat);
        return finish(ImageStatus::Unsupported, {ImageNote::Kind::TgaImageType, imageType});
    }

    width = readU16(data + 12);
    height = readU16(data + 14);
    bitsPerPixel = data[16];
    const int64_t blockSize = int64_t{bitsPerPixel / 8} * height * width;
    byteLength = 0;
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        return finish(ImageStatus::Unsupported,
                      {ImageNote::Kind::TgaBitsPerPixel, static_cast<uint32_t>(bitsPerPixel)});
    if (width == 0 || height == 0) return finish(ImageStatus::Damaged);
    if (width > kMaxImageSide || height > kMaxImageSide || int64_t{width} * height > kMaxImagePixels)
        return finish(ImageStatus::TooLarge);
    byteLength = static_cast<int32_t>(blockSize);  // within the pixel limit, so it fits

    // Pixels start after the header and the image-ID field (byte 0 gives its length).
    // The origin bits of the descriptor are deliberately not consulted: rows stay in
    // file order, as the pictures made for this player expect. A top origin is only
    // noted, for tools to warn about.
    const size_t dataStart = kHeaderSize + data[0];
    if (size < dataStart || size - dataStart < static_cast<uint64_t>(blockSize))
        return finish(ImageStatus::Truncated);
    const uint8_t* source = data + dataStart;

    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (!image::tryAllocate(pixels, pixelCount * 4)) return finish(ImageStatus::OutOfMemory);
    if (bitsPerPixel == 24) {
        expandRgb(source, 0, true);
    } else {
        std::memcpy(pixels.data(), source, pixelCount * 4);
        swapRedBlue();  // the file's alpha bytes stay as they are
    }
    ImageNote note;
    if (data[17] & kTopOrigin) note.kind = ImageNote::Kind::TgaTopOrigin;
    return finish(ImageStatus::Ok, note);
}

}  // namespace qm

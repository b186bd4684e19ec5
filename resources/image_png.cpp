// image_png.cpp -- the PNG reader through libpng: every colour type and depth to 8-bit RGB or RGBA, with
// gamma.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>

#include "resources/image_bytes.h"
#include "resources/texture.h"

namespace qm {

namespace {

constexpr size_t kSignatureSize = 8;
constexpr double kScreenGamma = 2.2;
constexpr double kAssumedFileGamma = 0.45455;  // files without a gAMA chunk

// Everything the decoder touches after libpng's error exit lives here, owned by
// the caller, so that the jump back leaves no half-built local object behind.
struct PngJob {
    PngJob() = default;
    PngJob(const PngJob&) = delete;
    PngJob& operator=(const PngJob&) = delete;
    ~PngJob() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }

    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    ImageStatus failure = ImageStatus::Damaged;  // what an error exit means
    std::vector<uint8_t> block;                  // RGB rows before they are widened to RGBA
    std::vector<png_bytep> rows;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (length > job->size - job->position) {
        job->failure = ImageStatus::Truncated;
        png_error(png, "unexpected end of file");
    }
    std::memcpy(out, job->data + job->position, length);
    job->position += length;
}

// libpng's default handlers print to standard error; the reader stays silent and
// only regains control.
[[noreturn]] void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

bool pointRowsAt(PngJob& job, uint8_t* first, size_t rowBytes, size_t height) {
    if (!image::tryAllocate(job.rows, height)) return false;
    for (size_t r = 0; r < height; ++r) job.rows[r] = first + r * rowBytes;
    return true;
}

// Runs libpng from the signature to the last row. Nothing in this frame needs a
// destructor, so libpng's error exit may jump back into it.
ImageStatus decodePng(Texture& texture, PngJob& job) {
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, quietError, quietWarning);
    if (!job.png) return ImageStatus::OutOfMemory;
    job.info = png_create_info_struct(job.png);
    if (!job.info) return ImageStatus::OutOfMemory;
    if (setjmp(png_jmpbuf(job.png))) return job.failure;

    png_set_read_fn(job.png, &job, readFromMemory);
    job.position = kSignatureSize;
    png_set_sig_bytes(job.png, kSignatureSize);
    png_read_info(job.png, job.info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(job.png, job.info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    // libpng keeps both sides below 2^31.
    texture.width = static_cast<int32_t>(width);
    texture.height = static_cast<int32_t>(height);
    texture.bitsPerPixel = bitDepth;
    if (texture.width > kMaxImageSide || texture.height > kMaxImageSide ||
        int64_t{texture.width} * texture.height > kMaxImagePixels)
        return ImageStatus::TooLarge;

    png_set_swap(job.png);  // only 16-bit samples are affected
    // 16-bit samples keep their high byte, so that every colour type ends at 8 bits.
    if (bitDepth == 16) png_set_strip_16(job.png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_expand(job.png);
    if (png_get_valid(job.png, job.info, PNG_INFO_tRNS)) png_set_expand(job.png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(job.png);
    double fileGamma = 0;
    if (png_get_gAMA(job.png, job.info, &fileGamma))
        png_set_gamma(job.png, kScreenGamma, fileGamma);
    else
        png_set_gamma(job.png, kScreenGamma, kAssumedFileGamma);
    png_set_interlace_handling(job.png);  // png_read_image then delivers whole rows of interlaced files
    png_read_update_info(job.png, job.info);

    const size_t rowBytes = png_get_rowbytes(job.png, job.info);
    const size_t rows = height;
    const size_t channels = width ? rowBytes / width : 0;
    if (channels == 3) {
        if (!image::tryAllocate(job.block, rowBytes * rows)) return ImageStatus::OutOfMemory;
        if (!pointRowsAt(job, job.block.data(), rowBytes, rows)) return ImageStatus::OutOfMemory;
        png_read_image(job.png, job.rows.data());
        if (!image::tryAllocate(texture.pixels, size_t{width} * rows * 4)) return ImageStatus::OutOfMemory;
        texture.bitsPerPixel = 32;
        texture.expandRgb(job.block.data(), 0, false);
        texture.setAlpha(255);
    } else if (channels == 4) {
        if (!image::tryAllocate(texture.pixels, rowBytes * rows)) return ImageStatus::OutOfMemory;
        if (!pointRowsAt(job, texture.pixels.data(), rowBytes, rows)) return ImageStatus::OutOfMemory;
        png_read_image(job.png, job.rows.data());
        texture.bitsPerPixel = 32;
    } else {
        // Every colour type ends as RGB or RGBA of 8-bit samples; anything else is
        // refused rather than misread.
        return ImageStatus::Unsupported;
    }
    png_read_end(job.png, job.info);
    return ImageStatus::Ok;
}

}  // namespace

bool Texture::readPngData(std::string_view bytes) {
    std::vector<uint8_t>().swap(pixels);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < kSignatureSize) {
        const bool prefix = !bytes.empty() && png_sig_cmp(data, 0, bytes.size()) == 0;
        return finish(prefix ? ImageStatus::Truncated : ImageStatus::NotThisFormat);
    }
    if (png_sig_cmp(data, 0, kSignatureSize) != 0) return finish(ImageStatus::NotThisFormat);

    PngJob job;
    job.data = data;
    job.size = bytes.size();
    return finish(decodePng(*this, job));
}

}  // namespace qm

// png_frames.h -- the PNG encoding of frames read back from OpenGL, and their file names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/pixel_order.h"

struct libdeflate_compressor;

namespace qm::capture {

// Encodes RGBA (or BGRA) pictures in OpenGL's row order (bottom row first) as 8-bit RGB PNG
// files with the top row first; alpha is dropped. The rows are Sub-filtered and
// compressed in one piece by libdeflate, which at its fastest level takes about
// half of zlib's time for smaller files; the picture is whole in memory anyway.
class PngEncoder {
public:
    static constexpr int kFastestLevel = 1;
    // Larger pictures are refused (OpenGL's own limits are far below).
    static constexpr int kMaxSide = 16384;

    explicit PngEncoder(int level = kFastestLevel);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The whole file into `out`. False for a size outside 1..kMaxSide or when the
    // compressor cannot be had.
    bool encode(const uint8_t* pixelsBottomUp, int width, int height, std::vector<uint8_t>& out,
                PixelOrder order = PixelOrder::Rgba);

private:
    struct Deleter {
        void operator()(libdeflate_compressor* c) const;
    };
    std::unique_ptr<libdeflate_compressor, Deleter> compressor_;
    std::vector<uint8_t> filtered_;  // the image data before compression, reused
    std::vector<uint8_t> packed_;    // and after
};

// The file name of frame n: "frame_00000.png", as ffmpeg's "frame_%05d.png" reads it.
std::string frameFileName(long frame);

}  // namespace qm::capture

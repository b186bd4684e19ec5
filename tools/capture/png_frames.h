// png_frames.h -- frames read back from OpenGL written as PNG files, on worker threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct libdeflate_compressor;

namespace qm::capture {

// Encodes RGBA pictures in OpenGL's row order (bottom row first) as 8-bit RGB PNG
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
    bool encode(const uint8_t* rgbaBottomUp, int width, int height, std::vector<uint8_t>& out);

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

// Writes frames as "DIR/frame_NNNNN.png" on worker threads, so that compressing one
// frame overlaps rendering the next. Pixel buffers circulate between the caller and
// the workers; takeBuffer waits while every buffer is in use, which bounds memory.
class PngFrameWriter {
public:
    PngFrameWriter(std::string dir, int width, int height, int threads);
    ~PngFrameWriter();
    PngFrameWriter(const PngFrameWriter&) = delete;
    PngFrameWriter& operator=(const PngFrameWriter&) = delete;

    // A buffer of width x height RGBA pixels to read a frame into.
    std::vector<uint8_t> takeBuffer();
    // Hands a filled buffer over; the frame is written to its file later.
    void submit(long frame, std::vector<uint8_t> pixels);
    // Waits for every frame submitted and stops the workers. False when a file
    // could not be written; `error` names the first one.
    bool finish(std::string& error);
    // A write has failed (the caller may stop early).
    bool failed();

private:
    struct Job {
        long frame;
        std::vector<uint8_t> pixels;
    };
    void work();

    std::string dir_;
    int width_;
    int height_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::vector<std::vector<uint8_t>> free_;
    int buffersOut_ = 0;  // buffers handed out or queued, not yet back in free_
    int maxBuffers_;
    bool stopping_ = false;
    std::string error_;
    std::vector<std::thread> workers_;
};

}  // namespace qm::capture

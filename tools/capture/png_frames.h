// png_frames.h -- frames read back from OpenGL written as PNG files, on worker threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm::capture {

// Encodes an RGBA picture in OpenGL's row order (bottom row first) as an 8-bit RGB
// PNG with the top row first; alpha is dropped. `level` is zlib's (0 to 9). False
// (with `out` unspecified) only when libpng fails.
bool encodePng(const uint8_t* rgbaBottomUp, int width, int height, int level, std::vector<uint8_t>& out);

// The file name of frame n: "frame_00000.png", as ffmpeg's "frame_%05d.png" reads it.
std::string frameFileName(long frame);

// Writes frames as "DIR/frame_NNNNN.png" on worker threads, so that compressing one
// frame overlaps rendering the next. Pixel buffers circulate between the caller and
// the workers; takeBuffer waits while every buffer is in use, which bounds memory.
class PngFrameWriter {
public:
    static constexpr int kLevel = 1;  // zlib's fastest: frames are big and many

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

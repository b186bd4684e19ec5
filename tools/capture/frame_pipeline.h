// frame_pipeline.h -- frames read back from OpenGL turned into PNG files and video frames beside the
// renderer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/pixel_order.h"

namespace qm::capture {

class VideoEncoder;

// The frames written are width x height; the surface read back is `supersample`
// times larger each way, its pixels in `order`.
struct FrameFormat {
    int width = 800;
    int height = 600;
    int supersample = 1;
    PixelOrder order = PixelOrder::Rgba;

    size_t surfaceBytes() const {
        return static_cast<size_t>(width) * supersample * static_cast<size_t>(height) * supersample * 4;
    }
};

// Each pixel of `out` (width x height, four bytes) is the mean of a factor x factor
// box of `in` (factor times larger each way), rounded to nearest, byte by byte (so
// either order stays as it is); the fourth byte (alpha) comes out opaque.
void boxFilter(const uint8_t* in, int width, int height, int factor, uint8_t* out);

// Renderer and encoders overlap: the renderer reads each frame into a buffer of a
// small ring and submits it; worker threads scale it down (when supersampled),
// write its PNG file and convert it for ffmpeg, which gets the frames in the order
// submitted. takeBuffer waits while every buffer of the ring is in use, which bounds
// memory and keeps the renderer at most a few frames ahead. With no threads, all of
// it happens in submit, one frame after another; the files are the same either way.
class FramePipeline {
public:
    // `pngDir` empty: no PNG files. `video` (borrowed, already started) may be null.
    FramePipeline(FrameFormat format, std::string pngDir, VideoEncoder* video, int threads);
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // A buffer of format.surfaceBytes() to read a frame into (bottom row first).
    std::vector<uint8_t> takeBuffer();
    // Hands a filled buffer over; frame `frame` is written later (or now, without threads).
    void submit(long frame, std::vector<uint8_t> pixels);
    // Waits for every frame submitted and stops the workers. False when a file could
    // not be written; `error` names the first one.
    bool finish(std::string& error);
    // A write has failed (the caller may stop early).
    bool failed();

private:
    struct Job {
        long frame = 0;
        uint64_t sequence = 0;  // the order of submission, which is the video's order
        std::vector<uint8_t> pixels;
    };
    struct Scratch;

    void work();
    void process(Job& job, Scratch& scratch);
    void release(std::vector<uint8_t> pixels, const std::string& failure);

    FrameFormat format_;
    std::string pngDir_;
    VideoEncoder* video_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::vector<std::vector<uint8_t>> free_;
    int buffersOut_ = 0;  // buffers handed out or queued, not yet back in free_
    int maxBuffers_;
    uint64_t submitted_ = 0;
    uint64_t nextToVideo_ = 0;
    bool stopping_ = false;
    std::string error_;
    std::unique_ptr<Scratch> inline_;  // the caller's own, without threads
    std::vector<std::thread> workers_;
};

}  // namespace qm::capture

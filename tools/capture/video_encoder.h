// video_encoder.h -- frames and sound encoded into a video file by an ffmpeg child process.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/pixel_order.h"

namespace qm::capture {

// The full path of the first executable `name` on PATH, or "" when there is none.
std::string findOnPath(const std::string& name);

// The arguments that make ffmpeg read raw RGB frames from its standard input and, with
// sound, raw 44.1 kHz 16-bit stereo (in the machine's byte order) from file descriptor 3,
// and encode them to `file` (H.264 and AAC). `frameRate` is written as ffmpeg reads it
// ("60", "30000/1001").
std::vector<std::string> ffmpegArguments(const std::string& file, const std::string& frameRate, int width,
                                         int height, bool withSound);

// The RGB rows that ffmpeg reads (top row first, no alpha) from RGBA or BGRA in
// OpenGL's row order (bottom row first); `rgb` holds width x height x 3 bytes.
void rgbTopRowFirst(const uint8_t* pixelsBottomUp, int width, int height, PixelOrder order, uint8_t* rgb);

// Frames go to ffmpeg's standard input and the sound to a second pipe, each written
// by a thread of its own: ffmpeg reads its inputs in an order of its choosing, and
// neither pipe may stop the other. The sound of a stretch of time is always handed
// over before its frames, so ffmpeg never waits for sound that is not rendered yet.
class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Starts ffmpeg (found at `ffmpeg`). False with `error` set when it cannot start.
    bool start(const std::string& ffmpeg, const std::string& file, const std::string& frameRate, int width,
               int height, bool withSound, std::string& error);
    // A buffer for the next frame's RGB (see rgbTopRowFirst); waits while enough
    // frames are queued for ffmpeg. Any thread may take one.
    std::vector<uint8_t> takeFrameBuffer();
    // Queues a frame taken and filled; frames go to ffmpeg in the order submitted.
    void submitFrame(std::vector<uint8_t> rgb);
    void writeAudio(const int16_t* interleavedStereo, size_t frames);
    // A pipe broke: ffmpeg has stopped early.
    bool failed() const;
    // Closes both pipes and waits for ffmpeg. False when a pipe broke or ffmpeg
    // did not succeed.
    bool finish(std::string& error);

private:
    class PipeWriter;

    std::unique_ptr<PipeWriter> video_;
    std::unique_ptr<PipeWriter> audio_;
    pid_t child_ = -1;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace qm::capture

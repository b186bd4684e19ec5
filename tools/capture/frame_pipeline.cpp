// frame_pipeline.cpp -- the ring of read-back buffers, the encoding workers and the scaling down.
#include "capture/frame_pipeline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/paths.h"
#include "capture/png_frames.h"
#include "capture/video_encoder.h"

namespace qm::capture {

namespace {

// Buffers beyond the workers' own: one being read into while another waits its turn.
constexpr int kSpareBuffers = 2;

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& failure) {
    FileHandle file(std::fopen(path.c_str(), "wb"));
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = file && std::fclose(file.release()) == 0 && ok;
    if (!ok) failure = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
}

}  // namespace

void boxFilter(const uint8_t* in, int width, int height, int factor, uint8_t* out) {
    const size_t inStride = static_cast<size_t>(width) * factor * 4;
    const uint32_t area = static_cast<uint32_t>(factor * factor);
    std::vector<uint32_t> sums(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int row = 0; row < factor; ++row) {
            const uint8_t* p = in + inStride * (static_cast<size_t>(y) * factor + row);
            uint32_t* s = sums.data();
            for (int x = 0; x < width; ++x, s += 3)
                for (int k = 0; k < factor; ++k, p += 4) {
                    s[0] += p[0];
                    s[1] += p[1];
                    s[2] += p[2];
                }
        }
        uint8_t* o = out + static_cast<size_t>(y) * width * 4;
        for (size_t i = 0; i < sums.size(); i += 3, o += 4) {
            o[0] = static_cast<uint8_t>((sums[i] + area / 2) / area);
            o[1] = static_cast<uint8_t>((sums[i + 1] + area / 2) / area);
            o[2] = static_cast<uint8_t>((sums[i + 2] + area / 2) / area);
            o[3] = 255;
        }
    }
}

// What a worker keeps from frame to frame.
struct FramePipeline::Scratch {
    PngEncoder png;
    std::vector<uint8_t> scaled;
    std::vector<uint8_t> file;
};

FramePipeline::FramePipeline(FrameFormat format, std::string pngDir, VideoEncoder* video, int threads)
    : format_(format),
      pngDir_(std::move(pngDir)),
      video_(video),
      maxBuffers_(threads > 0 ? threads + kSpareBuffers : 1) {
    if (threads <= 0) inline_ = std::make_unique<Scratch>();
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

FramePipeline::~FramePipeline() {
    std::string ignored;
    finish(ignored);
}

std::vector<uint8_t> FramePipeline::takeBuffer() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return buffersOut_ < maxBuffers_; });
    ++buffersOut_;
    if (!free_.empty()) {
        std::vector<uint8_t> buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    return std::vector<uint8_t>(format_.surfaceBytes());
}

void FramePipeline::submit(long frame, std::vector<uint8_t> pixels) {
    Job job{frame, 0, std::move(pixels)};
    {
        std::lock_guard lock(mutex_);
        job.sequence = submitted_++;
        if (!inline_) jobs_.push_back(std::move(job));
    }
    if (inline_)
        process(job, *inline_);
    else
        changed_.notify_all();
}

void FramePipeline::work() {
    Scratch scratch;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        process(job, scratch);
    }
}

void FramePipeline::process(Job& job, Scratch& scratch) {
    const uint8_t* pixels = job.pixels.data();
    if (format_.supersample > 1) {
        scratch.scaled.resize(static_cast<size_t>(format_.width) * format_.height * 4);
        boxFilter(pixels, format_.width, format_.height, format_.supersample, scratch.scaled.data());
        pixels = scratch.scaled.data();
    }
    std::string failure;
    if (!pngDir_.empty()) {
        // Output paths come from the command line and are used as given.
        const std::string path = pngDir_ + "/" + frameFileName(job.frame);
        if (!scratch.png.encode(pixels, format_.width, format_.height, scratch.file, format_.order))
            failure = "cannot encode " + path;
        else
            writeFile(path, scratch.file, failure);
    }
    if (video_) {
        std::vector<uint8_t> rgb = video_->takeFrameBuffer();
        rgbTopRowFirst(pixels, format_.width, format_.height, format_.order, rgb.data());
        // Frames are converted side by side but reach ffmpeg in their order.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return nextToVideo_ == job.sequence; });
        video_->submitFrame(std::move(rgb));
        ++nextToVideo_;
    }
    release(std::move(job.pixels), failure);
}

void FramePipeline::release(std::vector<uint8_t> pixels, const std::string& failure) {
    {
        std::lock_guard lock(mutex_);
        if (!failure.empty() && error_.empty()) error_ = failure;
        free_.push_back(std::move(pixels));
        --buffersOut_;
    }
    changed_.notify_all();
}

bool FramePipeline::failed() {
    std::lock_guard lock(mutex_);
    return !error_.empty();
}

bool FramePipeline::finish(std::string& error) {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    error = error_;
    return error_.empty();
}

}  // namespace qm::capture

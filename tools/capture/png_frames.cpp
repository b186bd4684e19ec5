// png_frames.cpp -- PNG encoding of read-back frames and the worker threads that write them.
#include "capture/png_frames.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "runtime/paths.h"

namespace qm::capture {

namespace {

// Everything libpng's error exit may leave behind lives here; the encoding frame
// itself holds nothing with a destructor, so the exit may jump back into it.
struct PngWriteJob {
    ~PngWriteJob() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t>* out = nullptr;
    std::vector<png_bytep> rows;
};

void appendToBuffer(png_structp png, png_bytep data, size_t length) {
    auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
    job->out->insert(job->out->end(), data, data + length);
}

void noFlush(png_structp) {}

// libpng's default handlers print to standard error; failures are reported by the caller.
[[noreturn]] void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

bool runEncoder(PngWriteJob& job, int width, int height, int level) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_set_write_fn(job.png, &job, appendToBuffer, noFlush);
    png_set_IHDR(job.png, job.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(job.png, level);
    // The Up filter alone: rendered frames are smooth from row to row, and trying
    // every filter per row costs more time than it saves bytes at this level.
    png_set_filter(job.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(job.png, job.info);
    png_set_filler(job.png, 0, PNG_FILLER_AFTER);  // the rows are RGBA; the alpha byte is left out
    png_write_image(job.png, job.rows.data());
    png_write_end(job.png, nullptr);
    return true;
}

}  // namespace

bool encodePng(const uint8_t* rgbaBottomUp, int width, int height, int level, std::vector<uint8_t>& out) {
    PngWriteJob job;
    job.out = &out;
    out.clear();
    // Rows in file order, top first: the read-back has the bottom row first.
    const size_t stride = static_cast<size_t>(width) * 4;
    job.rows.resize(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        job.rows[static_cast<size_t>(y)] = const_cast<png_bytep>(rgbaBottomUp + stride * (height - 1 - y));
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, quietError, quietWarning);
    if (!job.png) return false;
    job.info = png_create_info_struct(job.png);
    if (!job.info) return false;
    return runEncoder(job, width, height, level);
}

std::string frameFileName(long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05ld.png", frame);
    return name;
}

PngFrameWriter::PngFrameWriter(std::string dir, int width, int height, int threads)
    : dir_(std::move(dir)), width_(width), height_(height), maxBuffers_(threads + 2) {
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

PngFrameWriter::~PngFrameWriter() {
    std::string ignored;
    finish(ignored);
}

std::vector<uint8_t> PngFrameWriter::takeBuffer() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return buffersOut_ < maxBuffers_; });
    ++buffersOut_;
    if (!free_.empty()) {
        std::vector<uint8_t> buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    return std::vector<uint8_t>(static_cast<size_t>(width_) * height_ * 4);
}

void PngFrameWriter::submit(long frame, std::vector<uint8_t> pixels) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({frame, std::move(pixels)});
    }
    changed_.notify_all();
}

void PngFrameWriter::work() {
    std::vector<uint8_t> png;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // Output paths come from the command line and are used as given.
        const std::string path = dir_ + "/" + frameFileName(job.frame);
        std::string failure;
        if (!encodePng(job.pixels.data(), width_, height_, kLevel, png)) {
            failure = "cannot encode " + path;
        } else {
            FileHandle file(std::fopen(path.c_str(), "wb"));
            bool ok = file && std::fwrite(png.data(), 1, png.size(), file.get()) == png.size();
            ok = file && std::fclose(file.release()) == 0 && ok;
            if (!ok) failure = "cannot write " + path + ": " + std::strerror(errno);
        }
        {
            std::lock_guard lock(mutex_);
            if (!failure.empty() && error_.empty()) error_ = failure;
            free_.push_back(std::move(job.pixels));
            --buffersOut_;
        }
        changed_.notify_all();
    }
}

bool PngFrameWriter::failed() {
    std::lock_guard lock(mutex_);
    return !error_.empty();
}

bool PngFrameWriter::finish(std::string& error) {
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

// video_encoder.cpp -- the ffmpeg child process and the two threads that feed its pipes.
#include "capture/video_encoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

extern char** environ;

namespace qm::capture {

// Writes byte buffers to a pipe in the order given, on a thread of its own. With a
// limit, take() waits while that many buffers are queued; buffers come back for
// reuse once written.
class VideoEncoder::PipeWriter {
public:
    PipeWriter(int fd, size_t limit) : fd_(fd), limit_(limit) {
        thread_ = std::thread([this] { run(); });
    }
    ~PipeWriter() { close(); }

    std::vector<uint8_t> take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return limit_ == 0 || queue_.size() < limit_ || broken_; });
        if (spare_.empty()) return {};
        std::vector<uint8_t> buffer = std::move(spare_.back());
        spare_.pop_back();
        return buffer;
    }

    void submit(std::vector<uint8_t> bytes) {
        {
            std::lock_guard lock(mutex_);
            if (broken_ || closing_) return;
            queue_.push_back(std::move(bytes));
        }
        changed_.notify_all();
    }

    bool broken() const {
        std::lock_guard lock(mutex_);
        return broken_;
    }

    // Writes what is queued, then closes the pipe. False when the pipe broke.
    bool close() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return !broken_;
    }

private:
    void run() {
        for (;;) {
            std::vector<uint8_t> bytes;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
                if (queue_.empty() || broken_) return;
                bytes = std::move(queue_.front());
                queue_.pop_front();
            }
            const bool ok = writeAll(bytes);
            {
                std::lock_guard lock(mutex_);
                if (!ok) {
                    broken_ = true;
                    queue_.clear();
                }
                if (limit_ > 0) spare_.push_back(std::move(bytes));
            }
            changed_.notify_all();
        }
    }

    bool writeAll(const std::vector<uint8_t>& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    int fd_;
    size_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> queue_;
    std::vector<std::vector<uint8_t>> spare_;
    bool closing_ = false;
    bool broken_ = false;
    std::thread thread_;
};

namespace {

// Frames queued for ffmpeg before the renderer waits: enough that ffmpeg may read
// a good stretch of sound ahead of the frames while it opens its inputs.
constexpr size_t kQueuedFrames = 8;
// The descriptor on which ffmpeg reads the sound ("pipe:3").
constexpr int kAudioFd = 3;
// Pipe ends are first moved above the descriptors that the child rearranges.
constexpr int kLowestPipeFd = 10;

bool makePipe(int ends[2]) {
    int raw[2];
    if (::pipe2(raw, O_CLOEXEC) != 0) return false;
    for (int i = 0; i < 2; ++i) {
        ends[i] = ::fcntl(raw[i], F_DUPFD_CLOEXEC, kLowestPipeFd);
        ::close(raw[i]);
    }
    if (ends[0] >= 0 && ends[1] >= 0) return true;
    for (int i = 0; i < 2; ++i)
        if (ends[i] >= 0) ::close(ends[i]);
    return false;
}

}  // namespace

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t pos = 0;
    while (pos <= dirs.size()) {
        size_t colon = dirs.find(':', pos);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(pos, colon - pos);
        pos = colon + 1;
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::vector<std::string> ffmpegArguments(const std::string& file, const std::string& frameRate, int width,
                                         int height, bool withSound) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     // the frames, on standard input
                                     "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate",
                                     frameRate, "-i", "pipe:0"};
    if (withSound)
        args.insert(args.end(),
                    {// the sound, on descriptor 3; raw samples need no probing, and ffmpeg must not
                     // wait for seconds of sound before it reads the frames that come with it
                     "-probesize", "32", "-analyzeduration", "0", "-f",
                     std::endian::native == std::endian::little ? "s16le" : "s16be", "-ar", "44100", "-ac",
                     "2", "-i", "pipe:" + std::to_string(kAudioFd), "-map", "0:v", "-map", "1:a"});
    args.insert(args.end(), {"-c:v", "libx264", "-preset", "fast", "-crf", "18", "-pix_fmt", "yuv420p"});
    if (withSound) args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    // "file:": a name that starts with '-' or holds a ':' is still the file of that name.
    args.insert(args.end(), {"-movflags", "+faststart", "file:" + file});
    return args;
}

namespace {

template <PixelOrder order>
void rgbRows(const uint8_t* pixelsBottomUp, int width, int height, uint8_t* out) {
    constexpr int red = redAt(order), blue = blueAt(order);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* in = pixelsBottomUp + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[red];
            out[1] = in[1];
            out[2] = in[blue];
        }
    }
}

}  // namespace

void rgbTopRowFirst(const uint8_t* pixelsBottomUp, int width, int height, PixelOrder order, uint8_t* rgb) {
    if (order == PixelOrder::Bgra)
        rgbRows<PixelOrder::Bgra>(pixelsBottomUp, width, height, rgb);
    else
        rgbRows<PixelOrder::Rgba>(pixelsBottomUp, width, height, rgb);
}

VideoEncoder::VideoEncoder() = default;

VideoEncoder::~VideoEncoder() {
    std::string ignored;
    finish(ignored);
}

bool VideoEncoder::start(const std::string& ffmpeg, const std::string& file, const std::string& frameRate,
                         int width, int height, bool withSound, std::string& error) {
    int videoPipe[2], audioPipe[2];
    if (!makePipe(videoPipe)) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (!makePipe(audioPipe)) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(videoPipe[0]);
        ::close(videoPipe[1]);
        return false;
    }
    // The child gets the read ends as descriptors 0 and 3; every other pipe end is
    // closed on exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoPipe[0], 0);
    if (withSound) posix_spawn_file_actions_adddup2(&actions, audioPipe[0], kAudioFd);

    std::vector<std::string> args = ffmpegArguments(file, frameRate, width, height, withSound);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int result = ::posix_spawn(&child_, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(videoPipe[0]);
    ::close(audioPipe[0]);
    if (result != 0) {
        child_ = -1;
        ::close(videoPipe[1]);
        ::close(audioPipe[1]);
        error = "cannot start " + ffmpeg + ": " + std::strerror(result);
        return false;
    }
    width_ = width;
    height_ = height;
    video_ = std::make_unique<PipeWriter>(videoPipe[1], kQueuedFrames);
    if (withSound)
        audio_ = std::make_unique<PipeWriter>(audioPipe[1], 0);
    else
        ::close(audioPipe[1]);
    return true;
}

std::vector<uint8_t> VideoEncoder::takeFrameBuffer() {
    std::vector<uint8_t> rgb = video_ ? video_->take() : std::vector<uint8_t>();
    rgb.resize(static_cast<size_t>(width_) * height_ * 3);
    return rgb;
}

void VideoEncoder::submitFrame(std::vector<uint8_t> rgb) {
    if (video_) video_->submit(std::move(rgb));
}

void VideoEncoder::writeAudio(const int16_t* interleavedStereo, size_t frames) {
    if (!audio_) return;
    // The samples as they lie in memory; ffmpeg is told the machine's byte order.
    const auto* bytes = reinterpret_cast<const uint8_t*>(interleavedStereo);
    audio_->submit(std::vector<uint8_t>(bytes, bytes + frames * 4));
}

bool VideoEncoder::failed() const {
    return (video_ && video_->broken()) || (audio_ && audio_->broken());
}

bool VideoEncoder::finish(std::string& error) {
    if (child_ < 0) return true;
    bool ok = true;
    if (video_) ok = video_->close() && ok;
    if (audio_) ok = audio_->close() && ok;
    video_.reset();
    audio_.reset();
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(child_, &status, 0);
    } while (waited < 0 && errno == EINTR);
    child_ = -1;
    if (waited < 0) {
        error = "ffmpeg could not be waited for";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = WIFEXITED(status) ? "ffmpeg failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")"
                                  : "ffmpeg did not finish";
        return false;
    }
    if (!ok) {
        error = "ffmpeg stopped reading before the end";
        return false;
    }
    return true;
}

}  // namespace qm::capture

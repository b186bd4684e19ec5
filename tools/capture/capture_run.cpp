// capture_run.cpp -- the capture session: the offline driver's frames and sound routed to the outputs.
#include "capture/capture_run.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/gl_state.h"
#include "base/paths.h"
#include "base/trace.h"
#include "capture/capture_jobs.h"
#include "capture/frame_pipeline.h"
#include "capture/progress.h"
#include "capture/video_encoder.h"
#include "capture/wav_file.h"
#include "music/music_player.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"

namespace qm::capture {

namespace {

#ifdef GL_BGRA
constexpr PixelOrder kReadOrder = PixelOrder::Bgra;  // the software renderer's own
constexpr GLenum kReadFormat = GL_BGRA;
#else
constexpr PixelOrder kReadOrder = PixelOrder::Rgba;  // all that OpenGL ES 2 promises
constexpr GLenum kReadFormat = GL_RGBA;
#endif

// The rate ffmpeg is given for the frames written: every Nth frame of the capture.
std::string videoFrameRate(double fps, long every) {
    char text[64];
    if (every == 1)
        std::snprintf(text, sizeof text, "%.10g", fps);
    else
        std::snprintf(text, sizeof text, "%.10g/%ld", fps, every);
    return text;
}

int64_t audioFrameAt(long frame, double fps) {
    return std::llround(MusicPlayer::kRate * static_cast<double>(frame) / fps);
}

// Receives each drawn frame and each stretch of sound from the driver and hands
// them to the outputs, which are opened at the first frame to be written (so a
// demo that cannot start leaves nothing behind).
class Session {
public:
    // `quit` ends the run after the frame in which an output failed.
    Session(const CaptureOptions& options, std::string ffmpeg, bool& quit)
        : quit_(quit),
          o_(options),
          ffmpeg_(std::move(ffmpeg)),
          format_{options.width, options.height, options.supersample, kReadOrder},
          firstSample_(audioFrameAt(options.firstFrame, options.fps)) {}

    void frameDrawn(long frame) {
        if (!o_.wanted(frame) || !error_.empty()) return;
        if (!opened_ && !openOutputs()) {
            quit_ = true;
            return;
        }
        if (!frames_) return;  // a dry run renders without reading back
        std::vector<uint8_t> pixels = frames_->takeBuffer();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, format_.width * format_.supersample, format_.height * format_.supersample,
                     kReadFormat, GL_UNSIGNED_BYTE, pixels.data());
        frames_->submit(frame, std::move(pixels));
        ++written_;
        if (frames_->failed() || (video_ && video_->failed())) quit_ = true;
    }

    // Sound arrives in order; what lies before the first frame written is left out.
    void soundRendered(const int16_t* samples, size_t frames) {
        const int64_t begin = samplePosition_;
        samplePosition_ += static_cast<int64_t>(frames);
        if (samplePosition_ <= firstSample_) return;
        // The sound of the first frame written may come before the frame itself: when
        // it is the last frame, the run's last stretch of sound is rendered first.
        if (!opened_ && !openOutputs()) quit_ = true;
        if (!opened_ || !o_.sound) return;
        const int64_t skip = std::max<int64_t>(0, firstSample_ - begin);
        const int16_t* kept = samples + skip * 2;
        const size_t count = frames - static_cast<size_t>(skip);
        if (wav_.isOpen() && !wav_.append(kept, count)) quit_ = true;  // finish() says why
        if (video_) video_->writeAudio(kept, count);
    }

    // Completes every output; false with a message printed when one failed.
    bool finish() {
        bool ok = error_.empty();
        if (!ok) complain(error_);
        std::string error;
        // The frames first: the last of them are still on their way to ffmpeg.
        if (frames_ && !frames_->finish(error)) {
            complain(error);
            ok = false;
        }
        if (!wav_.finish(error)) {
            complain(error);
            ok = false;
        }
        if (video_ && !video_->finish(error)) {
            complain(error);
            ok = false;
        }
        return ok;
    }

    long written() const { return written_; }
    bool opened() const { return opened_; }

private:
    std::string wavPath() const { return o_.outDir + "/audio.wav"; }

    bool& quit_;
    bool openOutputs() {
        opened_ = true;
        if (!o_.outDir.empty() && o_.sound && !wav_.open(wavPath(), error_)) return false;
        if (o_.soundOnly) return true;
        if (!o_.videoFile.empty()) {
            video_ = std::make_unique<VideoEncoder>();
            if (!video_->start(ffmpeg_, o_.videoFile, videoFrameRate(o_.fps, o_.every), o_.width, o_.height,
                               o_.sound, error_))
                return false;
        }
        if (!o_.outDir.empty() || video_)
            frames_ = std::make_unique<FramePipeline>(format_, o_.outDir, video_.get(), o_.threads);
        return true;
    }

    const CaptureOptions& o_;
    std::string ffmpeg_;
    FrameFormat format_;
    int64_t firstSample_;
    int64_t samplePosition_ = 0;
    bool opened_ = false;
    long written_ = 0;
    std::string error_;
    std::unique_ptr<VideoEncoder> video_;
    std::unique_ptr<FramePipeline> frames_;  // declared after video_: finished and gone first
    WavWriter wav_;
};

// Output paths come from the command line and are used as given.
bool prepareOutputFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        complain("cannot make the output folder " + dir + (ec ? ": " + ec.message() : ""));
        return false;
    }
    return true;
}

}  // namespace

void complain(const std::string& message) {
    std::fprintf(stderr, "quillmoor-capture: %s\n", message.c_str());
}

std::string whatWasWritten(const CaptureOptions& o, long written) {
    std::string text;
    if (o.soundOnly) return "; wrote audio.wav to " + o.outDir;
    if (!o.outDir.empty())
        text = "; wrote " + std::to_string(written) + " frames" + (o.sound ? " and audio.wav" : "") + " to " +
               o.outDir;
    if (!o.videoFile.empty()) text += (text.empty() ? "; wrote " : " and ") + o.videoFile;
    return text;
}

bool findVideoEncoder(const CaptureOptions& o, std::string& ffmpeg) {
    ffmpeg.clear();
    if (o.videoFile.empty()) return true;
    ffmpeg = findOnPath("ffmpeg");
    if (!ffmpeg.empty()) return true;
    complain("--video needs ffmpeg, which is not installed (no ffmpeg on PATH)");
    return false;
}

int runCapture(const CaptureOptions& o) {
    if (o.jobs > 1) return runCaptureJobs(o);
    return runCaptureHere(o, nullptr);
}

int runCaptureHere(const CaptureOptions& o, CaptureEnd* end) {
    std::string ffmpeg;
    if (!findVideoEncoder(o, ffmpeg)) return 1;
    if (!o.outDir.empty() && !prepareOutputFolder(o.outDir)) return 1;
    // The trace only when asked: the knot alone writes thousands of lines a frame.
    DemoRun run;
    FileHandle trace;
    if (o.traceFile.empty()) {
        run.trace.setEnabled(false);
    } else if (o.traceFile != "-") {
        trace.reset(std::fopen(o.traceFile.c_str(), "wb"));
        if (!trace) {
            complain("cannot write the trace file " + o.traceFile);
            return 1;
        }
        run.trace.setFile(trace.get());
    }

    Session session(o, ffmpeg, run.quitRequested);
    ProgressBar progress(o.fps, o.lengthGiven ? o.endFrame : 0, ::isatty(STDERR_FILENO) == 1 && !end);
    if (o.progressFd >= 0) {
        // Not handed on to ffmpeg: whoever reads the descriptor sees it close when this process ends.
        ::fcntl(o.progressFd, F_SETFD, ::fcntl(o.progressFd, F_GETFD) | FD_CLOEXEC);
        progress.reportTo(o.progressFd);
    }
    OfflineDriver driver(o.fps);
    for (const KeyPress& press : o.keys) driver.pressKeyAt(press.seconds, press.key);
    driver.setFrameLimit(o.endFrame);
    // The frames before the first one written, and those between the frames written,
    // are fast-forward steps: the same demo, without pixels.
    driver.setFastForwardUntil(o.soundOnly ? std::numeric_limits<long>::max() : o.firstFrame);
    driver.setDrawEvery(o.every);
    driver.setScreenSize(o.width * o.supersample, o.height * o.supersample);
    PictureRect picture = pictureRectFor(o.width, o.height);
    picture.x *= o.supersample, picture.y *= o.supersample;
    picture.width *= o.supersample, picture.height *= o.supersample;
    driver.setPicture(picture);
    driver.setFrameSink([&](long frame, Driver::Frame kind) {
        if (kind != Driver::Frame::Loop) return;
        session.frameDrawn(frame);
        progress.frameRendered(frame + 1);
    });
    driver.setAudioSink([&](const int16_t* samples, size_t frames) {
        session.soundRendered(samples, frames);
        if (o.soundOnly) progress.frameRendered(driver.frameIndex());
    });

    const int status = runDemo(driver, run);
    progress.frameRendered(driver.frameIndex());  // the fast-forwarded frames at the end count too
    const ProgressFigures figures = progress.finish();
    run.trace.flush();
    run.trace.setFile(nullptr);
    // The outputs are finished (the WAV's lengths written, ffmpeg waited for) whatever else failed.
    bool ok = session.finish();
    if (trace && std::fclose(trace.release()) != 0) {
        complain("cannot write the trace file " + o.traceFile);
        return 1;
    }
    if (status != 0) return status;  // the demo did not start; the driver has said why

    const double endSeconds = driver.frameIndex() / o.fps;
    if (!o.lengthGiven && driver.frameIndex() >= o.endFrame)
        complain(
            "stopped after an hour: the demo did not end by itself (give --seconds for a longer capture)");
    if (!session.opened() && !o.dryRun) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "nothing written: the demo ended at %.2f s, before the first frame to write",
                      endSeconds);
        complain(text);
        ok = false;
    }
    if (end) {
        end->frames = driver.frameIndex();
        end->wroteAnything = session.opened();
    } else {
        complain(summaryLine(figures) + (ok ? whatWasWritten(o, session.written()) : std::string()));
    }
    return ok ? 0 : 1;
}

}  // namespace qm::capture

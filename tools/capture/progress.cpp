// progress.cpp -- formatting and drawing the capture's progress.
#include "capture/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm::capture {

namespace {

constexpr int kBarWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

std::string format(const char* pattern, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

double renderRate(const ProgressFigures& f) {
    return f.wallSeconds > 0 ? f.frames / f.wallSeconds : 0;
}

}  // namespace

std::string clockText(double seconds) {
    const long s = std::lround(std::max(seconds, 0.0));
    if (s >= 3600) return format("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return format("%ld:%02ld", s / 60, s % 60);
}

std::string progressLine(const ProgressFigures& f) {
    const double rate = renderRate(f);
    const std::string time = format("%.2f s", f.frames / f.fps);
    const std::string speed = rate > 0 ? format("%.1f fps", rate) : std::string("-- fps");
    if (f.totalFrames <= 0) return format("frame %ld  %s  %s", f.frames, time.c_str(), speed.c_str());

    const double done = std::min(1.0, static_cast<double>(f.frames) / f.totalFrames);
    std::string bar(kBarWidth, '.');
    for (int i = 0; i < static_cast<int>(done * kBarWidth); ++i) bar[i] = '#';
    const std::string eta = rate > 0 ? clockText((f.totalFrames - f.frames) / rate) : std::string("--:--");
    return format("frame %ld/%ld [%s] %3d%%  %s  %s  ETA %s", f.frames, f.totalFrames, bar.c_str(),
                  static_cast<int>(done * 100), time.c_str(), speed.c_str(), eta.c_str());
}

std::string summaryLine(const ProgressFigures& f) {
    const double demoSeconds = f.frames / f.fps;
    const double realTime = f.wallSeconds > 0 ? demoSeconds / f.wallSeconds : 0;
    return format("%ld frames (%.2f s of demo) in %.2f s: %.1f fps, %.2fx real time", f.frames, demoSeconds,
                  f.wallSeconds, renderRate(f), realTime);
}

ProgressBar::ProgressBar(double fps, long totalFrames, bool enabled) : enabled_(enabled) {
    figures_.fps = fps;
    figures_.totalFrames = totalFrames;
    start_ = lastDraw_ = std::chrono::steady_clock::now();
}

double ProgressBar::elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressBar::report() {
    const std::string line = std::to_string(figures_.frames) + "\n";
    // The parent reads what it can; a parent that has gone away is no reason to stop.
    [[maybe_unused]] const ssize_t written = ::write(reportFd_, line.data(), line.size());
}

void ProgressBar::frameRendered(long frames) {
    figures_.frames = frames;
    const auto now = std::chrono::steady_clock::now();
    if (reportFd_ >= 0 && now - lastReport_ >= kRedrawInterval) {
        lastReport_ = now;
        report();
    }
    if (!enabled_) return;
    if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    figures_.wallSeconds = elapsed();
    // Back to the start of the line and clear it, so a shorter line leaves nothing behind.
    std::fprintf(stderr, "\r\033[K%s", progressLine(figures_).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

ProgressFigures ProgressBar::finish() {
    figures_.wallSeconds = elapsed();
    if (reportFd_ >= 0) report();
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
    return figures_;
}

}  // namespace qm::capture

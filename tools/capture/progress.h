// progress.h -- the capture's progress bar on a terminal and its one-line summary.
#pragma once

#include <chrono>
#include <string>

namespace qm::capture {

// What the bar and the summary show.
struct ProgressFigures {
    long frames = 0;         // frames rendered so far
    long totalFrames = 0;    // frames the capture will render; 0 when the demo decides
    double fps = 60;         // the capture's frame rate (demo time = frames / fps)
    double wallSeconds = 0;  // since the first frame
};

// "frame 1234/5760 [#####.....] 21%  20.57 s  143.2 fps  ETA 0:31"; without a
// known total, the bar and the ETA are left out.
std::string progressLine(const ProgressFigures& figures);
// "5760 frames (96.00 s of demo) in 41.20 s: 139.8 fps, 2.33x real time"
std::string summaryLine(const ProgressFigures& figures);
// Seconds as m:ss, or h:mm:ss from an hour on.
std::string clockText(double seconds);

// Redraws the progress line on standard error at most a few times a second, only
// when standard error is a terminal.
class ProgressBar {
public:
    ProgressBar(double fps, long totalFrames, bool enabled);
    // Also writes the frame count, a line at a time and a few times a second, to the
    // descriptor `fd` (a pipe that a --jobs parent reads).
    void reportTo(int fd) { reportFd_ = fd; }
    void frameRendered(long frames);
    // Clears the bar; the figures of the whole run.
    ProgressFigures finish();

private:
    double elapsed() const;

    ProgressFigures figures_;
    void report();

    bool enabled_;
    bool drawn_ = false;
    int reportFd_ = -1;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::chrono::steady_clock::time_point lastReport_;
};

}  // namespace qm::capture

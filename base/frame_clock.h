// frame_clock.h -- the process-wide frame clock that every animation reads.
#pragma once

namespace qm {

// Seconds since the clock source's zero. The frame loop ticks it once per frame,
// after drawing: during a frame, `delta` is the duration of the previous frame and
// `now` the time at its end.
struct FrameClock {
    double delta = 0;
    double previous = 0;
    double now = 0;

    void start(double seconds) { previous = seconds; }
    void tick(double seconds) {
        now = seconds;
        delta = seconds - previous;
        previous = seconds;
    }
};

extern FrameClock frameClock;

// Milliseconds from the clock source in seconds, as the window driver reads them.
inline double ticksToSeconds(unsigned int milliseconds) {
    return static_cast<double>(milliseconds) * 0.001;
}

}  // namespace qm

// frame_clock.h -- the frame clock of a run, and what each frame step hands the objects it updates and draws.
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

// One frame step as the objects see it. Every motion is scaled by `delta`; a step
// that is not drawn (a fast-forward step) advances everything a drawn frame
// advances, the GL state the objects leave included, but sends no vertices.
struct FrameContext {
    double now = 0;       // the clock at the end of the previous frame
    double delta = 0;     // the previous frame's duration
    bool drawn = true;    // false: a fast-forward step
    float lineScale = 1;  // line widths are given in pixels of an 800x600 picture
};

// Milliseconds from the clock source in seconds, as the window driver reads them.
inline double ticksToSeconds(unsigned int milliseconds) {
    return static_cast<double>(milliseconds) * 0.001;
}

}  // namespace qm

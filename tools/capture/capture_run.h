// capture_run.h -- one capture: the demo played through the offline driver into files or a video.
#pragma once

#include "capture/capture_options.h"

namespace qm::capture {

// Plays the demo in the working directory as the player would and writes what the
// options ask for (in several processes with --jobs). Returns the exit status: 0, or
// 1 after a message on standard error when the demo cannot run or an output fails.
int runCapture(const CaptureOptions& options);

// How a capture in this process ended, for a --jobs parent that runs one itself.
struct CaptureEnd {
    long frames = 0;  // frames played, the fast-forwarded ones included
    bool wroteAnything = false;
};

// runCapture in this process, whatever --jobs says. With `end`, the summary line is
// left out and `end` says how the capture ended.
int runCaptureHere(const CaptureOptions& options, CaptureEnd* end);

// "; wrote 5757 frames and audio.wav to DIR and demo.mp4": the end of the summary line.
std::string whatWasWritten(const CaptureOptions& options, long framesWritten);

// The message for a failure of the capture.
void complain(const std::string& message);
// With --video, ffmpeg's path from PATH into `ffmpeg` (empty without --video); false,
// having said why, when it is not installed.
bool findVideoEncoder(const CaptureOptions& o, std::string& ffmpeg);

}  // namespace qm::capture

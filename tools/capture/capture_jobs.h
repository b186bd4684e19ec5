// capture_jobs.h -- one capture split into consecutive ranges, rendered by child processes and joined.
#pragma once

#include <vector>

#include "capture/capture_options.h"

namespace qm::capture {

// Frames [first, end) of the run, of which every `every`th from `first` is written.
struct FrameRange {
    long first = 0;
    long end = 0;
};

// The frames written from `firstFrame` (every `every`th, below `endFrame`) in at most
// `jobs` consecutive ranges of nearly equal counts. Each range begins at a frame it
// writes and ends just after its last, so each is a capture of its own with the same
// --every; there are fewer ranges than jobs when there are fewer frames.
std::vector<FrameRange> splitFrames(long firstFrame, long endFrame, long every, int jobs);

// --jobs: this process plays the capture once without drawing, which writes the
// sound (audio.wav, or the video's sound) and finds where the demo ends; then one
// child process of this program per range renders its frames with --no-sound, all
// at once. PNG frames go straight into the output folder; video ranges are joined
// by ffmpeg's concat demuxer without encoding them again and given the one sound
// track; the trace is the first pass's start-up lines and then each range's frames.
// Frames, WAV and trace are the same bytes as one process writes.
int runCaptureJobs(const CaptureOptions& options);

}  // namespace qm::capture

// capture_run.h -- one capture: the demo played through the offline driver into files or a video.
#pragma once

#include "capture/capture_options.h"

namespace qm::capture {

// Plays the demo in the working directory as the player would and writes what the
// options ask for. Returns the exit status: 0, or 1 after a message on standard
// error when the demo cannot run or an output fails.
int runCapture(const CaptureOptions& options);

}  // namespace qm::capture
